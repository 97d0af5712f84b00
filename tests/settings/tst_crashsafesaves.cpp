// A save killed at any moment leaves each settings file whole: as the last save wrote it or as the
// one before did. A helper saves the three files in turn, over and over, in a temporary folder; the
// test kills it at random moments and looks at the files after every kill.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "FileContent.h"
#include <chrono>
#include <thread>

namespace {

constexpr int kills = 1000;

} // namespace

class TestCrashSafeSaves : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    QString inDir(const QString& name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void killedSavesLeaveEveryFileWholeOldOrNew() {
        // The helper keeps its data folder beside itself, so it runs as a copy in the folder.
        QVERIFY(m_dir.isValid());
        const QString saver = inDir(QStringLiteral("settings_saver"));
        QVERIFY(QFile::copy(QStringLiteral(SETTINGS_SAVER), saver));
        const QString dataFolder = inDir(QStringLiteral("★MailData"));
        const QStringList files = {inDir(QStringLiteral("vbmail.ini")),
                                   dataFolder + QStringLiteral("/ini.ini"),
                                   dataFolder + QStringLiteral("/iniIdPass.ini")};
        const auto start = [&](QProcess& process, const QStringList& arguments) {
            process.setWorkingDirectory(m_dir.path());
            process.start(saver, arguments);
        };

        // Each file as each of the helper's two saves writes it; the loop then starts from "a".
        QByteArrayList written[2];
        for (const int set : {1, 0}) {
            QProcess once;
            start(once, {QStringLiteral("once"), set ? QStringLiteral("b") : QStringLiteral("a")});
            QVERIFY(once.waitForFinished(10000));
            QCOMPARE(once.exitCode(), 0);
            for (const QString& file : files)
                written[set].append(contentOf(file));
        }
        for (qsizetype i = 0; i < files.size(); ++i)
            QVERIFY(written[0][i] != written[1][i]);

        // What may lie in the folders: the files, and at most one new file of a save cut short.
        const QStringList allowedInDir = {QStringLiteral("settings_saver"),
                                          QStringLiteral("★MailData"), QStringLiteral("vbmail.ini"),
                                          QStringLiteral("vbmail.ini.new")};
        const QStringList allowedInDataFolder = {
            QStringLiteral("ini.ini"), QStringLiteral("ini.ini.new"),
            QStringLiteral("iniIdPass.ini"), QStringLiteral("iniIdPass.ini.new")};
        const auto filter = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;

        // Kills fall anywhere in a fresh helper's first two sets' saves, however fast this machine
        // saves: the first set, slower (the code page's tables load on first use), and the next
        // are timed first, in a few helpers, and the slowest counts.
        std::chrono::microseconds killWindow(1);
        for (int calibration = 0; calibration < 3; ++calibration) {
            QProcess loop;
            start(loop, {QStringLiteral("loop")});
            QVERIFY(loop.waitForReadyRead(10000) && loop.readLine() == "ready\n");
            QElapsedTimer clock;
            clock.start();
            constexpr int calibrationSaves = 2;
            for (qint64 dots = 0; dots < calibrationSaves; dots += loop.readAll().count('.'))
                QVERIFY(loop.waitForReadyRead(10000));
            killWindow = qMax(killWindow, std::chrono::microseconds(clock.nsecsElapsed() / 1000));
            loop.kill();
            loop.waitForFinished(10000);
        }
        for (int set : {1, 0}) { // the loop starts from what "once a" left
            QProcess once;
            start(once, {QStringLiteral("once"), set ? QStringLiteral("b") : QStringLiteral("a")});
            QVERIFY(once.waitForFinished(10000));
        }

        int filesChecked = 0;
        int killsLeavingANewFile = 0;
        QList<QSet<int>> setsSeen(files.size());
        QElapsedTimer timer;
        timer.start();
        for (int kill = 1; kill <= kills; ++kill) {
            QProcess loop;
            start(loop, {QStringLiteral("loop")});
            QVERIFY(loop.waitForReadyRead(10000));
            std::this_thread::sleep_for(std::chrono::microseconds(
                QRandomGenerator::global()->bounded(qint64(killWindow.count()))));
            loop.kill();
            QVERIFY(loop.waitForFinished(10000));
            QVERIFY2(loop.exitStatus() == QProcess::CrashExit, "the helper stopped saving");

            for (qsizetype i = 0; i < files.size(); ++i) {
                const QByteArray content = contentOf(files[i]);
                const int set = content == written[0][i] ? 0 : content == written[1][i] ? 1 : -1;
                QVERIFY2(set >= 0, qPrintable(QStringLiteral("after kill %1, %2 holds %3 bytes")
                                                  .arg(kill)
                                                  .arg(files[i])
                                                  .arg(content.size())));
                setsSeen[i].insert(set);
                ++filesChecked;
            }
            const QStringList inFolder = QDir(m_dir.path()).entryList(filter);
            const QStringList inDataFolder = QDir(dataFolder).entryList(filter);
            for (const QString& name : inFolder)
                QVERIFY2(allowedInDir.contains(name), qPrintable(name));
            for (const QString& name : inDataFolder)
                QVERIFY2(allowedInDataFolder.contains(name), qPrintable(name));
            if ((inFolder + inDataFolder).join(u'/').contains(QStringLiteral(".new")))
                ++killsLeavingANewFile;
            QCOMPARE(QFile::permissions(files[2]) & ~(QFile::ReadOwner | QFile::WriteOwner |
                                                      QFile::ReadUser | QFile::WriteUser),
                     QFile::Permissions());
        }
        qInfo("%d kills, %d files checked, all whole; %d kills left a new file behind; %.1f s; "
              "kills within %lld µs of the helper's start",
              kills, filesChecked, killsLeavingANewFile, timer.elapsed() / 1000.0,
              static_cast<long long>(killWindow.count()));
        // Both saves of every file were seen, and kills landed inside saves.
        for (const QSet<int>& seen : setsSeen)
            QCOMPARE(seen.size(), 2);
        QVERIFY(killsLeavingANewFile > 0);
    }
};

QTEST_GUILESS_MAIN(TestCrashSafeSaves)
#include "tst_crashsafesaves.moc"
