#include "platform/NMail.h"

#include "platform/CodePage932.h"
#include "platform/NMailLibrary.h"
#include "platform/pop3/Pop3Session.h"

#include <map>
#include <memory>

namespace {

struct LibraryState {
    bool initialized = false;
    int statusBufferSize = NMailLibrary::defaultStatusBufferSize;
    Pop3Session::Limits limits;
    QList<QSslCertificate> trustedCaCertificates;
    std::map<int, std::unique_ptr<Pop3Session>> sessions;
    int nextHandle = 1;
    MailFailure lastFailure;
};

LibraryState& state() {
    static LibraryState library;
    return library;
}

int failed(const MailFailure& failure) {
    state().lastFailure = failure;
    return failure.code;
}

// The session behind a handle, or nothing after recording why there is none.
Pop3Session* session(int handle) {
    if (!state().initialized) {
        failed(MailFailure::notInitialized());
        return nullptr;
    }
    const auto found = state().sessions.find(handle);
    if (found == state().sessions.end()) {
        failed(MailFailure::badHandle());
        return nullptr;
    }
    return found->second.get();
}

// The message behind a handle and number: 0, or the failure's code.
int fetch(int handle, int number, const QByteArray*& message) {
    Pop3Session* pop3 = session(handle);
    if (!pop3)
        return state().lastFailure.code;
    if (auto failure = pop3->fetch(number, message))
        return failed(*failure);
    return 0;
}

// Texts go to the server in the code page the settings are kept in; one it cannot hold goes as
// UTF-8, which today's servers take.
QByteArray serverBytes(const QString& text) {
    return CodePage932::encode(text).value_or(text.toUtf8());
}

QString statusText(const QByteArray& value) {
    return CodePage932::decode(value).left(qMax(state().statusBufferSize - 1, 0));
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
    return state().initialized;
}
int statusBufferSize() {
    return state().statusBufferSize;
}
void addTrustedCaCertificates(const QList<QSslCertificate>& certificates) {
    state().trustedCaCertificates += certificates;
}
void setReplyTimeoutMs(int milliseconds) {
    state().limits.timeoutMs = milliseconds;
}
void setMaxMessageBytes(qsizetype bytes) {
    state().limits.maxMessageBytes = bytes;
}
} // namespace NMailLibrary

bool NMailInitializeWinSock() {
    state().initialized = true;
    return true;
}

bool NMailSetOption(int option, int value) {
    if (!state().initialized || option != NMailOptionStatusBufferSize || value < 1)
        return false;
    state().statusBufferSize = value;
    return true;
}

bool NMailEndWinSock() {
    const bool wasInitialized = state().initialized;
    for (auto& [handle, session] : state().sessions)
        session->close();
    state().sessions.clear();
    state().initialized = false;
    state().statusBufferSize = NMailLibrary::defaultStatusBufferSize;
    return wasInitialized;
}

int NMailPop3Connect(const QString& server) {
    if (!state().initialized)
        return failed(MailFailure::notInitialized()), -1;
    const auto address = parseServerAddress(server);
    if (!address)
        return failed(MailFailure::badAddress(server)), -1;
    auto session =
        std::make_unique<Pop3Session>(*address, state().limits, state().trustedCaCertificates);
    if (auto failure = session->open()) {
        session->close();
        return failed(*failure), -1;
    }
    const int handle = state().nextHandle++;
    state().sessions.emplace(handle, std::move(session));
    return handle;
}

int NMailPop3Authenticate(int handle, const QString& id, const QString& password, int apop) {
    Pop3Session* pop3 = session(handle);
    if (!pop3)
        return state().lastFailure.code;
    qint64 count = 0;
    if (auto failure = pop3->login(serverBytes(id), serverBytes(password), apop != 0, count))
        return failed(*failure);
    return static_cast<int>(count);
}

int NMailPop3GetMailStatus(int handle, int number, QString& subject, QString& from, QString& date,
                           QString& to, int) {
    const QByteArray* message = nullptr;
    if (const int code = fetch(handle, number, message))
        return code;
    fillStatus(*message, subject, from, date, to);
    return 0;
}

int NMailPop3GetMailSize(int handle, int number) {
    Pop3Session* pop3 = session(handle);
    if (!pop3)
        return state().lastFailure.code;
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
    if (const int code = fetch(handle, number, fetched))
        return code;
    fillStatus(*fetched, subject, from, date, to);
    message = *fetched;
    return static_cast<int>(message.size());
}

int NMailGetMessage(int code, QString& text, int& size) {
    const QString full = code == 0 ? state().lastFailure.text : MailFailure::meaningOf(code);
    if (code != 0 && full.isEmpty())
        return -1;
    text = full.left(qMax(size - 1, 0));
    size = static_cast<int>(text.size());
    return size;
}

int NMailPop3Close(int handle) {
    Pop3Session* pop3 = session(handle);
    if (!pop3)
        return state().lastFailure.code;
    pop3->close();
    state().sessions.erase(handle);
    return 0;
}
