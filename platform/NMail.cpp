#include "platform/NMail.h"

#include "platform/CodePage932.h"
#include "platform/NMailLibrary.h"
#include "platform/pop3/FullWidthNote.h"
#include "platform/pop3/Pop3Session.h"

#include <QSslCipher>
#include <QSslConfiguration>
#include <QSslSocket>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <utility>

namespace {

QSslConfiguration defaultTls() {
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
    // AES-128-GCM first, as browsers ask: TLS 1.3's mandatory cipher, as safe as AES-256 for
    // mail and cheaper for the server, whose TLS proxy bounds a large check on a fast link.
    QList<QSslCipher> ciphers = tls.ciphers();
    std::stable_partition(ciphers.begin(), ciphers.end(), [](const QSslCipher& cipher) {
        return cipher.name() == QLatin1String("TLS_AES_128_GCM_SHA256");
    });
    tls.setCiphers(ciphers);
    return tls;
}

// A call that waits for the server runs the event loop, which may deliver an event that closes
// the connection or ends the library: each call holds its session, so that nothing it uses is
// freed under it, and a session's table entry goes when it is closed.
using SessionPointer = std::shared_ptr<Pop3Session>;

struct LibraryState {
    bool initialized = false;
    int statusBufferSize = NMailLibrary::defaultStatusBufferSize;
    Pop3Session::Limits limits;
    // Made once per process: the system's roots, which Qt looks up only as a chain needs them,
    // and the certificate authorities trusted besides them.
    QSslConfiguration tls = defaultTls();
    std::map<int, SessionPointer> sessions;
    int nextHandle = 1;
    MailFailure lastFailure;
    std::function<void()> afterClose;
};

LibraryState& libraryState() {
    static LibraryState library;
    return library;
}

int failed(const MailFailure& failure) {
    libraryState().lastFailure = failure;
    return failure.code;
}

// The session behind a handle, free for a call, or nothing after recording why there is none.
SessionPointer session(int handle) {
    if (!libraryState().initialized) {
        failed(MailFailure::notInitialized());
        return nullptr;
    }
    const auto found = libraryState().sessions.find(handle);
    if (found == libraryState().sessions.end()) {
        failed(MailFailure::badHandle());
        return nullptr;
    }
    if (found->second->isBusy()) {
        failed(MailFailure::busy());
        return nullptr;
    }
    return found->second;
}

// The message behind a handle and number: 0, or the failure's code.
int fetch(int handle, int number, const QByteArray*& message, SessionPointer& holder) {
    holder = session(handle);
    if (!holder)
        return libraryState().lastFailure.code;
    if (auto failure = holder->fetch(number, message))
        return failed(*failure);
    return 0;
}

// Texts go to the server in the code page the settings are kept in; one it cannot hold goes as
// UTF-8, which today's servers take.
QByteArray serverBytes(const QString& text) {
    return CodePage932::encode(text).value_or(text.toUtf8());
}

QString statusText(const QByteArray& value) {
    return CodePage932::decode(value).left(qMax(libraryState().statusBufferSize - 1, 0));
}

void fillStatus(const QByteArray& message, QString& subject, QString& from, QString& date,
                QString& to) {
    const Pop3::HeaderValues headers = Pop3::extractHeaderValues(message);
    subject = statusText(headers.subject);
    from = statusText(headers.from);
    date = statusText(headers.date);
    to = statusText(headers.to);
}

} // namespace

namespace NMailLibrary {
bool isInitialized() {
    return libraryState().initialized;
}
int statusBufferSize() {
    return libraryState().statusBufferSize;
}
bool addTrustedCaCertificateFile(const QString& path) {
    // Only the overload that takes a file keeps Qt's lookup of the system roots on demand; the
    // others make it load and parse the whole system store for every connection (some 100 ms).
    return libraryState().tls.addCaCertificates(path, QSsl::Pem,
                                                QSslCertificate::PatternSyntax::FixedString);
}
void setReplyTimeoutMs(int milliseconds) {
    libraryState().limits.timeoutMs = milliseconds;
}
void setMaxMessageBytes(qsizetype bytes) {
    libraryState().limits.maxMessageBytes = bytes;
}
void setAfterCloseHook(std::function<void()> hook) {
    libraryState().afterClose = std::move(hook);
}
} // namespace NMailLibrary

bool NMailInitializeWinSock() {
    libraryState().initialized = true;
    return true;
}

bool NMailSetOption(int option, int value) {
    if (!libraryState().initialized)
        return false;
    if (option == NMailOptionKeepMessages && (value == 0 || value == 1)) {
        libraryState().limits.keepMessages = value == 1;
        return true;
    }
    if (option != NMailOptionStatusBufferSize || value < 1)
        return false;
    libraryState().statusBufferSize = value;
    return true;
}

bool NMailEndWinSock() {
    const bool wasInitialized = libraryState().initialized;
    const std::map<int, SessionPointer> sessions = std::exchange(libraryState().sessions, {});
    libraryState().initialized = false;
    libraryState().statusBufferSize = NMailLibrary::defaultStatusBufferSize;
    libraryState().limits.keepMessages = true;
    for (const auto& [handle, session] : sessions)
        session->close();
    return wasInitialized;
}

int NMailPop3Connect(const QString& server) {
    if (!libraryState().initialized)
        return failed(MailFailure::notInitialized()), -1;
    const auto address = parseServerAddress(server);
    if (!address)
        return failed(MailFailure::badAddress(server)), -1;
    // In the table from the start, so that ending the library while it connects closes it.
    const int handle = libraryState().nextHandle++;
    const auto session =
        std::make_shared<Pop3Session>(*address, libraryState().limits, libraryState().tls);
    libraryState().sessions.emplace(handle, session);
    if (auto failure = session->open()) {
        libraryState().sessions.erase(handle);
        session->close();
        return failed(*failure), -1;
    }
    return handle;
}

int NMailPop3Authenticate(int handle, const QString& id, const QString& password, int apop) {
    const SessionPointer pop3 = session(handle);
    if (!pop3)
        return libraryState().lastFailure.code;
    qint64 count = 0;
    if (auto failure = pop3->login(serverBytes(id), serverBytes(password), apop != 0, count)) {
        const QString note = fullWidthNote(id, password);
        if (failure->code == NMailErrorLoginRefused && !note.isEmpty())
            failure->text += u'\n' + note;
        return failed(*failure);
    }
    return static_cast<int>(count);
}

int NMailPop3GetUidl(int handle, QStringList& uids) {
    const SessionPointer pop3 = session(handle);
    if (!pop3)
        return libraryState().lastFailure.code;
    if (auto failure = pop3->uniqueIds(uids))
        return failed(*failure);
    return static_cast<int>(uids.size());
}

int NMailPop3GetMailStatus(int handle, int number, QString& subject, QString& from, QString& date,
                           QString& to, int) {
    const QByteArray* message = nullptr;
    SessionPointer holder;
    if (const int code = fetch(handle, number, message, holder))
        return code;
    fillStatus(*message, subject, from, date, to);
    return 0;
}

int NMailPop3GetMailSize(int handle, int number) {
    const SessionPointer pop3 = session(handle);
    if (!pop3)
        return libraryState().lastFailure.code;
    qint64 octets = 0;
    if (auto failure = pop3->messageSize(number, octets))
        return failed(*failure);
    if (octets > std::numeric_limits<int>::max())
        return failed(MailFailure::tooLarge(pop3->host()));
    return static_cast<int>(octets);
}

int NMailPop3GetMail(int handle, int number, QString& subject, QString& from, QString& date,
                     QString& to, QByteArray& message, int, int) {
    const QByteArray* fetched = nullptr;
    SessionPointer holder;
    if (const int code = fetch(handle, number, fetched, holder))
        return code;
    fillStatus(*fetched, subject, from, date, to);
    message = libraryState().limits.keepMessages ? *fetched : QByteArray();
    return static_cast<int>(holder->fetchedLength());
}

int NMailGetMessage(int code, QString& text, int& size) {
    const QString full = code == 0 ? libraryState().lastFailure.text : MailFailure::meaningOf(code);
    if (code != 0 && full.isEmpty())
        return -1;
    text = full.left(qMax(size - 1, 0));
    size = static_cast<int>(text.size());
    return size;
}

int NMailPop3Close(int handle) {
    if (!libraryState().initialized)
        return failed(MailFailure::notInitialized());
    const auto found = libraryState().sessions.find(handle);
    if (found == libraryState().sessions.end())
        return failed(MailFailure::badHandle());
    {
        const SessionPointer pop3 = found->second;
        libraryState().sessions.erase(found);
        pop3->close();
    }
    // A copy: the hook may replace itself.
    if (const std::function<void()> afterClose = libraryState().afterClose)
        afterClose();
    return 0;
}
