#include "FixtureProcess.h"
#include "LastMailFailure.h"

#include "platform/NMail.h"
#include "platform/NMailLibrary.h"
#include "platform/pop3/MailFailure.h"
#include "platform/pop3/Pop3Session.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QHostInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <net/route.h>
#include <netinet/in.h>
#include <optional>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int replyTimeoutMs = 1500;
constexpr qsizetype maxMessageBytes = 8 * 1024 * 1024;
// Every wait ends after the reply timeout; a few of them in a row still end well within this.
constexpr qint64 boundMs = 4 * replyTimeoutMs;

struct Status {
    QString subject, from, date, to;
};

// The process's peak resident memory, after starting the peak afresh from now when reset.
qint64 peakResidentKiB(bool reset) {
    if (reset) {
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5");
    }
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// "localhost" names ::1 before 127.0.0.1 only where /etc/hosts says so, so this process (and the
// resolver threads it starts later) gets a mount namespace of its own with a hosts file that does.
// Nothing when that worked, else why not.
QString useOwnHostsFile(const QString& folder) {
    const QString path = folder + QStringLiteral("/hosts");
    QFile hosts(path);
    if (!hosts.open(QIODevice::WriteOnly) ||
        hosts.write("::1 localhost\n127.0.0.1 localhost\n") < 0)
        return hosts.errorString();
    hosts.close();
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) ||
        mount(QFile::encodeName(path).constData(), "/etc/hosts", nullptr, MS_BIND, nullptr))
        return QString::fromLocal8Bit(std::strerror(errno));
    return {};
}

// A network of this thread's own while it lasts, where nothing leaves the machine: loopback down,
// and a route that rejects TEST-NET-1 (192.0.2.0/24). Sockets made meanwhile stay in it.
class OwnNetwork {
public:
    OwnNetwork() {
        const int home = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        if (home < 0 || unshare(CLONE_NEWNET) != 0) {
            m_problem = QString::fromLocal8Bit(std::strerror(errno));
            if (home >= 0)
                close(home);
            return;
        }
        m_home = home;
        if (!rejectTestNet())
            m_problem = QString::fromLocal8Bit(std::strerror(errno));
    }
    ~OwnNetwork() {
        if (m_home < 0)
            return;
        if (setns(m_home, CLONE_NEWNET) != 0)
            qFatal("cannot return to the machine's network: %s", std::strerror(errno));
        close(m_home);
    }
    OwnNetwork(const OwnNetwork&) = delete;
    OwnNetwork& operator=(const OwnNetwork&) = delete;

    // Why there is none, or nothing.
    const QString& problem() const { return m_problem; }

private:
    static bool rejectTestNet() {
        rtentry route{};
        const auto ipv4 = [](sockaddr& address, in_addr_t value) {
            reinterpret_cast<sockaddr_in&>(address) = {AF_INET, 0, {htonl(value)}, {}};
        };
        ipv4(route.rt_dst, 0xC0000200);
        ipv4(route.rt_genmask, 0xFFFFFF00);
        route.rt_flags = RTF_UP | RTF_REJECT;
        const int control = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const bool added = control >= 0 && ioctl(control, SIOCADDRT, &route) == 0;
        if (control >= 0)
            close(control);
        return added;
    }

    int m_home = -1;
    QString m_problem;
};

} // namespace

// A scripted server plays what real servers never do; each fault ends with the right result and
// a text that says what happened, within the reply timeout.
class TestPop3Hostile : public QObject {
    Q_OBJECT
private:
    FixtureProcess m_server;
    QJsonObject m_ports;
    int m_controlPort = 0;
    bool m_deadIpv6 = false;
    QString m_hostsFileProblem;
    QElapsedTimer m_clock;

    // The commands the scenario's last connection received, as the server recorded them.
    QStringList transcript(const char* scenario) {
        QTcpSocket control;
        control.connectToHost(QStringLiteral("127.0.0.1"), quint16(m_controlPort));
        control.waitForConnected(5000);
        control.write(QByteArray(scenario) + '\n');
        while (!control.canReadLine() && control.waitForReadyRead(5000)) {
        }
        QStringList lines;
        for (const QJsonValue line : QJsonDocument::fromJson(control.readLine()).array())
            lines << line.toString();
        return lines;
    }

    // A whole check as the program makes it: the count, then status, size and message of each;
    // with uidl, the ids asked for before the first message.
    int check(const char* scenario, const QString& user, int apop, bool uidl = false) {
        const int handle = connectTo(scenario);
        if (handle == -1)
            return -1;
        const int count = NMailPop3Authenticate(handle, user, QStringLiteral("secret"), apop);
        QStringList uids;
        if (uidl && count >= 0)
            NMailPop3GetUidl(handle, uids);
        for (int number = 1; number <= count; ++number) {
            Status status;
            QByteArray message;
            NMailPop3GetMailStatus(handle, number, status.subject, status.from, status.date,
                                   status.to, 0);
            NMailPop3GetMailSize(handle, number);
            NMailPop3GetMail(handle, number, status.subject, status.from, status.date, status.to,
                             message, 0, 0);
        }
        NMailPop3Close(handle);
        return count;
    }

    QString address(const char* scenario, const char* scheme = "pop3://") {
        const int port = m_ports.value(QLatin1String(scenario)).toInt();
        return QLatin1String(scheme) + QStringLiteral("127.0.0.1:%1").arg(port);
    }

    int connectTo(const char* scenario, const char* scheme = "pop3://") {
        m_clock.start();
        return NMailPop3Connect(address(scenario, scheme));
    }

    int loggedIn(const char* scenario, const char* scheme = "pop3://") {
        const int handle = connectTo(scenario, scheme);
        if (handle == -1)
            return -1;
        const int count =
            NMailPop3Authenticate(handle, QStringLiteral("user"), QStringLiteral("secret"), 0);
        return count < 0 ? -1 : handle;
    }

    void expectFailure(const QString& phrase) {
        const QString text = lastFailureText();
        QVERIFY2(text.contains(phrase), qPrintable(text));
        QVERIFY2(text.count(u'\n') <= 1, qPrintable(text));
        QVERIFY2(m_clock.elapsed() < boundMs, qPrintable(QString::number(m_clock.elapsed())));
    }

private Q_SLOTS:
    void initTestCase() {
        m_hostsFileProblem = useOwnHostsFile(m_server.folder()); // before any thread starts
        QVERIFY(NMailInitializeWinSock());
        NMailLibrary::setReplyTimeoutMs(replyTimeoutMs);
        NMailLibrary::setMaxMessageBytes(maxMessageBytes);
        const QJsonObject ready =
            m_server.start(QStringLiteral("hostile_pop3.py"), {m_server.folder()}, 30'000);
        QVERIFY2(!ready.isEmpty(), "the scripted server did not start");
        m_ports = ready.value(QStringLiteral("ports")).toObject();
        m_controlPort = ready.value(QStringLiteral("control")).toInt();
        m_deadIpv6 = ready.value(QStringLiteral("dead_ipv6")).toBool();
        QVERIFY(NMailLibrary::addTrustedCaCertificateFile(
            ready.value(QStringLiteral("ca")).toString()));
    }

    void brokenGreetingsFailTheConnect_data() {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<QString>("phrase");
        QTest::newRow("garbage") << "garbage_greeting" << QStringLiteral("応答が正しくありません");
        QTest::newRow("endless line") << "endless_greeting" << QStringLiteral("大きすぎる");
        QTest::newRow("refusal") << "refusing_greeting"
                                 << QStringLiteral("too busy, come back later");
        QTest::newRow("silence") << "silent_after_connect" << QStringLiteral("応答がありません");
        QTest::newRow("no line end")
            << "line_without_end_then_silence" << QStringLiteral("応答がありません");
        QTest::newRow("endless CAPA") << "endless_capa_line" << QStringLiteral("大きすぎる");
        QTest::newRow("STLS refused")
            << "stls_refused" << QStringLiteral("TLS not available today");
        QTest::newRow("TLS never starts")
            << "stls_handshake_never_finishes" << QStringLiteral("応答がありません");
        QTest::newRow("a reply dripping a byte at a time")
            << "drip_status" << QStringLiteral("応答がありません");
        QTest::newRow("expired certificate")
            << "expired_pop3s" << QStringLiteral("有効期限が切れています");
    }
    void brokenGreetingsFailTheConnect() {
        QFETCH(QString, scenario);
        QFETCH(QString, phrase);
        const char* scheme = scenario.startsWith(QLatin1String("stls"))  ? ""
                             : scenario.endsWith(QLatin1String("pop3s")) ? "pop3s://"
                                                                         : "pop3://";
        QCOMPARE(connectTo(qPrintable(scenario), scheme), -1);
        expectFailure(phrase);
    }

    void unreachableServersAreNamed() {
        // A name no resolver could find, refused before any query leaves the machine.
        m_clock.start();
        QCOMPARE(NMailPop3Connect(QStringLiteral("nowhere..invalid")), -1);
        expectFailure(QStringLiteral("nowhere..invalid"));
        QVERIFY(lastFailureText().contains(QStringLiteral("見つかりません")));

        m_clock.start();
        QCOMPARE(NMailPop3Connect(QStringLiteral("pop3s://")), -1);
        expectFailure(QStringLiteral("正しくありません"));

        // An IPv6 host's scope ("%2") is part of its name, not a place for the port to fill.
        const QString scoped = QStringLiteral("fe80::1%2");
        QVERIFY(MailFailure::connectionRefused(scoped, 110)
                    .text.contains(QStringLiteral("「fe80::1%2」のポート 110 に")));
        QVERIFY(MailFailure::tooSlow(scoped, 5, 30)
                    .text.contains(QStringLiteral("「fe80::1%2」からの受信が 30 秒間に 5 バイト")));
    }

    // The system's reasons come in Japanese, as the rest of the text; namespaces the test makes
    // give real ones.
    void socketReasonsAreJapanese_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<bool>("ownNetwork");
        QTest::addColumn<QString>("reason");
        QTest::newRow("refused port") << "127.0.0.1:1" << false << QStringLiteral("拒否されました");
        QTest::newRow("network unreachable")
            << "127.0.0.1:110" << true << QStringLiteral("ネットワークに到達できません");
        QTest::newRow("host unreachable")
            << "192.0.2.1:110" << true << QStringLiteral("サーバーまでの経路がありません");
    }
    void socketReasonsAreJapanese() {
        QFETCH(QString, server);
        QFETCH(bool, ownNetwork);
        QFETCH(QString, reason);
        std::optional<OwnNetwork> network;
        if (ownNetwork && !network.emplace().problem().isEmpty())
            QSKIP(qPrintable(QStringLiteral("no network of our own here: ") + network->problem()));
        m_clock.start();
        const int handle = NMailPop3Connect(server);
        network.reset();
        QCOMPARE(handle, -1);
        expectFailure(reason);
        const QString why = lastFailureText().section(u'\n', 1);
        QVERIFY2(!why.contains(QRegularExpression(QStringLiteral("[A-Za-z]"))), qPrintable(why));
    }

    // Broken IPv6 in front of working IPv4, common at home, costs a moment, not the reply time.
    void aDeadAddressIsPassedOver() {
        if (!m_deadIpv6)
            QSKIP("no IPv6 loopback here");
        const QList<QHostAddress> found =
            QHostInfo::fromName(QStringLiteral("localhost")).addresses();
        if (found.size() < 2 || found.first() != QHostAddress(QHostAddress::LocalHostIPv6))
            QSKIP(
                qPrintable(QStringLiteral("localhost does not name ::1 first here (hosts file: %1)")
                               .arg(m_hostsFileProblem.isEmpty() ? QStringLiteral("ours")
                                                                 : m_hostsFileProblem)));
        m_clock.start();
        const int handle =
            NMailPop3Connect(QStringLiteral("pop3://localhost:%1")
                                 .arg(m_ports.value(QStringLiteral("behind_dead_ipv6")).toInt()));
        QVERIFY2(handle != -1, qPrintable(lastFailureText()));
        const auto close = qScopeGuard([handle] { NMailPop3Close(handle); });
        QCOMPARE(NMailPop3Authenticate(handle, QStringLiteral("user"), QStringLiteral("secret"), 0),
                 1);
        QVERIFY2(m_clock.elapsed() < 1000, qPrintable(QString::number(m_clock.elapsed())));
    }

    // Each reply crawls in a byte at a time but whole within its own reply time: a slow server,
    // not a broken one, however long the login takes in all.
    void aCrawlingLoginIsServed() {
        const int handle = connectTo("crawling_login");
        QVERIFY2(handle != -1, qPrintable(lastFailureText()));
        const auto close = qScopeGuard([handle] { NMailPop3Close(handle); });
        QCOMPARE(NMailPop3Authenticate(handle, QStringLiteral("user"), QStringLiteral("secret"), 0),
                 1);
    }

    // So is a server that answers every command late, with the library's own reply time. It
    // takes minutes: its own CTest test (tst_pop3_late_replies) names it; a run of all skips it.
    void aServerThatAnswersLateIsServed() {
        if (!QCoreApplication::arguments().contains(QLatin1String(QTest::currentTestFunction())))
            QSKIP("takes minutes: run by its own test, tst_pop3_late_replies");
        NMailLibrary::setReplyTimeoutMs(Pop3Session::Limits().timeoutMs);
        const auto restore = qScopeGuard([] { NMailLibrary::setReplyTimeoutMs(replyTimeoutMs); });
        const int handle = connectTo("late_replies");
        QVERIFY2(handle != -1, qPrintable(lastFailureText()));
        const auto close = qScopeGuard([handle] { NMailPop3Close(handle); });
        QCOMPARE(NMailPop3Authenticate(handle, QStringLiteral("u"), QStringLiteral("p"), 0), 1);
        Status status;
        QByteArray message;
        QCOMPARE(NMailPop3GetMail(handle, 1, status.subject, status.from, status.date, status.to,
                                  message, 0, 0),
                 NMailPop3GetMailSize(handle, 1));
        QVERIFY(message.startsWith("Subject: message 1\r\n"));
        QVERIFY(message.endsWith("\r\n\r\nline 0 of message 1\r\nline 1 of message 1\r\n"
                                 "line 2 of message 1\r\n"));
        qInfo("served in %lld s", m_clock.elapsed() / 1000);
    }

    void apopNeedsAWellFormedTimestamp_data() {
        QTest::addColumn<QString>("scenario");
        QTest::newRow("no timestamp") << "no_timestamp";
        QTest::newRow("malformed timestamps") << "malformed_timestamp";
    }
    void apopNeedsAWellFormedTimestamp() {
        QFETCH(QString, scenario);
        const int handle = connectTo(qPrintable(scenario));
        QVERIFY(handle != -1);
        QCOMPARE(NMailPop3Authenticate(handle, QStringLiteral("u"), QStringLiteral("p"), -1),
                 NMailErrorApopUnavailable);
        expectFailure(QStringLiteral("APOP"));
        QCOMPARE(NMailPop3Close(handle), 0);
    }

    void loginRefusalsSayWhy_data() {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("phrase");
        QTest::newRow("plain refusal") << "refused_login"
                                       << "u" << QStringLiteral("[AUTH] Authentication failed.");
        QTest::newRow("Shift_JIS reply")
            << "sjis_refusal"
            << "u" << QStringLiteral("サーバーの応答: パスワードが違います");
        QTest::newRow("[IN-USE]") << "rfc3206"
                                  << "in-use" << QStringLiteral("他のメールソフトが使用中");
        QTest::newRow("[SYS/TEMP]") << "rfc3206"
                                    << "sys-temp" << QStringLiteral("一時的な問題");
        QTest::newRow("[SYS/PERM]") << "rfc3206"
                                    << "sys-perm" << QStringLiteral("管理者");
        QTest::newRow("[AUTH]") << "rfc3206"
                                << "auth" << QStringLiteral("IDかパスワードが違います");
    }
    void loginRefusalsSayWhy() {
        QFETCH(QString, scenario);
        QFETCH(QString, user);
        QFETCH(QString, phrase);
        const int handle = connectTo(qPrintable(scenario));
        QVERIFY(handle != -1);
        QCOMPARE(NMailPop3Authenticate(handle, user, QStringLiteral("p"), 0),
                 NMailErrorLoginRefused);
        expectFailure(phrase);
        // The handle is still in step: a later call gets its own answer, not a stale reply.
        QCOMPARE(NMailPop3GetMailSize(handle, 1), NMailErrorNoSuchMessage);
        QStringList uids;
        QCOMPARE(NMailPop3GetUidl(handle, uids), NMailErrorNotLoggedIn);
        QCOMPARE(NMailPop3Close(handle), 0);
        QCOMPARE(NMailPop3Close(handle), NMailErrorBadHandle);
    }

    // Typed with the input method on, "ｔａｒｏ" looks like "taro": a refusal says what it holds,
    // never showing the password.
    void fullWidthCredentialsAreNamed_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("note");
        QTest::newRow("full-width ID")
            << QStringLiteral("ｔａｒｏ") << QStringLiteral("secret")
            << QStringLiteral("IDに全角文字（ｔ など）が含まれています。半角で入力してください。");
        QTest::newRow("ideographic space after the ID")
            << QStringLiteral("taro　") << QStringLiteral("secret")
            << QStringLiteral("IDに全角文字（全角スペース など）が含まれています。");
        QTest::newRow("full-width password")
            << QStringLiteral("taro") << QStringLiteral("ｓｅｃｒｅｔ")
            << QStringLiteral("パスワードに全角文字が含まれています。半角で入力してください。");
        QTest::newRow("half-width")
            << QStringLiteral("taro") << QStringLiteral("secret") << QString();
    }
    void fullWidthCredentialsAreNamed() {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, note);
        const int handle = connectTo("refused_login");
        QVERIFY(handle != -1);
        const auto close = qScopeGuard([handle] { NMailPop3Close(handle); });
        QCOMPARE(NMailPop3Authenticate(handle, user, password, 0), NMailErrorLoginRefused);
        const QString text = lastFailureText();
        QVERIFY2(text.contains(QStringLiteral("[AUTH] Authentication failed.")), qPrintable(text));
        QVERIFY2(note.isEmpty() ? !text.contains(QStringLiteral("全角")) : text.contains(note),
                 qPrintable(text));
        QVERIFY2(!text.contains(u'ｓ'), qPrintable(text));
    }

    void wrongFiguresFailTheLogin_data() {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<int>("code");
        QTest::newRow("words for a count") << "word_stat" << NMailErrorProtocol;
        QTest::newRow("absurd count") << "absurd_stat" << NMailErrorTooLarge;
        QTest::newRow("negative count") << "negative_stat" << NMailErrorProtocol;
        QTest::newRow("listing past the count") << "listing_beyond_stat" << NMailErrorProtocol;
        QTest::newRow("status without its sign") << "status_without_sign" << NMailErrorProtocol;
    }
    void wrongFiguresFailTheLogin() {
        QFETCH(QString, scenario);
        QFETCH(int, code);
        const int handle = connectTo(qPrintable(scenario));
        QVERIFY(handle != -1);
        QCOMPARE(NMailPop3Authenticate(handle, QStringLiteral("u"), QStringLiteral("p"), 0), code);
        QVERIFY(m_clock.elapsed() < boundMs);
        QVERIFY(NMailPop3GetMailSize(handle, 1) < 0);
        QCOMPARE(NMailPop3Close(handle), 0);
    }

    void repliesWithBareLineFeedsWork() {
        const int handle = connectTo("bare_lf_replies");
        QVERIFY(handle != -1);
        QCOMPARE(NMailPop3Authenticate(handle, QStringLiteral("u"), QStringLiteral("p"), 0), 2);
        Status status;
        QByteArray message;
        QVERIFY(NMailPop3GetMail(handle, 2, status.subject, status.from, status.date, status.to,
                                 message, 0, 0) > 0);
        QCOMPARE(status.subject, QStringLiteral("message 2"));
        QVERIFY(message.contains("line 2 of message 2"));
        QCOMPARE(NMailPop3Close(handle), 0);
    }

    void announcedSizesAreNotTrusted() {
        Status status;
        QByteArray message;
        int handle = loggedIn("longer_than_announced");
        QVERIFY(handle != -1);
        QCOMPARE(NMailPop3GetMailSize(handle, 1), 10);
        QVERIFY(NMailPop3GetMail(handle, 1, status.subject, status.from, status.date, status.to,
                                 message, 0, 0) > 400'000);
        QVERIFY(message.endsWith("line 19999 of message 1\r\n"));
        NMailPop3Close(handle);

        handle = loggedIn("shorter_than_announced");
        QVERIFY(handle != -1);
        QCOMPARE(NMailPop3GetMailSize(handle, 1), 100000);
        QVERIFY(NMailPop3GetMail(handle, 1, status.subject, status.from, status.date, status.to,
                                 message, 0, 0) < 300);
        QCOMPARE(status.subject, QStringLiteral("message 1"));
        NMailPop3Close(handle);

        handle = loggedIn("absurd_sizes");
        QVERIFY(handle != -1);
        QCOMPARE(NMailPop3GetMailSize(handle, 1), NMailErrorTooLarge);
        QVERIFY(NMailPop3GetMail(handle, 1, status.subject, status.from, status.date, status.to,
                                 message, 0, 0) > 0);
        QVERIFY(message.contains("line 2 of message 1"));
        NMailPop3Close(handle);
    }

    void dotsAreUnstuffedAndHeadersUnfolded() {
        const int handle = loggedIn("dotted_lines");
        QVERIFY(handle != -1);
        Status status;
        QByteArray message;
        NMailPop3GetMail(handle, 1, status.subject, status.from, status.date, status.to, message, 0,
                         0);
        QCOMPARE(message, QByteArray("Subject: dots\r\n\tfolded\r\nTo: x@example.jp\r\n\r\n"
                                     ".\r\n..\r\n. \r\n.leading\r\nlast\r\n"));
        QCOMPARE(status.subject, QStringLiteral("dots\tfolded"));
        QCOMPARE(status.to, QStringLiteral("x@example.jp"));
        QCOMPARE(status.from, QString());
        NMailPop3Close(handle);
    }

    // In a session whose greeting ended in CR LF, a lone LF is data: each message comes back
    // byte for byte, and the "+OK" lines inside the first are not taken for replies.
    void loneLineFeedsAreDataInACrLfSession() {
        const int handle = loggedIn("lone_line_feeds");
        QVERIFY(handle != -1);
        const QByteArray expected[] = {
            "Subject: lone line feeds\r\n\r\nfirst\n.\nsecond\n..\nthird\r\n+OK 2 200\r\n"
            ".leading\n+OK fake\n\r\nend\r\n",
            "Subject: two\r\n\r\nthe second message\r\n"};
        for (int number = 1; number <= 2; ++number) {
            Status status;
            QByteArray message;
            QVERIFY(NMailPop3GetMail(handle, number, status.subject, status.from, status.date,
                                     status.to, message, 0, 0) > 0);
            QCOMPARE(message, expected[number - 1]);
        }
        NMailPop3Close(handle);
    }

    void statusTextsAreBoundedByTheOption() {
        const int handle = loggedIn("huge_headers");
        QVERIFY(handle != -1);
        Status status;
        QVERIFY(NMailSetOption(NMailOptionStatusBufferSize, 100));
        QCOMPARE(NMailPop3GetMailStatus(handle, 1, status.subject, status.from, status.date,
                                        status.to, 0),
                 0);
        QCOMPARE(status.subject, QString(99, QLatin1Char('s')));
        QVERIFY(status.to.startsWith(QStringLiteral("user0@example.jp, user1@example.jp, ")));
        QCOMPARE(status.to.size(), 99);
        QVERIFY(NMailSetOption(NMailOptionStatusBufferSize, 8192));
        QByteArray message;
        NMailPop3GetMail(handle, 1, status.subject, status.from, status.date, status.to, message, 0,
                         0);
        QCOMPARE(status.subject.size(), 8191);
        QVERIFY(message.endsWith("\r\n\r\nbody\r\n"));
        NMailPop3Close(handle);
    }

    void aLostConnectionFailsEveryLaterCallAtOnce() {
        const int handle = loggedIn("dropped_mid_message");
        QVERIFY(handle != -1);
        Status status;
        QCOMPARE(NMailPop3GetMailStatus(handle, 1, status.subject, status.from, status.date,
                                        status.to, 0),
                 NMailErrorConnectionFailed);
        expectFailure(QStringLiteral("切れました"));
        QElapsedTimer later;
        later.start();
        QByteArray message;
        QCOMPARE(NMailPop3GetMailSize(handle, 1), NMailErrorConnectionFailed);
        QCOMPARE(NMailPop3GetMail(handle, 2, status.subject, status.from, status.date, status.to,
                                  message, 0, 0),
                 NMailErrorConnectionFailed);
        QVERIFY(later.elapsed() < 100);
        QCOMPARE(NMailPop3Close(handle), 0);
    }

    void stalledDrippingAndEndlessMessagesEnd_data() {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("phrase");
        QTest::newRow("silent") << "silent_mid_message" << NMailErrorTimedOut
                                << QStringLiteral("応答がありません");
        QTest::newRow("dripping") << "drip_message" << NMailErrorTimedOut
                                  << QStringLiteral("遅すぎます");
        QTest::newRow("endless") << "endless_message" << NMailErrorTooLarge
                                 << QStringLiteral("大きすぎる");
    }
    void stalledDrippingAndEndlessMessagesEnd() {
        QFETCH(QString, scenario);
        QFETCH(int, code);
        QFETCH(QString, phrase);
        Status status;
        QByteArray message;
        const int handle = loggedIn(qPrintable(scenario));
        QVERIFY(handle != -1);
        QCOMPARE(NMailPop3GetMail(handle, 1, status.subject, status.from, status.date, status.to,
                                  message, 0, 0),
                 code);
        expectFailure(phrase);
        NMailPop3Close(handle);
    }

    void aRefusedMessageLeavesTheOthers_data() {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<int>("refused");
        QTest::newRow("one command at a time") << "refuses_one_message" << 1;
        QTest::newRow("in a pipelined batch") << "err_mid_pipeline" << 3;
    }
    void aRefusedMessageLeavesTheOthers() {
        QFETCH(QString, scenario);
        QFETCH(int, refused);
        const int handle = connectTo(qPrintable(scenario));
        QVERIFY(handle != -1);
        const int count =
            NMailPop3Authenticate(handle, QStringLiteral("u"), QStringLiteral("p"), 0);
        QVERIFY(count > refused);
        for (int number = 1; number <= count; ++number) {
            Status status;
            QByteArray message;
            const int result = NMailPop3GetMail(handle, number, status.subject, status.from,
                                                status.date, status.to, message, 0, 0);
            if (number == refused) {
                QCOMPARE(result, NMailErrorServerRefused);
                expectFailure(QStringLiteral("message %1 is locked").arg(number));
            } else {
                QVERIFY(result > 0);
                QCOMPARE(status.subject, QStringLiteral("message %1").arg(number));
            }
        }
        QCOMPARE(NMailPop3Close(handle), 0);
    }

    // Asking for the ids first changes nothing of the fetches, whether the server lists them or
    // has no UIDL.
    void everyMessageArrivesWholeAndInOrder_data() {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("uidl"); // what NMailPop3GetUidl returns first; 0: not asked
        QTest::newRow("pipelined") << "pipelined" << 300 << 0;
        QTest::newRow("without CAPA, by RETR") << "without_capa" << 2 << 0;
        QTest::newRow("pipelined, UIDL refused") << "pipelined" << 300 << NMailErrorServerRefused;
        QTest::newRow("UIDL without PIPELINING") << "uidl_listed" << 3 << 3;
    }
    void everyMessageArrivesWholeAndInOrder() {
        QFETCH(QString, scenario);
        QFETCH(int, count);
        QFETCH(int, uidl);
        const int handle = connectTo(qPrintable(scenario));
        QVERIFY(handle != -1);
        QCOMPARE(NMailPop3Authenticate(handle, QStringLiteral("u"), QStringLiteral("p"), 0), count);
        if (uidl != 0) {
            QStringList uids, expected;
            QCOMPARE(NMailPop3GetUidl(handle, uids), uidl);
            for (int number = 1; number <= uidl; ++number)
                expected << QStringLiteral("uid-%1").arg(number);
            QCOMPARE(uids, expected);
        }
        for (int number = 1; number <= count; ++number) {
            Status status;
            QByteArray message;
            QCOMPARE(NMailPop3GetMailStatus(handle, number, status.subject, status.from,
                                            status.date, status.to, 0),
                     0);
            const int size = NMailPop3GetMailSize(handle, number);
            QCOMPARE(NMailPop3GetMail(handle, number, status.subject, status.from, status.date,
                                      status.to, message, 0, 0),
                     size);
            QCOMPARE(status.subject, QStringLiteral("message %1").arg(number));
            QVERIFY(
                message.startsWith(QByteArray("Subject: message ") + QByteArray::number(number)));
        }
        QCOMPARE(NMailPop3Close(handle), 0);
    }

    // A listing read to its end that breaks RFC 1939 fails and leaves the connection in step; one
    // that never ends fails within the reply time and ends the connection.
    void brokenUidListingsFail_data() {
        QTest::addColumn<QString>("fault"); // the user name that asks the server for it
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("phrase");
        const int protocol = NMailErrorProtocol;
        QTest::newRow("a number missing")
            << "missing" << protocol << QStringLiteral("UIDL の一覧にメッセージ 2 がありません");
        QTest::newRow("a number twice") << "repeated" << protocol << QStringLiteral("内容: 2 x");
        QTest::newRow("an id of 71 characters")
            << "long-id" << protocol << QStringLiteral("内容: 2 iiiiiiii");
        QTest::newRow("a number beyond the count")
            << "beyond" << protocol << QStringLiteral("内容: 4 d");
        QTest::newRow("garbage") << "garbage" << protocol << QStringLiteral("HELLO?");
        QTest::newRow("stops coming")
            << "stalled" << NMailErrorTimedOut << QStringLiteral("応答がありません");
        QTest::newRow("keeps coming")
            << "endless" << NMailErrorTooLarge << QStringLiteral("大きすぎる");
    }
    void brokenUidListingsFail() {
        QFETCH(QString, fault);
        QFETCH(int, code);
        QFETCH(QString, phrase);
        const int handle = connectTo("bad_uidl");
        QVERIFY(handle != -1);
        const auto close = qScopeGuard([handle] { NMailPop3Close(handle); });
        QCOMPARE(NMailPop3Authenticate(handle, fault, QStringLiteral("p"), 0), 3);
        QStringList uids;
        QCOMPARE(NMailPop3GetUidl(handle, uids), code);
        expectFailure(phrase);
        Status status;
        QByteArray message;
        const int fetched = NMailPop3GetMail(handle, 1, status.subject, status.from, status.date,
                                             status.to, message, 0, 0);
        QVERIFY2((fetched > 0) == (code == NMailErrorProtocol), qPrintable(lastFailureText()));
    }

    void startTlsUpgradesAndDropsInjectedText_data() {
        QTest::addColumn<QString>("scenario");
        QTest::newRow("working STLS") << "stls_working";
        QTest::newRow("plain text after the STLS reply") << "stls_plaintext_injected";
    }
    void startTlsUpgradesAndDropsInjectedText() {
        QFETCH(QString, scenario);
        const int handle = connectTo(qPrintable(scenario), "");
        QVERIFY2(handle != -1, qPrintable(lastFailureText()));
        QCOMPARE(NMailPop3Authenticate(handle, QStringLiteral("u"), QStringLiteral("p"), 0), 3);
        QCOMPARE(NMailPop3Close(handle), 0);
    }

    void theServerGetsExactlyTheseCommands_data() {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<QString>("user");
        QTest::addColumn<int>("apop");
        QTest::addColumn<bool>("uidl");
        QTest::addColumn<QStringList>("expected");
        const QString top = QStringLiteral("TOP %1 ") + QString::number(maxMessageBytes + 1);
        QStringList pipelined = {QStringLiteral("CAPA"), QStringLiteral("USER u"),
                                 QStringLiteral("PASS secret"), QStringLiteral("STAT"),
                                 QStringLiteral("LIST")};
        for (int number = 1; number <= 300; ++number)
            pipelined << top.arg(number);
        QTest::newRow("USER, PASS, TOP pipelined")
            << "pipelined"
            << "u" << 0 << false << pipelined + QStringList{QStringLiteral("QUIT")};
        // One UIDL, after the login's reply and before the first fetch, however many messages.
        QStringList withUidl = pipelined;
        withUidl.insert(withUidl.indexOf(QStringLiteral("LIST")) + 1, QStringLiteral("UIDL"));
        QTest::newRow("UIDL once, before the fetches")
            << "pipelined"
            << "u" << 0 << true << withUidl + QStringList{QStringLiteral("QUIT")};
        QTest::newRow("RETR without CAPA")
            << "without_capa"
            << "u" << 0 << false
            << QStringList{QStringLiteral("CAPA"),        QStringLiteral("USER u"),
                           QStringLiteral("PASS secret"), QStringLiteral("STAT"),
                           QStringLiteral("LIST"),        QStringLiteral("RETR 1"),
                           QStringLiteral("RETR 2"),      QStringLiteral("QUIT")};
        const QByteArray digest =
            QCryptographicHash::hash("<4711.1700000000@hostile>secret", QCryptographicHash::Md5)
                .toHex();
        QTest::newRow("APOP, no password in the clear")
            << "apop_only"
            << "u" << -1 << false
            << QStringList{QStringLiteral("CAPA"),
                           QStringLiteral("APOP u ") + QLatin1String(digest),
                           QStringLiteral("STAT"),
                           QStringLiteral("LIST"),
                           top.arg(1),
                           QStringLiteral("QUIT")};
        const QByteArray plain = QByteArrayLiteral("\0001000\0secret").toBase64();
        QTest::newRow("AUTH PLAIN")
            << "long_line"
            << "1000" << 0 << false
            << QStringList{QStringLiteral("CAPA"),
                           QStringLiteral("AUTH PLAIN ") + QLatin1String(plain),
                           QStringLiteral("STAT"),
                           QStringLiteral("LIST"),
                           top.arg(1),
                           QStringLiteral("QUIT")};
    }
    void theServerGetsExactlyTheseCommands() {
        QFETCH(QString, scenario);
        QFETCH(QString, user);
        QFETCH(int, apop);
        QFETCH(bool, uidl);
        QFETCH(QStringList, expected);
        QVERIFY2(check(qPrintable(scenario), user, apop, uidl) > 0, qPrintable(lastFailureText()));
        // Nothing sent behind a login command is lost ("DROPPED ..."), as some servers lose it.
        QCOMPARE(transcript(qPrintable(scenario)), expected);
    }

    void longLinesArriveWholeOrEndAtTheCap_data() {
        QTest::addColumn<qint64>("lineBytes");
        QTest::newRow("4 MiB line") << qint64(4) * 1024 * 1024;
        QTest::newRow("256 MiB line, past the cap") << qint64(256) * 1024 * 1024;
    }
    void longLinesArriveWholeOrEndAtTheCap() {
        QFETCH(qint64, lineBytes);
        const int handle = connectTo("long_line");
        QVERIFY(handle != -1);
        QCOMPARE(NMailPop3Authenticate(handle, QString::number(lineBytes), QStringLiteral("p"), 0),
                 1);
        Status status;
        QByteArray message;
        const int result = NMailPop3GetMail(handle, 1, status.subject, status.from, status.date,
                                            status.to, message, 0, 0);
        if (lineBytes < maxMessageBytes) {
            QCOMPARE(result, NMailPop3GetMailSize(handle, 1));
            QCOMPARE(status.subject, QStringLiteral("one long line"));
            QCOMPARE(message.count('\n'), 6);
        } else {
            QCOMPARE(result, NMailErrorTooLarge);
            expectFailure(QStringLiteral("大きすぎる"));
        }
        NMailPop3Close(handle);
    }

    // A caller that throws messages away (the check) holds none of them: a 256 MiB message is
    // read whole, counted and dropped, for the memory of its headers.
    void droppedMessagesCostNoMemory() {
        constexpr qint64 lineBytes = qint64(256) * 1024 * 1024;
        NMailLibrary::setMaxMessageBytes(2 * lineBytes);
        QVERIFY(NMailSetOption(NMailOptionKeepMessages, 0));
        const auto restore = qScopeGuard([] {
            NMailSetOption(NMailOptionKeepMessages, 1);
            NMailLibrary::setMaxMessageBytes(maxMessageBytes);
        });
        const int handle = connectTo("long_line");
        QVERIFY(handle != -1);
        QCOMPARE(NMailPop3Authenticate(handle, QString::number(lineBytes), QStringLiteral("p"), 0),
                 1);
        const qint64 before = peakResidentKiB(true);
        Status status;
        QByteArray message;
        QCOMPARE(NMailPop3GetMailStatus(handle, 1, status.subject, status.from, status.date,
                                        status.to, 0),
                 0);
        const int result = NMailPop3GetMail(handle, 1, status.subject, status.from, status.date,
                                            status.to, message, 0, 0);
        const qint64 grown = peakResidentKiB(false) - before;
        const int announced = NMailPop3GetMailSize(handle, 1);
        NMailPop3Close(handle);
        QVERIFY2(result > lineBytes, qPrintable(lastFailureText()));
        QCOMPARE(result, announced);
        QVERIFY(message.isEmpty());
        QCOMPARE(status.subject, QStringLiteral("one long line"));
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer keeps freed memory in quarantine: no memory figure here");
#endif
        QVERIFY2(grown < 16 * 1024, qPrintable(QStringLiteral("%1 KiB").arg(grown)));
    }

    void closingDuringAWaitEndsTheWait_data() {
        QTest::addColumn<bool>("endLibrary");
        QTest::newRow("NMailPop3Close") << false;
        QTest::newRow("NMailEndWinSock") << true;
    }
    void closingDuringAWaitEndsTheWait() {
        QFETCH(bool, endLibrary);
        const int handle = loggedIn("silent_mid_message");
        QVERIFY(handle != -1);
        int busyResult = 0;
        // What a window closed mid-check does, from an event the wait delivers.
        QTimer::singleShot(100, [&] {
            busyResult = NMailPop3GetMailSize(handle, 1);
            if (endLibrary)
                NMailEndWinSock();
            else
                NMailPop3Close(handle);
        });
        m_clock.start();
        Status status;
        QByteArray message;
        QCOMPARE(NMailPop3GetMail(handle, 1, status.subject, status.from, status.date, status.to,
                                  message, 0, 0),
                 NMailErrorBadHandle);
        QVERIFY(m_clock.elapsed() < replyTimeoutMs);
        QVERIFY2(lastFailureText().contains(QStringLiteral("閉じられました")),
                 qPrintable(lastFailureText()));
        QCOMPARE(busyResult, NMailErrorBusy);
        QCOMPARE(NMailPop3Close(handle),
                 endLibrary ? NMailErrorNotInitialized : NMailErrorBadHandle);
        QVERIFY(NMailInitializeWinSock());
    }

    void quitsReplyIsAwaited() {
        QVERIFY(check("slow_quit", QStringLiteral("u"), 0) == 1);
        QVERIFY2(m_clock.elapsed() >= 500, "closed before the reply to QUIT came");
        QCOMPARE(transcript("slow_quit").last(), QStringLiteral("QUIT"));
    }

    void notSetUpMeansNoConnection() {
        QVERIFY(NMailEndWinSock());
        QCOMPARE(NMailPop3Connect(address("stls_working")), -1);
        QVERIFY(lastFailureText().contains(QStringLiteral("初期化")));
        QVERIFY(NMailInitializeWinSock());
    }
};

QTEST_GUILESS_MAIN(TestPop3Hostile)
#include "tst_pop3_hostile.moc"
