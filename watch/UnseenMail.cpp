#include "watch/UnseenMail.h"

#include <QSet>

int unseenMessages(const std::optional<MailboxSnapshot>& previous, const MailboxSnapshot& now) {
    if (!previous)
        return now.count;
    if (!previous->uids || !now.uids)
        return qMax(now.count - previous->count, 0);
    const QSet<QString> seen(previous->uids->begin(), previous->uids->end());
    return static_cast<int>(
        std::count_if(now.uids->begin(), now.uids->end(),
                      [&seen](const QString& uid) { return !seen.contains(uid); }));
}
