#include "mail/CheckNewMail.h"

#include "mail/CheckWindow.h"
#include "mail/FetchEveryMessage.h"
#include "mail/MailLibrary.h"
#include "mail/ShowCheckResult.h"

#include "settings/AccountFile.h"
#include "settings/IdPassForm.h"
#include "settings/OptionForm.h"
#include "settings/ReadProblems.h"
#include "settings/SetForm.h"
#include "settings/SettingsStore.h"
#include "ui/DialogLook.h"
#include "ui/MessageBoxes.h"

#include <QLineEdit>

namespace {

void showLibraryError(MailLibrary& library, QString& buffer) {
    int size = statusBufferSize;
    library.getMessage(0, buffer, size);
    MessageBoxes::error(nullptr, CutAtNul(buffer));
}

// The account this check logs in with: the one the user confirmed in the account dialog during
// this session, stored or not, or else the stored one. It goes into the dialog's boxes too.
void takeAccount(SettingsStore& store) {
    if (!store.accountConfirmed) {
        const StoredAccount account = ReadAccount();
        showReadProblems(nullptr);
        store.UserId = account.id;
        store.UserPassword = account.password;
    }
    IdPassForm& accountDialog = IdPassForm::instance();
    accountDialog.IdText->setText(store.UserId);
    accountDialog.PassText->setText(store.UserPassword);
}

// Logs in and fetches every message: the number of messages, or nothing when the check could not
// log in.
std::optional<int> logInAndFetch(MailLibrary& library, int handle) {
    SettingsStore& store = SettingsStore::instance();
    takeAccount(store);
    if (store.UserId.isEmpty() || store.UserPassword.isEmpty()) {
        showInFront(IdPassForm::instance());
        return std::nullopt;
    }

    const int apop = store.ApopFlag != 0 ? -1 : 0;
    const int N = library.pop3Authenticate(handle, store.UserId, store.UserPassword, apop);
    FetchEveryMessage(library, handle, N);
    if (N < 0) {
        QString reason;
        showLibraryError(library, reason);
        return std::nullopt;
    }
    return N;
}

} // namespace

void CheckNewMail(MailLibrary& library, CheckWindow& window) {
    window.showChecking();
    std::optional<int> N;
    const QString server = SettingsStore::instance().Pop3Server;
    if (server.isEmpty()) {
        showInFront(OptionForm::instance());
    } else if (const int handle = library.pop3Connect(server); handle == -1) {
        QString reason;
        showLibraryError(library, reason);
    } else {
        N = logInAndFetch(library, handle);
        library.pop3Close(handle);
    }
    ShowCheckResult(N, window, N && *N > 0);
    HangUpUnlessMailFound(N, window);
}

void HangUpUnlessMailFound(std::optional<int> N, CheckWindow& window) {
    // The line stays up when there is mail to fetch over it.
    const bool foundMail = N && *N > 0;
    if (!foundMail && SetForm::instance().DisconnectIfNoNewMail() == 1)
        window.clickHangUp();
}
