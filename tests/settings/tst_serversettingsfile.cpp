#include "settings/ReadProblems.h"
#include "settings/ServerSettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

namespace {

const QString fileName = QStringLiteral("vbmail.ini");

QByteArray fileContent() {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QByteArray& content) {
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), content.size());
}

SettingsStore loaded(const QByteArray& content) {
    writeFile(content);
    SettingsStore store;
    LoadServerSettings(store);
    return store;
}

} // namespace

class TestServerSettingsFile : public QObject {
    Q_OBJECT
private:
    // A folder of its own for each test: a file's read problems are said once per path.
    std::unique_ptr<QTemporaryDir> m_dir;

private Q_SLOTS:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(m_dir->path()));
    }

    void savesTheEmptyRecordIn29Bytes() {
        QCOMPARE(SaveServerSettings({}), std::nullopt);
        QCOMPARE(fileContent(), QByteArray("SMTP=\r\nPOP3=\r\nMAIL=\r\nAPOP=0\r\n"));
        QCOMPARE(fileContent().size(), 29);
    }

    void savedSettingsLoadBack() {
        SettingsStore saved;
        saved.SmtpServer = QStringLiteral(" smtp.example.jp ");
        saved.Pop3Server = QStringLiteral("pop3s://pop.example.jp:995");
        saved.MailAddress = QStringLiteral("ぽまりん <pomarin@example.jp>");
        saved.ApopFlag = 1;
        QCOMPARE(SaveServerSettings(ServerSettingsChanges::allOf(saved)), std::nullopt);
        QVERIFY(fileContent().contains("MAIL=\x82\xDB\x82\xDC\x82\xE8\x82\xF1 <pomarin@"));

        SettingsStore store;
        LoadServerSettings(store);
        QCOMPARE(store.SmtpServer, saved.SmtpServer);
        QCOMPARE(store.Pop3Server, saved.Pop3Server);
        QCOMPARE(store.MailAddress, saved.MailAddress);
        QCOMPARE(store.ApopFlag, qint16(1));
    }

    void readsLinesByTheirPrefixes() {
        const SettingsStore store = loaded("# other text\r\n"
                                           "APOP=1\r\n"
                                           "MAIL=first@example.jp\r\n"
                                           "pop3=lower.example.jp\r\n"
                                           " SMTP=indented.example.jp\r\n"
                                           "POP3=pop.example.jp\r\n"
                                           "MAIL=last@example.jp\r\n"
                                           "SMTP\r\n");
        QCOMPARE(store.Pop3Server, QStringLiteral("pop.example.jp"));
        QCOMPARE(store.MailAddress, QStringLiteral("last@example.jp"));
        QCOMPARE(store.SmtpServer, QString());
        QCOMPARE(store.ApopFlag, qint16(1));
    }

    void endsLinesAtCrLfCrOrLf() {
        const SettingsStore store = loaded("SMTP=a\rPOP3=b\nMAIL=c\r\n\r\nAPOP=1");
        QCOMPARE(store.SmtpServer, QStringLiteral("a"));
        QCOMPARE(store.Pop3Server, QStringLiteral("b"));
        QCOMPARE(store.MailAddress, QStringLiteral("c"));
        QCOMPARE(store.ApopFlag, qint16(1));
    }

    void emptyValuesAndMissingLinesKeepTheirMeaning() {
        writeFile("POP3=\r\n");
        SettingsStore store;
        store.Pop3Server = QStringLiteral("before");
        store.SmtpServer = QStringLiteral("kept");
        LoadServerSettings(store);
        QCOMPARE(store.Pop3Server, QString());
        QCOMPARE(store.SmtpServer, QStringLiteral("kept"));

        QCOMPARE(loaded("").Pop3Server, QString());
        QFile::remove(fileName);
        store.Pop3Server = QStringLiteral("unchanged");
        LoadServerSettings(store);
        QCOMPARE(store.Pop3Server, QStringLiteral("unchanged"));
    }

    void cutsValuesAtAHundredCharacters() {
        // 150 double-byte characters: the cut counts characters, not bytes.
        QByteArray wide;
        for (int i = 0; i < 150; ++i)
            wide += "\x82\xA0"; // "あ"
        const SettingsStore store = loaded("SMTP=" + QByteArray(150, 's') + "\r\nMAIL=" + wide);
        QCOMPARE(store.SmtpServer, QString(100, QLatin1Char('s')));
        QCOMPARE(store.MailAddress, QString(100, QChar(0x3042)));
    }

    void readsApopAsTheLeadingNumber_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("flag");
        QTest::newRow("one") << QStringLiteral("1") << 1;
        QTest::newRow("zero") << QStringLiteral("0") << 0;
        QTest::newRow("nothing") << QString() << 0;
        QTest::newRow("a letter") << QStringLiteral("x1") << 0;
        QTest::newRow("leading blanks") << QStringLiteral("  1") << 1;
        QTest::newRow("trailing text") << QStringLiteral("3 times") << 3;
        QTest::newRow("half rounds to even, down") << QStringLiteral("0.5") << 0;
        QTest::newRow("half rounds to even, up") << QStringLiteral("1.5") << 2;
        QTest::newRow("two and a half") << QStringLiteral("2.5") << 2;
        QTest::newRow("negative") << QStringLiteral("-1") << -1;
        QTest::newRow("exponent") << QStringLiteral("1e2") << 100;
        QTest::newRow("exponent without digits") << QStringLiteral("2e") << 2;
        QTest::newRow("past 16 bits means on") << QStringLiteral("99999") << 1;
        QTest::newRow("far past 16 bits") << QStringLiteral("1e400") << 1;
        QTest::newRow("far below 16 bits") << QStringLiteral("-40000") << 1;
        QTest::newRow("too small to hold") << QStringLiteral("1e-400") << 0;
        QTest::newRow("plus sign") << QStringLiteral("+1") << 1;
        QTest::newRow("full-width digit is no digit") << QStringLiteral("１") << 0;
    }
    void readsApopAsTheLeadingNumber() {
        QFETCH(QString, value);
        QFETCH(int, flag);
        QCOMPARE(int(apopFlagFromText(value)), flag);
        writeFile("APOP=" + value.toUtf8() + "\r\n");
        SettingsStore store;
        LoadServerSettings(store);
        if (value.isEmpty() || value.at(0).unicode() < 0x80)
            QCOMPARE(int(store.ApopFlag), flag);
    }

    // The file has four short lines: one past 16 KiB is said to be too large and read not at all,
    // never as far as a cut line.
    void largeFilesAreReportedNotCut_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("pop3");
        const QByteArray line = "POP3=pop3://127.0.0.1:31110\n";
        const QByteArray filled = line.repeated(16 * 1024 / line.size());
        QTest::newRow("16 KiB") << filled + QByteArray(16 * 1024 - filled.size(), '\n')
                                << QStringLiteral("pop3://127.0.0.1:31110");
        QTest::newRow("a byte more, cut in a line")
            << line.repeated(16 * 1024 / line.size() + 1) << QString();
        QTest::newRow("64 MiB of line feeds") << QByteArray(64 * 1024 * 1024, '\n') << QString();
    }
    void largeFilesAreReportedNotCut() {
        QFETCH(QByteArray, content);
        QFETCH(QString, pop3);
        takeReadProblems();
        QCOMPARE(loaded(content).Pop3Server, pop3);
        const QList<SaveFailure> said = takeReadProblems();
        QCOMPARE(said.size(), pop3.isEmpty() ? 1 : 0);
        if (pop3.isEmpty())
            QVERIFY2(said[0].message.contains(QStringLiteral("大きすぎ")),
                     qPrintable(said[0].message));
    }

    // What the user did not change keeps its bytes: LF line ends, blanks, other lines, bytes that
    // are no code page 932 text, an APOP value of its own; a changed value rewrites its line only.
    void savesOnlyWhatChanged() {
        const QByteArray odd = "SMTP=s \n# note\nPOP3=old\nMAIL=\x82\xA0\x81\nAPOP= 2.0\n";
        SettingsStore store = loaded(odd);
        QCOMPARE(store.SmtpServer, QStringLiteral("s "));
        QCOMPARE(store.ApopFlag, qint16(2));
        QCOMPARE(store.MailAddress, QStringLiteral("あ\uFFFD"));
        QVERIFY(takeReadProblems().constFirst().message.contains(QStringLiteral("読めない文字")));
        QCOMPARE(SaveServerSettings(ServerSettingsChanges::allOf(store)), std::nullopt);
        QCOMPARE(fileContent(), odd);
        QCOMPARE(SaveServerSettings({.Pop3Server = QStringLiteral("new")}), std::nullopt);
        QCOMPARE(fileContent(), QByteArray(odd).replace("POP3=old", "POP3=new"));
    }

    // After a UTF-8 byte-order mark the values are UTF-8, read and written.
    void aFileWithAByteOrderMarkIsUtf8() {
        const QByteArray utf8 =
            "\xEF\xBB\xBFSMTP=s\r\nPOP3=old\r\nMAIL=" + QStringLiteral("ぽまりん〜").toUtf8() +
            "\r\nAPOP=0\r\n";
        SettingsStore store = loaded(utf8);
        QCOMPARE(store.MailAddress, QStringLiteral("ぽまりん〜"));
        QVERIFY(takeReadProblems().isEmpty());
        QCOMPARE(SaveServerSettings({.Pop3Server = QStringLiteral("新.example.jp")}), std::nullopt);
        QCOMPARE(fileContent(), QByteArray(utf8).replace(
                                    "POP3=old", QStringLiteral("POP3=新.example.jp").toUtf8()));
    }

    // A file the program could not read is reported by a save, which writes nothing.
    void unreadableFilesAreNeverReplaced_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("too large") << QByteArray(17 * 1024, '#') << QStringLiteral("大きすぎ");
        QTest::newRow("a pipe") << QByteArray("<pipe>")
                                << QStringLiteral("通常のファイルではありません");
    }
    void unreadableFilesAreNeverReplaced() {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        if (content == "<pipe>")
            QCOMPARE(::mkfifo(fileName.toLatin1().constData(), 0600), 0);
        else
            writeFile(content);
        const SaveResult failure = SaveServerSettings({.Pop3Server = QStringLiteral("new")});
        QVERIFY(failure.has_value());
        QVERIFY2(failure->message.contains(reason), qPrintable(failure->message));
        QVERIFY(
            failure->message.contains(QDir::toNativeSeparators(QDir().absoluteFilePath(fileName))));
        QCOMPARE(QFileInfo(fileName).isFile(), content != "<pipe>");
        if (content != "<pipe>")
            QCOMPARE(fileContent(), content);
    }

    void aFolderInTheFilesPlaceIsNoFile() {
        QVERIFY(QDir().mkdir(fileName));
        SettingsStore store;
        LoadServerSettings(store);
        QCOMPARE(store.Pop3Server, QString());
        const SaveResult failure =
            SaveServerSettings({.Pop3Server = QStringLiteral("pop.example.jp")});
        QVERIFY(failure.has_value());
        QVERIFY(
            failure->message.contains(QDir::toNativeSeparators(QDir().absoluteFilePath(fileName))));
        QVERIFY(QDir().rmdir(fileName));
    }

    void refusesTextsTheFileCannotHold_data() {
        QTest::addColumn<QString>("pop3");
        QTest::addColumn<QString>("named");
        QTest::newRow("outside the code page")
            << QStringLiteral("𠮷.example.jp") << QStringLiteral("𠮷");
        QTest::newRow("a line break") << QStringLiteral("pop\r\nAPOP=1") << QStringLiteral("改行");
    }
    void refusesTextsTheFileCannotHold() {
        QFETCH(QString, pop3);
        QFETCH(QString, named);
        writeFile("POP3=old\r\n");
        const SaveResult failure = SaveServerSettings({.Pop3Server = pop3});
        QVERIFY(failure.has_value());
        QVERIFY(failure->message.contains(QStringLiteral("POP3サーバー名")));
        QVERIFY2(failure->message.contains(named), qPrintable(failure->message));
        QCOMPARE(fileContent(), QByteArray("POP3=old\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestServerSettingsFile)
#include "tst_serversettingsfile.moc"
