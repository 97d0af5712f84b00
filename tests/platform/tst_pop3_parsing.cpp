#include "platform/pop3/Pop3Parsing.h"
#include "platform/pop3/ServerAddress.h"

#include <QTest>

using Security = ServerAddress::Security;

class TestPop3Parsing : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void serverAddresses_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("security");
        const int starttls = int(Security::StartTlsWhenOffered);
        QTest::newRow("host") << "pop.example.jp"
                              << "pop.example.jp" << 110 << starttls;
        QTest::newRow("blanks") << "  pop.example.jp "
                                << "pop.example.jp" << 110 << starttls;
        QTest::newRow("host:port") << "pop.example.jp:1110"
                                   << "pop.example.jp" << 1110 << starttls;
        QTest::newRow("pop3s") << "POP3S://pop.example.jp"
                               << "pop.example.jp" << 995 << int(Security::ImplicitTls);
        QTest::newRow("pop3s with port") << "pop3s://pop.example.jp:1995/"
                                         << "pop.example.jp" << 1995 << int(Security::ImplicitTls);
        QTest::newRow("pop3") << "pop3://127.0.0.1:2110"
                              << "127.0.0.1" << 2110 << int(Security::Plain);
        QTest::newRow("bare IPv6") << "::1"
                                   << "::1" << 110 << starttls;
        QTest::newRow("bracketed IPv6") << "[::1]:2110"
                                        << "::1" << 2110 << starttls;
        QTest::newRow("pop3s IPv6") << "pop3s://[fe80::1]"
                                    << "fe80::1" << 995 << int(Security::ImplicitTls);
    }
    void serverAddresses() {
        QFETCH(QString, text);
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(int, security);
        const auto address = parseServerAddress(text);
        QVERIFY(address);
        QCOMPARE(address->host, host);
        QCOMPARE(int(address->port), port);
        QCOMPARE(int(address->security), security);
    }

    void badServerAddresses_data() {
        QTest::addColumn<QString>("text");
        for (const char* text : {"", "pop3s://", "host:", "host:0", "host:65536", "host:x", "[::1",
                                 "[::1]x", "two words", "pop3://a/b"})
            QTest::newRow(text) << QString::fromLatin1(text);
    }
    void badServerAddresses() {
        QFETCH(QString, text);
        QVERIFY(!parseServerAddress(text));
    }

    void statusLines() {
        QCOMPARE(Pop3::parseStatusLine("+OK 2 320")->text, QByteArray("2 320"));
        QVERIFY(Pop3::parseStatusLine("+OK")->ok);
        QVERIFY(!Pop3::parseStatusLine("-ERR [AUTH] no")->ok);
        QCOMPARE(Pop3::parseStatusLine("-ERR [AUTH] no")->text, QByteArray("[AUTH] no"));
        for (const char* broken : {"", "OK", "+ok", "+OKAY", "-ERROR x", " +OK"})
            QVERIFY2(!Pop3::parseStatusLine(broken), broken);
    }

    void figures() {
        QCOMPARE(Pop3::parseStat("2 320")->count, 2);
        QCOMPARE(Pop3::parseStat("  0 0 extra")->octets, 0);
        QCOMPARE(Pop3::parseListEntry("7 123456")->octets, 123456);
        for (const char* broken :
             {"", "2", "two 3", "-1 5", "1 -5", "1 5x", "99999999999999999999 1"})
            QVERIFY2(!Pop3::parseStat(broken), broken);
        QVERIFY(!Pop3::parseListEntry("0 10"));
    }

    // An id is 1 to 70 characters from 0x21 to 0x7E, and nothing follows it.
    void uniqueIdEntries() {
        const QByteArray longest(70, '~');
        QCOMPARE(Pop3::parseUniqueIdEntry("1 " + longest)->id, longest);
        const auto tabbed = Pop3::parseUniqueIdEntry(" 12\t!Qhd:00W<x> \r");
        QCOMPARE(tabbed->number, 12);
        QCOMPARE(tabbed->id, QByteArray("!Qhd:00W<x>"));
        for (const QByteArray& broken :
             {"1 " + longest + '~', QByteArray("1 "), QByteArray("0 a"), QByteArray("x a"),
              QByteArray("1 a b"), QByteArray("1 a\x7f"), QByteArray("1 \x80"),
              QByteArray("1 a\0b", 5)})
            QVERIFY2(!Pop3::parseUniqueIdEntry(broken), broken.toPercentEncoding().constData());
    }

    void apopTimestamps() {
        QCOMPARE(*Pop3::apopTimestamp("POP3 ready <1896.697170952@dbc.mtview.ca.us>"),
                 QByteArray("<1896.697170952@dbc.mtview.ca.us>"));
        QCOMPARE(*Pop3::apopTimestamp("<x> <a b@c> <1@h>"), QByteArray("<1@h>"));
        for (const char* none : {"ready", "<no-at>", "<@host>", "<user@>", "<a b@c>", "<a@b"})
            QVERIFY2(!Pop3::apopTimestamp(none), none);
    }

    // A server whose greeting ended in CR LF ends every line so: a lone LF is data, and neither
    // "\n.\n" nor a "+OK" line inside a message ends it.
    // Keeping the header alone, what is kept ends with the header's empty line; the length still
    // counts the whole data.
    void multiLineDataIsUnstuffedAcrossChunks_data() {
        using Keep = Pop3::MultiLineReader::Keep;
        QTest::addColumn<bool>("crLfOnly");
        QTest::addColumn<Keep>("keep");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("length");
        QTest::newRow("LF alone ends lines")
            << false << Keep::All
            << QByteArray("Subject: x\r\n..\r\n...two\r\n. \r\nend\n.\r\n+OK next")
            << QByteArray("Subject: x\r\n.\r\n..two\r\n \r\nend\n") << 29;
        QTest::newRow("only CR LF ends lines")
            << true << Keep::All
            << QByteArray("a\n.\nb\n..\nc\r\n+OK x\n\r\n..\r\n.\n.\r\n.\r\n+OK next")
            << QByteArray("a\n.\nb\n..\nc\r\n+OK x\n\r\n.\r\n\n.\r\n") << 27;
        QTest::newRow("header, LF alone")
            << false << Keep::Header << QByteArray("A: 1\n \nB: 2\r\n\nbody\n\n.\n+OK next")
            << QByteArray("A: 1\n \nB: 2\r\n\n") << 20;
        QTest::newRow("header, only CR LF")
            << true << Keep::Header << QByteArray("A: 1\n\r\n\r\r\n\r\nbody\r\n.\r\n+OK next")
            << QByteArray("A: 1\n\r\n\r\r\n\r\n") << 18;
    }
    void multiLineDataIsUnstuffedAcrossChunks() {
        QFETCH(bool, crLfOnly);
        QFETCH(Pop3::MultiLineReader::Keep, keep);
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, data);
        QFETCH(int, length);
        // However the bytes arrive, the data is the same and the next reply stays buffered.
        for (qsizetype chunk = 1; chunk <= reply.size(); ++chunk) {
            Pop3::ReadBuffer buffer;
            if (crLfOnly)
                buffer.endLinesWithCrLfOnly();
            Pop3::MultiLineReader reader(1024, keep);
            auto progress = Pop3::MultiLineReader::Progress::NeedMore;
            for (qsizetype at = 0; at < reply.size(); at += chunk) {
                buffer.append(QByteArrayView(reply).sliced(at, qMin(chunk, reply.size() - at)));
                if (progress == Pop3::MultiLineReader::Progress::NeedMore)
                    progress = reader.consume(buffer);
            }
            QCOMPARE(progress, Pop3::MultiLineReader::Progress::Done);
            QCOMPARE(reader.data(), data);
            QCOMPARE(reader.length(), length);
            QVERIFY(!buffer.takeLine());
            QCOMPARE(buffer.partialLineBytes(), 8);
        }
    }

    void multiLineDataIsBounded() {
        Pop3::ReadBuffer buffer;
        Pop3::MultiLineReader reader(100);
        buffer.append(QByteArray(101, 'x')); // one endless line
        QCOMPARE(reader.consume(buffer), Pop3::MultiLineReader::Progress::TooLarge);
    }

    void headerValues() {
        const QByteArray message = "Received: x\r\nsubject: first\r\n second\r\n\tthird \r\n"
                                   "From:  a@example.jp\r\nTo: b@example.jp,\r\n c@example.jp\r\n"
                                   "Subject: later one\r\nX-To: no\r\n\r\nTo: in the body\r\n";
        const Pop3::HeaderValues values = Pop3::extractHeaderValues(message);
        QCOMPARE(values.subject, QByteArray("first second\tthird"));
        QCOMPARE(values.from, QByteArray("a@example.jp"));
        QCOMPARE(values.to, QByteArray("b@example.jp, c@example.jp"));
        QCOMPARE(values.date, QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestPop3Parsing)
#include "tst_pop3_parsing.moc"
