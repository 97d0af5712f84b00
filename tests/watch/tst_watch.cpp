#include "watch/AutomaticResult.h"
#include "watch/CheckSchedule.h"

#include "platform/AutostartEntry.h"
#include "settings/SettingsStore.h"
#include "settings/WatchFile.h"

#include <QDialog>
#include <QFile>
#include <QProcess>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>

#include <atomic>

#include "RecordingCheck.h"
#include "TestHome.h"

Q_DECLARE_METATYPE(std::optional<QStringList>)

namespace {

std::optional<QStringList> ids(const char* list) {
    if (QByteArrayView(list) == "-")
        return std::nullopt;
    return QString::fromLatin1(list).split(u',', Qt::SkipEmptyParts);
}

// A library whose every check connects, then holds until the test lets it go, and fails: it
// counts the checks that run at once.
class GatedLibrary final : public RecordingCheck {
public:
    QSemaphore gate;
    std::atomic<int> running = 0;
    std::atomic<int> mostAtOnce = 0;

    int pop3Connect(const QString&) override {
        mostAtOnce = std::max(mostAtOnce.load(), ++running);
        gate.acquire();
        --running;
        return -1;
    }
    int getMessage(int, QString& text, int& size) override {
        text = QStringLiteral("held");
        size = static_cast<int>(text.size());
        return size;
    }
};

} // namespace

// Automatic checks: what they ask of the library, what they show, when they run, and the files
// the right-click menu writes.
class TestWatch : public QObject {
    Q_OBJECT
public:
    static void initMain() { useTemporaryHome(); }

private Q_SLOTS:
    void initTestCase() { MessageBoxes::setTestAnswer(QMessageBox::Ok); }
    void cleanupTestCase() { removeTestDataFolder(DataFolder()); }

    void unseenMail_data() {
        QTest::addColumn<int>("before"); // -1: no check before
        QTest::addColumn<std::optional<QStringList>>("idsBefore");
        QTest::addColumn<int>("now");
        QTest::addColumn<std::optional<QStringList>>("idsNow");
        QTest::addColumn<int>("unseen");
        QTest::newRow("the first check") << -1 << ids("-") << 3 << ids("a,b,c") << 3;
        QTest::newRow("the same ids") << 2 << ids("a,b") << 2 << ids("b,a") << 0;
        QTest::newRow("one read, one new") << 2 << ids("a,b") << 2 << ids("b,c") << 1;
        QTest::newRow("no ids: the count grew") << 2 << ids("-") << 5 << ids("-") << 3;
        QTest::newRow("no ids: the count shrank") << 5 << ids("-") << 2 << ids("-") << 0;
        QTest::newRow("ids only now") << 2 << ids("-") << 3 << ids("a,b,c") << 1;
    }
    void unseenMail() {
        QFETCH(int, before);
        QFETCH(std::optional<QStringList>, idsBefore);
        QFETCH(int, now);
        QFETCH(std::optional<QStringList>, idsNow);
        QFETCH(int, unseen);
        const std::optional<MailboxSnapshot> previous =
            before < 0 ? std::nullopt : std::optional(MailboxSnapshot{before, idsBefore});
        QCOMPARE(unseenMessages(previous, {now, idsNow}), unseen);
    }

    // Never a box or a dialog: a failure comes back as its reason.
    void automaticCheckCalls_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<int>("connectResult");
        QTest::addColumn<int>("loginResult");
        QTest::addColumn<bool>("hasUidl");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<std::optional<QStringList>>("uids");
        const QString server = QStringLiteral("pop.example.jp");
        const QString refused = QStringLiteral("サーバーの応答: bad password");
        QTest::newRow("no server")
            << QString() << handle << 0 << true << QStringList()
            << QStringLiteral("POP3サーバーが設定されていません。") << ids("-");
        QTest::newRow("connect failure")
            << server << -1 << 0 << true << texts({"Connect pop.example.jp", "GetMessage 0 8192"})
            << refused << ids("-");
        QTest::newRow("login failure")
            << server << handle << -8 << true
            << texts({"Connect pop.example.jp", "Authenticate 7 user secret 0", "GetMessage 0 8192",
                      "Close 7"})
            << refused << ids("-");
        const QStringList fetched = {QStringLiteral("GetMailStatus 7 1"),
                                     QStringLiteral("GetMailSize 7 1"),
                                     QStringLiteral("GetMail 7 1"), QStringLiteral("Close 7")};
        const QStringList loggedIn =
            texts({"Connect pop.example.jp", "Authenticate 7 user secret 0", "GetUidl 7"});
        QTest::newRow("mail, with ids")
            << server << handle << 1 << true << loggedIn + fetched << QString() << ids("uid1");
        QTest::newRow("mail, no UIDL")
            << server << handle << 1 << false << loggedIn + fetched << QString() << ids("-");
    }
    void automaticCheckCalls() {
        QFETCH(QString, server);
        QFETCH(int, connectResult);
        QFETCH(int, loginResult);
        QFETCH(bool, hasUidl);
        QFETCH(QStringList, calls);
        QFETCH(QString, failure);
        QFETCH(std::optional<QStringList>, uids);
        RecordingCheck library;
        library.connectResult = connectResult;
        library.loginResult = loginResult;
        library.hasUidl = hasUidl;
        const CheckOutcome outcome =
            runAutomaticCheck(library, {server, QStringLiteral("user"), QStringLiteral("secret")});
        library.note(QStringLiteral("end"));
        QCOMPARE(library.calls, calls << QStringLiteral("end"));
        QCOMPARE(outcome.failure, failure);
        QCOMPARE(outcome.mailbox.has_value(), failure.isEmpty());
        if (outcome.mailbox)
            QCOMPARE(outcome.mailbox->uids, uids);
    }

    // The courier and the notification for unseen mail only; the panel as always.
    void resultTellsOnlyOfUnseenMail() {
        RecordingCheck window;
        QList<int> announced;
        std::optional<MailboxSnapshot> seen;
        const auto show = [&](const CheckOutcome& outcome) {
            window.calls.clear();
            ShowAutomaticResult(outcome, seen, window, [&](int count) { announced << count; });
            return window.calls;
        };
        const auto found = [](int count, const char* list) {
            return CheckOutcome{MailboxSnapshot{count, ids(list)}, {}};
        };
        QCOMPARE(show(found(2, "a,b")), texts({"RunCourier", "Text3 新着メール有り。", "Text6 2",
                                               "Height 3975", "ToolTip "}));
        QCOMPARE(show(found(2, "b,a")),
                 texts({"Text3 新着メール有り。", "Text6 2", "Height 3975", "ToolTip "}));
        QCOMPARE(show({std::nullopt, QStringLiteral("30 秒間応答がありません")}),
                 texts({"Height 3975", "Text3 チェックできませんでした。", "Text6 ",
                        "ToolTip 30 秒間応答がありません"}));
        QCOMPARE(show(found(2, "b,c")).first(), QStringLiteral("RunCourier"));
        QCOMPARE(announced, QList<int>({2, 1}));
    }

    void scheduleWaitsItsTurn() {
        SettingsStore& store = SettingsStore::instance();
        store.Pop3Server = QStringLiteral("pop.example.jp");
        store.accountConfirmed = true;
        store.UserId = store.UserPassword = QStringLiteral("user");
        GatedLibrary library;
        CheckSchedule schedule(library);
        QSignalSpy starting(&schedule, &CheckSchedule::checkStarting);
        QSignalSpy checked(&schedule, &CheckSchedule::checked);
        QDialog dialog;
        dialog.show();
        schedule.setIntervalMinutes(0.001); // 60 ms
        QTest::qWait(300);
        QCOMPARE(starting.count(), 0); // not under a dialog
        dialog.hide();
        QTRY_COMPARE(starting.count(), 1);

        // A manual check waits for the automatic one, and none starts meanwhile.
        int checksBeforeManual = -1;
        schedule.runWhenFree([&] {
            checksBeforeManual = static_cast<int>(checked.count());
            QTest::qWait(200);
        });
        QCOMPARE(checksBeforeManual, -1);
        library.gate.release();
        QTRY_COMPARE(checksBeforeManual, 1);
        QCOMPARE(starting.count(), 1);
        for (int round = 2; round <= 4; ++round) {
            QTRY_COMPARE(starting.count(), round);
            library.gate.release();
        }
        QTRY_COMPARE(checked.count(), 4);
        schedule.setIntervalMinutes(0);
        QCOMPARE(library.mostAtOnce.load(), 1);
        QCOMPARE(checked.last().first().value<CheckOutcome>().failure, QStringLiteral("held"));
    }

    void autostartEntry_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("exec");
        QTest::newRow("installed")
            << "/usr/bin/pomarin" << QStringList{QStringLiteral("--config-folder")}
            << "/usr/bin/pomarin --config-folder";
        QTest::newRow("a space") << "/home/u/my mail/pomarin" << QStringList()
                                 << "\"/home/u/my mail/pomarin\"";
        QTest::newRow("quotes, dollars, backslashes") << "/tmp/a\"b$c`d\\e/pomarin" << QStringList()
                                                      << "\"/tmp/a\\\"b\\$c\\`d\\\\e/pomarin\"";
        QTest::newRow("a percent sign")
            << "/tmp/100%/pomarin" << QStringList{QString()} << "/tmp/100%%/pomarin \"\"";
    }
    void autostartEntry() {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(QString, exec);
        QCOMPARE(AutostartEntry::execValue(program, arguments), exec);
        QCOMPARE(AutostartEntry::create(program, arguments, QStringLiteral("/tmp/a\\b")),
                 std::nullopt);
        QProcess validate;
        validate.start(QStringLiteral("desktop-file-validate"), {AutostartEntry::path()});
        QVERIFY(validate.waitForFinished());
        QVERIFY2(validate.exitCode() == 0, validate.readAll().constData());
        QVERIFY(AutostartEntry::exists());
        QCOMPARE(AutostartEntry::remove(), std::nullopt);
        QVERIFY(!AutostartEntry::exists());
        QCOMPARE(AutostartEntry::remove(), std::nullopt); // already gone
    }

    void watchFile_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<double>("minutes");
        QTest::newRow("none") << QByteArray() << 0.0;
        QTest::newRow("by hand, in seconds") << QByteArray("[EXEINI]\r\nINTERVAL=0.05\r\n") << 0.05;
        QTest::newRow("not a number") << QByteArray("[EXEINI]\r\nINTERVAL=often\r\n") << 0.0;
        QTest::newRow("below zero") << QByteArray("[EXEINI]\r\nINTERVAL=-5\r\n") << 0.0;
    }
    void watchFile() {
        QFETCH(QByteArray, file);
        QFETCH(double, minutes);
        QVERIFY(QDir().mkpath(DataFolder()));
        QFile stored(watchFilePath());
        QVERIFY(stored.open(QIODevice::WriteOnly));
        stored.write(file);
        stored.close();
        QCOMPARE(ReadWatchSettings().intervalMinutes, minutes);
        // Each choice stores its own key and leaves the other as it was.
        QCOMPARE(WriteStartsWithDesktop(true), std::nullopt);
        QCOMPARE(WriteCheckInterval(15), std::nullopt);
        QCOMPARE(ReadWatchSettings().intervalMinutes, 15.0);
        QVERIFY(ReadWatchSettings().startsWithDesktop);
    }
};

QTEST_MAIN(TestWatch)
#include "tst_watch.moc"
