#include "watch/AutomaticResult.h"

#include "mail/CheckNewMail.h"
#include "mail/CheckWindow.h"
#include "mail/ShowCheckResult.h"

#include "platform/DesktopNotification.h"
#include "resources/ProgramIcon.h"

#include <QImage>

namespace {

constexpr int notificationPictureSize = 64;

NotificationPicture programPicture() {
    const QImage icon = programIcon()
                            .pixmap(notificationPictureSize)
                            .toImage()
                            .convertToFormat(QImage::Format_RGBA8888);
    NotificationPicture picture{icon.width(), icon.height(), {}};
    for (int row = 0; row < icon.height(); ++row)
        picture.rgba.append(reinterpret_cast<const char*>(icon.constScanLine(row)),
                            icon.width() * 4);
    return picture;
}

} // namespace

void ShowAutomaticResult(const CheckOutcome& outcome, std::optional<MailboxSnapshot>& seen,
                         CheckWindow& window, const std::function<void(int)>& announce) {
    std::optional<int> N;
    int unseen = 0;
    if (outcome.mailbox) {
        N = outcome.mailbox->count;
        unseen = unseenMessages(seen, *outcome.mailbox);
        seen = outcome.mailbox;
    }
    ShowCheckResult(N, window, unseen > 0);
    window.setResultToolTip(outcome.failure);
    if (unseen > 0)
        announce(unseen);
    HangUpUnlessMailFound(N, window);
}

void announceNewMail(int unseen) {
    notifyDesktop(QStringLiteral("新着メールが %1 通あります。").arg(unseen), programPicture());
}
