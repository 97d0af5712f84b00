#include "watch/AutomaticCheck.h"

#include "mail/CheckNewMail.h"
#include "mail/FetchEveryMessage.h"
#include "mail/MailLibrary.h"

#include "settings/AccountFile.h"
#include "settings/SettingsStore.h"

namespace {

CheckOutcome failed(const QString& reason) {
    return {std::nullopt, reason};
}

QString lastFailure(MailLibrary& library) {
    QString text;
    int size = statusBufferSize;
    library.getMessage(0, text, size);
    return CutAtNul(text);
}

CheckOutcome logInAndFetch(MailLibrary& library, int handle, const CheckRequest& request) {
    const int count =
        library.pop3Authenticate(handle, request.id, request.password, request.apop ? -1 : 0);
    if (count < 0)
        return failed(lastFailure(library));
    MailboxSnapshot mailbox{count, std::nullopt};
    // Without ids (no UIDL, or a listing that failed) new mail is told by a grown count.
    if (QStringList uids; library.pop3GetUidl(handle, uids) == count)
        mailbox.uids = uids;
    FetchEveryMessage(library, handle, count);
    return {mailbox, {}};
}

} // namespace

CheckRequest currentCheckRequest() {
    const SettingsStore& store = SettingsStore::instance();
    CheckRequest request{store.Pop3Server, store.UserId, store.UserPassword, store.ApopFlag != 0};
    if (!store.accountConfirmed) {
        // What the file could not give waits for a manual check to say it.
        const StoredAccount account = ReadAccount();
        request.id = account.id;
        request.password = account.password;
    }
    return request;
}

CheckOutcome runAutomaticCheck(MailLibrary& library, const CheckRequest& request) {
    if (request.server.isEmpty())
        return failed(QStringLiteral("POP3サーバーが設定されていません。"));
    if (request.id.isEmpty() || request.password.isEmpty())
        return failed(QStringLiteral("IDかPASSが設定されていません。"));
    const int handle = library.pop3Connect(request.server);
    if (handle == -1)
        return failed(lastFailure(library));
    CheckOutcome outcome = logInAndFetch(library, handle, request);
    library.pop3Close(handle);
    return outcome;
}
