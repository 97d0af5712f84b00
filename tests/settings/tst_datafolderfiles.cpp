#include "settings/AccountFile.h"
#include "settings/OptionFile.h"
#include "settings/ReadProblems.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include "FileContent.h"
#include "TestHome.h"

namespace {

// As the account dialog stores what was typed into it, from an empty file, with its box ticked.
SaveResult storeAccount(const QString& id, const QString& password) {
    return SaveAccount({}, {id, password, true});
}

} // namespace

class TestDataFolderFiles : public QObject {
    Q_OBJECT
public:
    static void initMain() { useTemporaryHome(); }

private Q_SLOTS:
    void init() {
        removeTestDataFolder(DataFolder());
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
        QCOMPARE(storeAccount(QStringLiteral("pomarin"), QStringLiteral("パス word")),
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

        // One made by hand for all to read is made private when read, and that is said once.
        takeReadProblems();
        QVERIFY(QFile::setPermissions(accountFilePath(),
                                      QFile::permissions(accountFilePath()) | QFile::ReadOther));
        ReadAccount();
        ReadAccount();
        QCOMPARE(QFile::permissions(accountFilePath()) & others, QFile::Permissions());
        const QList<SaveFailure> said = takeReadProblems();
        QCOMPARE(said.size(), 1);
        QVERIFY(said[0].message.contains(QStringLiteral("ほかのユーザーにも読める")));
    }

    // Clearing the save box keeps the stored ID but not a stored password, which the user asked
    // not to keep; a box left cleared stores nothing.
    void notSavingKeepsTheIdAndDropsThePassword() {
        QCOMPARE(storeAccount(QStringLiteral("old"), QStringLiteral("oldpass")), std::nullopt);
        const AccountEntry saved{QStringLiteral("old"), QStringLiteral("oldpass"), true};
        QCOMPARE(SaveAccount(saved, {QStringLiteral("new"), QStringLiteral("newpass"), false}),
                 std::nullopt);
        const StoredAccount account = ReadAccount();
        QCOMPARE(account.id, QStringLiteral("old"));
        QCOMPARE(account.password, QString());
        QCOMPARE(account.saveFlag, QStringLiteral("0"));

        init();
        QCOMPARE(SaveAccount({}, {QStringLiteral("new"), QStringLiteral("newpass"), false}),
                 std::nullopt);
        QVERIFY(!QFile::exists(accountFilePath()));
    }

    // An account written by hand in UTF-8 with a byte-order mark reads as UTF-8, also cut at 255
    // bytes; a save changes only the changed value, written in UTF-8 too.
    void aUtf8AccountStaysUtf8() {
        const QByteArray name = QString::fromUtf8("山田太郎").toUtf8();
        const QByteArray handWritten = "\xEF\xBB\xBF[EXEINI]\nNAME = " + name +
                                       "\nNAME2=" + QByteArray(253, 'p') + name + "\nNAME3=1\n";
        QVERIFY(QDir().mkpath(DataFolder()));
        QVERIFY(writeContent(accountFilePath(), handWritten));
        takeReadProblems();
        const StoredAccount account = ReadAccount();
        QCOMPARE(account.id, QStringLiteral("山田太郎"));
        QCOMPARE(account.password, QString(253, QLatin1Char('p'))); // no half of 山
        QCOMPARE(takeReadProblems().size(), 0);
        const AccountEntry loaded{account.id, account.password, true};
        QCOMPARE(SaveAccount(loaded, loaded), std::nullopt);
        QCOMPARE(contentOf(accountFilePath()), handWritten);
        QCOMPARE(SaveAccount(loaded, {QStringLiteral("やまだ"), account.password, true}),
                 std::nullopt);
        QCOMPARE(contentOf(accountFilePath()),
                 QByteArray(handWritten)
                     .replace("NAME = " + name, "NAME=" + QString::fromUtf8("やまだ").toUtf8()));
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
        QCOMPARE(storeAccount(QStringLiteral("old"), QStringLiteral("oldpass")), std::nullopt);
        const QByteArray before = contentOf(accountFilePath());
        const SaveResult failure = storeAccount(QStringLiteral("new"), QStringLiteral("pä𠮷"));
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
        QVERIFY(storeAccount(QStringLiteral("a"), QStringLiteral("b")).has_value());
        QCOMPARE(ReadDisconnectOption(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDataFolderFiles)
#include "tst_datafolderfiles.moc"
