#include "platform/pop3/MailFailure.h"

#include "platform/CodePage932.h"
#include "platform/pop3/MailErrorCodes.h"

#include <QStringDecoder>

namespace {

constexpr qsizetype maxQuotedCharacters = 200;

// A server writes its replies in UTF-8 or, in Japan, often in Shift-JIS; bytes that are not
// valid UTF-8 are read as code page 932.
QString decodeReply(QByteArrayView reply) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(reply);
    return utf8.hasError() ? CodePage932::decode(reply) : text;
}

// What the server said, cut short at a whole character and stripped of control characters so
// that a hostile reply cannot garble the message box.
QString quoted(const QByteArray& reply) {
    QString text = decodeReply(reply);
    const bool cut = text.size() > maxQuotedCharacters;
    text.truncate(maxQuotedCharacters);
    if (!text.isEmpty() && text.back().isHighSurrogate())
        text.chop(1);
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control)
            c = u'?';
    if (cut)
        text += QStringLiteral("…");
    return text.isEmpty() ? QStringLiteral("（空の応答）") : text;
}

// The meaning of a response code in brackets at the start of a reply (RFC 2449, RFC 3206), or
// nothing for a reply without one.
QString responseCodeMeaning(const QByteArray& reply) {
    static const std::pair<const char*, const char*> meanings[] = {
        {"[IN-USE]",
         "メールボックスを他のメールソフトが使用中です。そちらが終わってから確かめてください。"},
        {"[LOGIN-DELAY]",
         "前回の接続から間もないため断られました。しばらく待ってから確かめてください。"},
        {"[SYS/TEMP]", "サーバーに一時的な問題があります。しばらくしてから確かめてください。"},
        {"[SYS/PERM]",
         "サーバーの問題でメールボックスを使えません。サーバーの管理者に問い合わせてください。"},
        {"[AUTH]", "IDかパスワードが違います。確かめてください。"},
    };
    for (const auto& [code, meaning] : meanings)
        if (reply.startsWith(code) || reply.startsWith(QByteArray(code).toLower()))
            return QString::fromUtf8(meaning);
    return {};
}

MailFailure failure(int code, const QString& text) {
    return {code, text};
}

} // namespace

MailFailure MailFailure::notInitialized() {
    return failure(MailErrorCodes::notInitialized, meaningOf(MailErrorCodes::notInitialized));
}

MailFailure MailFailure::badHandle() {
    return failure(MailErrorCodes::badHandle, meaningOf(MailErrorCodes::badHandle));
}

MailFailure MailFailure::badAddress(const QString& server) {
    return failure(MailErrorCodes::hostNotFound,
                   QStringLiteral("POP3サーバー名「%1」が正しくありません。\n"
                                  "「host」「host:port」「pop3s://host」の形で指定してください。")
                       .arg(server));
}

MailFailure MailFailure::hostNotFound(const QString& host) {
    return failure(
        MailErrorCodes::hostNotFound,
        QStringLiteral("POP3サーバー「%1」が見つかりません。\nサーバー名を確かめてください。")
            .arg(host));
}

MailFailure MailFailure::connectionRefused(const QString& host, quint16 port) {
    return failure(
        MailErrorCodes::connectionFailed,
        QStringLiteral("POP3サーバー「%1」のポート %2 に接続できません。\n接続を拒否されました。")
            .arg(host, QString::number(port)));
}

MailFailure MailFailure::connectionFailed(const QString& host, const QString& reason) {
    return failure(MailErrorCodes::connectionFailed,
                   QStringLiteral("POP3サーバー「%1」に接続できません。\n%2").arg(host, reason));
}

MailFailure MailFailure::connectionLost(const QString& host) {
    return failure(MailErrorCodes::connectionFailed,
                   QStringLiteral("POP3サーバー「%1」との接続が途中で切れました。").arg(host));
}

MailFailure MailFailure::timedOut(const QString& host, int seconds) {
    return failure(MailErrorCodes::timedOut,
                   QStringLiteral("POP3サーバー「%1」から %2 秒間応答がありません。\n"
                                  "接続を打ち切りました。")
                       .arg(host, QString::number(seconds)));
}

MailFailure MailFailure::tooSlow(const QString& host, qint64 bytes, int seconds) {
    return failure(MailErrorCodes::timedOut,
                   QStringLiteral("POP3サーバー「%1」からの受信が %2 秒間に %3 バイトしかなく、"
                                  "遅すぎます。\n接続を打ち切りました。")
                       .arg(host, QString::number(seconds), QString::number(bytes)));
}

MailFailure MailFailure::closedWhileWaiting() {
    return failure(MailErrorCodes::badHandle,
                   QStringLiteral("POP3サーバーの応答を待っている間に接続が閉じられました。"));
}

MailFailure MailFailure::busy() {
    return failure(MailErrorCodes::busy, meaningOf(MailErrorCodes::busy));
}

MailFailure MailFailure::certificateRejected(const QString& host, const QString& reasons) {
    return failure(
        MailErrorCodes::tls,
        QStringLiteral("POP3サーバー「%1」の証明書を受け入れられません。\n%2").arg(host, reasons));
}

MailFailure MailFailure::tlsFailed(const QString& host, const QString& reason) {
    return failure(MailErrorCodes::tls,
                   QStringLiteral("POP3サーバー「%1」と暗号化通信（TLS）を始められません。\n%2")
                       .arg(host, reason));
}

MailFailure MailFailure::startTlsRefused(const QString& host, const QByteArray& reply) {
    return failure(MailErrorCodes::tls,
                   QStringLiteral("POP3サーバー「%1」が暗号化通信（STLS）を断りました。\n"
                                  "サーバーの応答: %2")
                       .arg(host, quoted(reply)));
}

MailFailure MailFailure::protocol(const QString& host, const QByteArray& received) {
    return failure(MailErrorCodes::protocol,
                   QStringLiteral("POP3サーバー「%1」の応答が正しくありません。\n受信した内容: %2")
                       .arg(host, quoted(received)));
}

MailFailure MailFailure::missingFromListing(const QString& host, const QByteArray& command,
                                            qint64 number) {
    return failure(MailErrorCodes::protocol,
                   QStringLiteral("POP3サーバー「%1」の応答が正しくありません。\n"
                                  "%2 の一覧にメッセージ %3 がありません。")
                       .arg(host, QString::fromLatin1(command), QString::number(number)));
}

MailFailure MailFailure::greetingRefused(const QString& host, const QByteArray& reply) {
    return failure(MailErrorCodes::serverRefused,
                   QStringLiteral("POP3サーバー「%1」が接続を断りました。%2\nサーバーの応答: %3")
                       .arg(host, responseCodeMeaning(reply), quoted(reply)));
}

MailFailure MailFailure::unsendableCredentials() {
    return failure(MailErrorCodes::loginRefused,
                   QStringLiteral("IDかパスワードに改行などの送れない文字が含まれています。"));
}

MailFailure MailFailure::loginRefused(const QByteArray& reply) {
    QString meaning = responseCodeMeaning(reply);
    if (meaning.isEmpty())
        meaning = QStringLiteral("IDとパスワードを確かめてください。");
    return failure(
        MailErrorCodes::loginRefused,
        QStringLiteral("ログインできません。%1\nサーバーの応答: %2").arg(meaning, quoted(reply)));
}

MailFailure MailFailure::alreadyLoggedIn() {
    return failure(MailErrorCodes::alreadyLoggedIn, meaningOf(MailErrorCodes::alreadyLoggedIn));
}

MailFailure MailFailure::notLoggedIn() {
    return failure(MailErrorCodes::notLoggedIn, meaningOf(MailErrorCodes::notLoggedIn));
}

MailFailure MailFailure::apopUnavailable() {
    return failure(MailErrorCodes::apopUnavailable, meaningOf(MailErrorCodes::apopUnavailable));
}

MailFailure MailFailure::noSuchMessage(qint64 number) {
    return failure(MailErrorCodes::noSuchMessage,
                   QStringLiteral("メッセージ %1 はメールボックスにありません。").arg(number));
}

MailFailure MailFailure::serverRefused(const QByteArray& command, const QByteArray& reply) {
    return failure(
        MailErrorCodes::serverRefused,
        QStringLiteral("POP3サーバーが %1 コマンドを断りました。%2\nサーバーの応答: %3")
            .arg(QString::fromLatin1(command), responseCodeMeaning(reply), quoted(reply)));
}

MailFailure MailFailure::tooLarge(const QString& host) {
    return failure(
        MailErrorCodes::tooLarge,
        QStringLiteral("POP3サーバー「%1」の応答が大きすぎるため、受信を打ち切りました。")
            .arg(host));
}

QString MailFailure::meaningOf(int code) {
    switch (code) {
    case MailErrorCodes::notInitialized:
        return QStringLiteral("メールライブラリが初期化されていません。");
    case MailErrorCodes::badHandle:
        return QStringLiteral("POP3サーバーに接続していません。");
    case MailErrorCodes::hostNotFound:
        return QStringLiteral("POP3サーバーが見つかりません。");
    case MailErrorCodes::connectionFailed:
        return QStringLiteral("POP3サーバーに接続できないか、接続が切れました。");
    case MailErrorCodes::timedOut:
        return QStringLiteral("POP3サーバーから応答がありません。");
    case MailErrorCodes::tls:
        return QStringLiteral("POP3サーバーと安全に通信できません（証明書または TLS の問題）。");
    case MailErrorCodes::protocol:
        return QStringLiteral("POP3サーバーの応答が正しくありません。");
    case MailErrorCodes::loginRefused:
        return QStringLiteral("ログインできません。IDとパスワードを確かめてください。");
    case MailErrorCodes::apopUnavailable:
        return QStringLiteral("POP3サーバーが APOP に対応していません。\n"
                              "サーバー設定で APOP を使わないようにしてください。");
    case MailErrorCodes::noSuchMessage:
        return QStringLiteral("そのメッセージはメールボックスにありません。");
    case MailErrorCodes::serverRefused:
        return QStringLiteral("POP3サーバーがコマンドを断りました。");
    case MailErrorCodes::tooLarge:
        return QStringLiteral("POP3サーバーの応答が大きすぎます。");
    case MailErrorCodes::alreadyLoggedIn:
        return QStringLiteral("この接続はもうログインしています。");
    case MailErrorCodes::busy:
        return QStringLiteral("この接続は別の呼び出しがサーバーの応答を待っている最中です。");
    case MailErrorCodes::notLoggedIn:
        return QStringLiteral("この接続はまだログインしていません。");
    default:
        return {};
    }
}
