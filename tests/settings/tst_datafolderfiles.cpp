#include "settings/AccountFile.h"
#include "settings/OptionFile.h"
#include "settings/ReadProblems.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include "FileContent.h"

namespace {} // namespace

class TestDataFolderFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        QDir(DataFolder()).removeRecursively();
        QFile::remove(DataFolder());
    }
    void cleanupTestCase() { init(); }

    void theFolderIsTheStarFolderBesideTheProgram() {
        QCOMPARE(DataFolder(),
                 QCoreApplication::applicationDirPath() + QStringLiteral("/★MailData"));
        QCOMPARE(optionFilePath(), DataFolder() + QStringLiteral("/ini.ini"));
        QCOMPARE(accountFilePath(), DataFolder() + QStringLiteral("/iniIdPass.ini"));
    }

    void withoutTheFolderEverythingReadsEmpty() {
        QCOMPARE(ReadDisconnectOption(), 0);
        const StoredAccount account = ReadAccount();
        QVERIFY(account.id.isEmpty() && account.password.isEmpty() && account.saveFlag.isEmpty());
    }

    void theOptionIsStoredAsNumber() {
        QCOMPARE(WriteDisconnectOption(QStringLiteral("1")), std::nullopt);
        QCOMPARE(contentOf(optionFilePath()), QByteArray("[EXEINI]\r\nNUMBER=1\r\n"));
        QCOMPARE(ReadDisconnectOption(), 1);
        QCOMPARE(WriteDisconnectOption(QStringLiteral("0")), std::nullopt);
        QCOMPARE(contentOf(optionFilePath()), QByteArray("[EXEINI]\r\nNUMBER=0\r\n"));
        QCOMPARE(ReadDisconnectOption(), 0);
        QVERIFY(QDir().mkpath(DataFolder()));
        QVERIFY(writeContent(optionFilePath(), "[exeini]\r\nnumber = 2\r\n"));
        QCOMPARE(ReadDisconnectOption(), 2);
        QVERIFY(writeContent(optionFilePath(), "[EXEINI]\r\nNUMBER=on\r\n"));
        QCOMPARE(ReadDisconnectOption(), 0);
    }

    void savedAccountsReadBackAndStayPrivate() {
        QCOMPARE(SaveAccount(QStringLiteral("pomarin"), QStringLiteral("パス word"), true),
                 std::nullopt);
        QCOMPARE(
            contentOf(accountFilePath()),
            QByteArray("[EXEINI]\r\nNAME=pomarin\r\nNAME2=\x83\x70\x83\x58 word\r\nNAME3=1\r\n"));
        const StoredAccount account = ReadAccount();
        QCOMPARE(account.id, QStringLiteral("pomarin"));
        QCOMPARE(account.password, QStringLiteral("パス word"));
        QCOMPARE(account.saveFlag, QStringLiteral("1"));
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(QFile::permissions(accountFilePath()) & others, QFile::Permissions());
    }

    // Not saving keeps the stored ID but not a stored password, which the user asked not to keep.
    void notSavingKeepsTheIdAndDropsThePassword() {
        QCOMPARE(SaveAccount(QStringLiteral("old"), QStringLiteral("oldpass"), true), std::nullopt);
        QCOMPARE(SaveAccount(QStringLiteral("new"), QStringLiteral("newpass"), false),
                 std::nullopt);
        const StoredAccount account = ReadAccount();
        QCOMPARE(account.id, QStringLiteral("old"));
        QCOMPARE(account.password, QString());
        QCOMPARE(account.saveFlag, QStringLiteral("0"));

        init();
        QCOMPARE(SaveAccount(QStringLiteral("new"), QStringLiteral("newpass"), false),
                 std::nullopt);
        QCOMPARE(contentOf(accountFilePath()), QByteArray("[EXEINI]\r\nNAME3=0\r\n"));
        QVERIFY(ReadAccount().id.isEmpty());
    }

    // An account written by hand in UTF-8, with a byte-order mark and a value past 255 bytes: it
    // is said to hold what code page 932 cannot read, and saving it unchanged keeps every byte.
    void anUnchangedAccountKeepsItsBytes() {
        const QByteArray handWritten =
            "\xEF\xBB\xBF[EXEINI]\nNAME = " + QString::fromUtf8("山田太郎").toUtf8() +
            "\nNAME2=" + QByteArray(300, 'p') + "\nNAME3=1\n";
        QVERIFY(QDir().mkpath(DataFolder()));
        QVERIFY(writeContent(accountFilePath(), handWritten));
        takeReadProblems();
        const StoredAccount account = ReadAccount();
        QCOMPARE(account.password, QString(255, QLatin1Char('p')));
        const QList<SaveFailure> said = takeReadProblems();
        QCOMPARE(said.size(), 1);
        QVERIFY(said[0].message.contains(QStringLiteral("読めない文字")));
        QCOMPARE(SaveAccount(account.id, account.password, true), std::nullopt);
        QCOMPARE(contentOf(accountFilePath()), handWritten);
        QCOMPARE(SaveAccount(QStringLiteral("yamada"), account.password, true), std::nullopt);
        QCOMPARE(contentOf(accountFilePath()),
                 QByteArray(handWritten)
                     .replace(handWritten.indexOf("NAME ="), 4 + 3 + 12, "NAME=yamada"));
    }

    void longValuesAreCutAtAWholeCharacter() {
        QVERIFY(QDir().mkpath(DataFolder()));
        QVERIFY(writeContent(accountFilePath(), "[EXEINI]\r\nNAME=" + QByteArray(300, 'i') +
                                                    "\r\nNAME2=" + QByteArray(254, 'p') +
                                                    "\x83\x70" + "\r\n"));
        const StoredAccount account = ReadAccount();
        QCOMPARE(account.id, QString(255, QLatin1Char('i')));
        QCOMPARE(account.password, QString(254, QLatin1Char('p')));
    }

    void unstorableAccountsAreRefusedWhole() {
        QCOMPARE(SaveAccount(QStringLiteral("old"), QStringLiteral("oldpass"), true), std::nullopt);
        const QByteArray before = contentOf(accountFilePath());
        const SaveResult failure = SaveAccount(QStringLiteral("new"), QStringLiteral("pä𠮷"), true);
        QVERIFY(failure.has_value());
        QVERIFY(failure->message.contains(QStringLiteral("パスワード")));
        QVERIFY(failure->message.contains(QStringLiteral("ä")));
        QCOMPARE(contentOf(accountFilePath()), before);
    }

    void aFileInTheFoldersPlaceIsReported() {
        QFile blocker(DataFolder());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const SaveResult failure = WriteDisconnectOption(QStringLiteral("1"));
        QVERIFY(failure.has_value());
        QVERIFY(failure->message.contains(QDir::toNativeSeparators(DataFolder())));
        QVERIFY(failure->message.contains(QStringLiteral("同じ名前のファイルがあります")));
        QVERIFY(SaveAccount(QStringLiteral("a"), QStringLiteral("b"), true).has_value());
        QCOMPARE(ReadDisconnectOption(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDataFolderFiles)
#include "tst_datafolderfiles.moc"
