#include "settings/AccountFile.h"
#include "settings/OptionFile.h"
#include "settings/ReadProblems.h"
#include "settings/ServerSettingsFile.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "TestHome.h"

namespace {

QString messagePrefix(const QString& path) {
    return QStringLiteral("設定ファイルを読み込めません。\n%1\n")
        .arg(QDir::toNativeSeparators(path));
}

// Every read of every settings file; each gives its default, as only unreadable files exist.
void readAllFiles() {
    SettingsStore store;
    LoadServerSettings(store);
    QCOMPARE(store.Pop3Server, QString());
    QCOMPARE(ReadDisconnectOption(), 0);
    QCOMPARE(ReadAccount().id, QString());
}

} // namespace

class TestReadProblems : public QObject {
    Q_OBJECT
public:
    static void initMain() { useTemporaryHome(); }

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() {
        removeTestDataFolder(DataFolder());
        QVERIFY(QDir().mkpath(DataFolder()));
    }
    void cleanupTestCase() { removeTestDataFolder(DataFolder()); }

    void handsOutEachFileOnce() {
        const QString first = m_dir.filePath(QStringLiteral("first.ini"));
        const QString second = m_dir.filePath(QStringLiteral("second.ini"));
        noteReadProblem(first, QStringLiteral("a reason"));
        noteReadProblem(second, QStringLiteral("another reason"));
        noteReadProblem(first, QStringLiteral("a later reason"));
        const QList<SaveFailure> problems = takeReadProblems();
        QCOMPARE(problems.size(), 2);
        QCOMPARE(problems[0].message, messagePrefix(first) + QStringLiteral("a reason"));
        QCOMPARE(problems[1].message, messagePrefix(second) + QStringLiteral("another reason"));
        QVERIFY(takeReadProblems().isEmpty());
        noteReadProblem(second, QStringLiteral("once more"));
        QVERIFY(takeReadProblems().isEmpty());
    }

    void reportsAnUnreadableFileOnce_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<bool>("reported");
        // A file of the data folder has one path for the whole process and is reported only once:
        // the rows where it is missing come first.
        const QStringList fileNames = {QStringLiteral("vbmail.ini"), QStringLiteral("ini.ini"),
                                       QStringLiteral("iniIdPass.ini")};
        for (const QString& fileName : fileNames)
            QTest::addRow("%s missing", qPrintable(fileName))
                << fileName << QStringLiteral("missing") << false;
        for (const QString& fileName : fileNames)
            QTest::addRow("%s a folder", qPrintable(fileName))
                << fileName << QStringLiteral("folder") << true;
        QTest::newRow("vbmail.ini without permission")
            << fileNames[0] << QStringLiteral("no permission") << true;
    }
    void reportsAnUnreadableFileOnce() {
        QFETCH(QString, fileName);
        QFETCH(QString, obstacle);
        QFETCH(bool, reported);
        // Each row has a working folder of its own, so that vbmail.ini has a path not reported yet.
        QTemporaryDir workingDir;
        QVERIFY(QDir::setCurrent(workingDir.path()));
        const QString path = fileName == u"vbmail.ini" ? QDir::current().absoluteFilePath(fileName)
                                                       : DataFolder() + u'/' + fileName;
        if (obstacle == u"folder")
            QVERIFY(QDir().mkdir(path));
        if (obstacle == u"no permission") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("POP3=unreadable\r\n");
            file.close();
            QVERIFY(file.setPermissions(QFile::WriteOwner));
            if (file.open(QIODevice::ReadOnly))
                QSKIP("Permission bits do not stop this user's reads (root).");
        }

        for (int read = 0; read < 3; ++read)
            readAllFiles();
        const QList<SaveFailure> problems = takeReadProblems();
        QCOMPARE(problems.size(), reported ? 1 : 0);
        if (reported) {
            QVERIFY2(problems[0].message.startsWith(messagePrefix(path)),
                     qPrintable(problems[0].message));
            QVERIFY(problems[0].message.size() > messagePrefix(path).size());
        }
        readAllFiles();
        QVERIFY(takeReadProblems().isEmpty());

        QVERIFY(QDir::setCurrent(m_dir.path()));
        if (!QFileInfo(path).isDir())
            QFile::remove(path);
        else
            QVERIFY(QDir().rmdir(path));
    }
};

QTEST_GUILESS_MAIN(TestReadProblems)
#include "tst_readproblems.moc"
