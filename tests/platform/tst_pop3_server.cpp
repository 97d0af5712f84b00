#include "FixtureProcess.h"
#include "LastMailFailure.h"

#include "platform/NMail.h"
#include "platform/NMailLibrary.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpSocket>
#include <QTest>

namespace {

struct Message {
    QString subject, from, date, to;
    int size = 0;
    QByteArray data;
};

} // namespace

// The library against a real server on loopback (the fixture named by POP3_FIXTURE: Dovecot or
// Courier's pop3d), over every kind of connection it offers.
class TestPop3Server : public QObject {
    Q_OBJECT
private:
    FixtureProcess m_fixture;
    QJsonObject m_server;

    QString server(const char* scheme, const char* host, const char* portKey) const {
        return QStringLiteral("%1%2:%3")
            .arg(QLatin1String(scheme), QLatin1String(host))
            .arg(m_server.value(QLatin1String(portKey)).toInt());
    }

    // One whole check as the program makes it: the count, then every message in order; given
    // uids, the ids are asked for before the first message.
    QList<Message> check(const QString& address, const char* user, int apop = 0,
                         QStringList* uids = nullptr) {
        QList<Message> messages;
        const int handle = NMailPop3Connect(address);
        if (handle == -1) {
            qWarning("%s", qPrintable(lastFailureText()));
            return messages;
        }
        const int count =
            NMailPop3Authenticate(handle, QLatin1String(user), QStringLiteral("secret"), apop);
        if (uids && NMailPop3GetUidl(handle, *uids) < 0)
            qWarning("%s", qPrintable(lastFailureText()));
        for (int number = 1; number <= count; ++number) {
            Message message;
            NMailPop3GetMailStatus(handle, number, message.subject, message.from, message.date,
                                   message.to, 0);
            message.size = NMailPop3GetMailSize(handle, number);
            NMailPop3GetMail(handle, number, message.subject, message.from, message.date,
                             message.to, message.data, 0, 0);
            messages.append(message);
        }
        NMailPop3Close(handle);
        return messages;
    }

    int expectedCount(const char* user) const {
        return m_server.value(QStringLiteral("users"))
            .toObject()
            .value(QLatin1String(user))
            .toInt();
    }

    // The server's UIDL listing, read without the library over a plain connection of its own.
    QStringList listedIds(const char* user) {
        QTcpSocket pop3;
        pop3.connectToHost(QStringLiteral("127.0.0.1"),
                           quint16(m_server.value(QStringLiteral("pop3")).toInt()));
        const auto line = [&pop3] {
            while (!pop3.canReadLine() && pop3.waitForReadyRead(10'000)) {
            }
            return pop3.readLine().trimmed();
        };
        line(); // the greeting
        for (const QByteArray& command :
             {"USER " + QByteArray(user), QByteArray("PASS secret"), QByteArray("UIDL")}) {
            pop3.write(command + "\r\n");
            if (!line().startsWith("+OK"))
                return {};
        }
        QStringList ids;
        for (QByteArray entry = line(); !entry.isEmpty() && entry != "."; entry = line())
            ids << QString::fromLatin1(entry.split(' ').value(1));
        return ids;
    }

    QJsonObject unseen(const char* user) {
        QProcess query;
        query.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral(POMARIN_FIXTURES_DIR "/dovecot.py"), QStringLiteral("unseen"),
                     QStringLiteral("--port"),
                     QString::number(m_server.value(QStringLiteral("imap")).toInt()),
                     QStringLiteral("--user"), QLatin1String(user)});
        query.waitForFinished(30'000);
        return QJsonDocument::fromJson(query.readAllStandardOutput()).object();
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(NMailInitializeWinSock());
        NMailLibrary::setReplyTimeoutMs(10'000);
        m_server =
            m_fixture.start(QStringLiteral(POP3_FIXTURE), {QStringLiteral("serve")}, 120'000);
        QVERIFY2(!m_server.isEmpty(), "the private server did not start");
        if (m_server.contains(QStringLiteral("unavailable")))
            QSKIP(qPrintable(m_server.value(QStringLiteral("unavailable")).toString()));
        QVERIFY(NMailLibrary::addTrustedCaCertificateFile(
            m_server.value(QStringLiteral("ca")).toString()));
    }

    void everyKindOfConnectionChecksTheMailbox_data() {
        QTest::addColumn<QString>("address");
        QTest::newRow("plain") << server("pop3://", "127.0.0.1", "pop3");
        QTest::newRow("STLS, by name") << server("", "localhost", "pop3");
        QTest::newRow("STLS, by address") << server("", "127.0.0.1", "pop3");
        if (m_server.value(QStringLiteral("pop3s")).isDouble())
            QTest::newRow("POP3S") << server("pop3s://", "localhost", "pop3s");
        if (m_server.value(QStringLiteral("pop3_v6")).isDouble())
            QTest::newRow("IPv6") << server("", "[::1]", "pop3_v6");
    }
    void everyKindOfConnectionChecksTheMailbox() {
        QFETCH(QString, address);
        const QList<Message> messages = check(address, "small");
        QCOMPARE(messages.size(), 3);
        const QJsonArray sizes = m_server.value(QStringLiteral("sizes"))
                                     .toObject()
                                     .value(QStringLiteral("small"))
                                     .toArray();
        for (qsizetype i = 0; i < messages.size(); ++i) {
            QCOMPARE(messages[i].size, sizes[i].toInt());
            QCOMPARE(messages[i].data.size(), messages[i].size);
        }
        QCOMPARE(messages[0].subject, QStringLiteral("first part second part"));
        QCOMPARE(messages[0].from, QStringLiteral("Alice Example <alice@example.org>"));
        QCOMPARE(messages[0].to, QStringLiteral("Small User <small@localhost>"));
        QVERIFY(messages[0].date.endsWith(QStringLiteral("+0900")));
        QVERIFY(
            messages[1].data.contains("\r\n\r\n.starts with one dot\r\n..starts with two dots\r\n"
                                      ".\r\nafter a line with only a dot\r\n...\r\nend\r\n"));
        QVERIFY(messages[2].subject.startsWith(QStringLiteral("=?ISO-2022-JP?B?")));
        QVERIFY(messages[2].to.contains(QStringLiteral(", =?ISO-2022-JP?B?")));
    }

    // Asked before the first message, the ids are those the server lists on another connection,
    // and the check goes on whole.
    void uniqueIdsAreTheServersOwn_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("user");
        QTest::newRow("plain") << server("pop3://", "127.0.0.1", "pop3") << "small";
        QTest::newRow("STLS") << server("", "localhost", "pop3") << "small";
        if (m_server.value(QStringLiteral("pop3s")).isDouble())
            QTest::newRow("POP3S") << server("pop3s://", "localhost", "pop3s") << "small";
        QTest::newRow("1,000 messages") << server("", "localhost", "pop3") << "thousand";
    }
    void uniqueIdsAreTheServersOwn() {
        QFETCH(QString, address);
        QFETCH(QString, user);
        QStringList uids;
        const QList<Message> messages = check(address, qPrintable(user), 0, &uids);
        QCOMPARE(messages.size(), expectedCount(qPrintable(user)));
        for (const Message& message : messages)
            QCOMPARE(message.data.size(), message.size);
        QCOMPARE(uids.size(), messages.size());
        QCOMPARE(uids, listedIds(qPrintable(user)));
    }

    void apopLogsIn() {
        if (!m_server.value(QStringLiteral("apop")).toBool())
            QSKIP("this server offers no APOP; the scripted server covers it");
        QCOMPARE(check(server("pop3://", "127.0.0.1", "pop3"), "small", -1).size(), 3);
    }

    void aWrongPasswordIsRefusedWithTheServersReply() {
        const int handle = NMailPop3Connect(server("", "localhost", "pop3"));
        QVERIFY(handle != -1);
        QCOMPARE(NMailPop3Authenticate(handle, QStringLiteral("small"), QStringLiteral("wrong"), 0),
                 NMailErrorLoginRefused);
        const QString reply = lastFailureText().section(QStringLiteral("サーバーの応答: "), 1);
        QVERIFY2(reply.contains(QStringLiteral("failed"), Qt::CaseInsensitive),
                 qPrintable(lastFailureText()));
        QCOMPARE(NMailPop3Close(handle), 0);
    }

    void largeMailboxesArriveWhole_data() {
        QTest::addColumn<QString>("user");
        QTest::newRow("empty") << "empty";
        QTest::newRow("1,000 messages") << "thousand";
        QTest::newRow("a 5 MB message") << "big";
    }
    void largeMailboxesArriveWhole() {
        QFETCH(QString, user);
        const QList<Message> messages = check(server("", "localhost", "pop3"), qPrintable(user));
        QCOMPARE(messages.size(), expectedCount(qPrintable(user)));
        qint64 octets = 0;
        for (qsizetype i = 0; i < messages.size(); ++i) {
            QCOMPARE(messages[i].data.size(), messages[i].size);
            QCOMPARE(messages[i].subject, QStringLiteral("Message %1").arg(i + 1));
            octets += messages[i].data.size();
        }
        QCOMPARE(octets,
                 m_server.value(QStringLiteral("octets")).toObject().value(user).toInteger());
    }

    void aCheckLeavesTheMailUnreadAndInPlace() {
        if (!m_server.value(QStringLiteral("imap")).isDouble())
            QSKIP("only the Dovecot fixture serves IMAP to look with");
        QCOMPARE(check(server("", "localhost", "pop3"), "small").size(), 3);
        QCOMPARE(check(server("", "localhost", "pop3"), "small").size(), 3);
        const QJsonObject flags = unseen("small");
        QCOMPARE(flags.value(QStringLiteral("total")).toInt(), 3);
        QCOMPARE(flags.value(QStringLiteral("unseen")).toInt(), 3);
    }

    void certificatesThatDoNotProveTheServerAreRefused_data() {
        QTest::addColumn<QString>("listener");
        QTest::addColumn<QString>("reason");
        QTest::newRow("for another host")
            << "pop3s_wrong_host" << QStringLiteral("このサーバー名のものではありません");
        QTest::newRow("self-signed") << "pop3s_self_signed" << QStringLiteral("自己署名");
    }
    void certificatesThatDoNotProveTheServerAreRefused() {
        QFETCH(QString, listener);
        QFETCH(QString, reason);
        if (!m_server.value(listener).isObject())
            QSKIP("only the Dovecot fixture has these listeners");
        const QJsonObject where = m_server.value(listener).toObject();
        const QString address = QStringLiteral("pop3s://%1:%2")
                                    .arg(where.value(QStringLiteral("host")).toString())
                                    .arg(where.value(QStringLiteral("port")).toInt());
        QCOMPARE(NMailPop3Connect(address), -1);
        QVERIFY2(lastFailureText().contains(reason), qPrintable(lastFailureText()));
        QVERIFY(lastFailureText().contains(QStringLiteral("証明書")));
    }
};

QTEST_GUILESS_MAIN(TestPop3Server)
#include "tst_pop3_server.moc"
