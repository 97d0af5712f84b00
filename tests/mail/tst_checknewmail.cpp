#include "mail/CheckNewMail.h"
#include "mail/CheckWindow.h"
#include "mail/MailLibrary.h"

#include "settings/AccountFile.h"
#include "settings/IdPassForm.h"
#include "settings/OptionFile.h"
#include "settings/OptionForm.h"
#include "settings/SetForm.h"
#include "settings/SettingsStore.h"
#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>

#include "RecordingCheck.h"
#include "TestHome.h"

namespace {

bool shown(const char* windowName) {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String(windowName) && window->isVisible())
            return true;
    return false;
}

} // namespace

// The check's calls, in order, on every path, against a stand-in for the mail library and the
// main window.
class TestCheckNewMail : public QObject {
    Q_OBJECT
public:
    static void initMain() { useTemporaryHome(); }

private Q_SLOTS:
    void initTestCase() { MessageBoxes::setTestAnswer(QMessageBox::Ok); }
    void cleanupTestCase() { removeTestDataFolder(DataFolder()); }

    void everyPathCallsInOrder_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<int>("connectResult");
        QTest::addColumn<QByteArray>("account");
        QTest::addColumn<QStringList>("confirmed"); // in the account dialog, this session
        QTest::addColumn<int>("loginResult");
        QTest::addColumn<int>("apop");
        QTest::addColumn<QString>("dialog"); // the dialog the check opens, if any
        QTest::addColumn<QStringList>("calls");
        const QByteArray account = "[EXEINI]\r\nNAME=user\r\nNAME2=secret\r\nNAME3=1\r\n";
        const QByteArray nothingStored = "[EXEINI]\r\nNAME=user\r\n";
        const QStringList stored;
        const QStringList typed = {QStringLiteral("typed"), QStringLiteral("word")};
        const char* none = "Text3 新着メールなし。";
        // A check that could not be made never reads as an empty mailbox.
        const char* failed = "Text3 チェックできませんでした。";
        const char* error = "エラー box: サーバーの応答: bad password";
        const char* hangUp = "HangUpDialUp";
        QTest::newRow("no server") << "" << handle << account << stored << 0 << 0 << "OptionForm"
                                   << texts({"Checking", "Height 3975", failed, "Text6 ", hangUp});
        QTest::newRow("connect failure")
            << "pop.example.jp" << -1 << account << stored << 0 << 0 << ""
            << texts({"Checking", "Connect pop.example.jp", "GetMessage 0 8192", error,
                      "Height 3975", failed, "Text6 ", hangUp});
        QTest::newRow("account missing")
            << "pop.example.jp" << handle << nothingStored << stored << 0 << 0 << "IdPassForm"
            << texts({"Checking", "Connect pop.example.jp", "Close 7", "Height 3975", failed,
                      "Text6 ", hangUp});
        QTest::newRow("login failure")
            << "pop.example.jp" << handle << account << stored << -8 << 0 << ""
            << texts({"Checking", "Connect pop.example.jp", "Authenticate 7 user secret 0",
                      "GetMessage 0 8192", error, "Close 7", "Height 3975", failed, "Text6 ",
                      hangUp});
        QTest::newRow("empty mailbox, APOP")
            << "pop.example.jp" << handle << account << stored << 0 << 1 << ""
            << texts({"Checking", "Connect pop.example.jp", "Authenticate 7 user secret -1",
                      "Close 7", "Height 3975", none, "Text6 0", hangUp});
        QTest::newRow("new mail") << "pop.example.jp" << handle << account << stored << 2 << 0 << ""
                                  << texts({"Checking", "Connect pop.example.jp",
                                            "Authenticate 7 user secret 0", "GetMailStatus 7 1",
                                            "GetMailSize 7 1", "GetMail 7 1", "GetMailStatus 7 2",
                                            "GetMailSize 7 2", "GetMail 7 2", "Close 7",
                                            "RunCourier", "Text3 新着メール有り。", "Text6 2",
                                            "Height 3975"}); // the line stays for the mail
        // What the user confirmed is used, over what is stored and where nothing is.
        QTest::newRow("confirmed account over the stored one")
            << "pop.example.jp" << handle << account << typed << 0 << 0 << ""
            << texts({"Checking", "Connect pop.example.jp", "Authenticate 7 typed word 0",
                      "Close 7", "Height 3975", none, "Text6 0", hangUp});
        QTest::newRow("confirmed account, none stored")
            << "pop.example.jp" << handle << nothingStored << typed << 1 << 0 << ""
            << texts({"Checking", "Connect pop.example.jp", "Authenticate 7 typed word 0",
                      "GetMailStatus 7 1", "GetMailSize 7 1", "GetMail 7 1", "Close 7",
                      "RunCourier", "Text3 新着メール有り。", "Text6 1", "Height 3975"});
    }
    void everyPathCallsInOrder() {
        QFETCH(QString, server);
        QFETCH(int, connectResult);
        QFETCH(QByteArray, account);
        QFETCH(QStringList, confirmed);
        QFETCH(int, loginResult);
        QFETCH(int, apop);
        QFETCH(QString, dialog);
        QFETCH(QStringList, calls);
        for (QWidget* window : QApplication::topLevelWidgets())
            window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        removeTestDataFolder(DataFolder());
        QVERIFY(QDir().mkpath(DataFolder()));
        QFile file(accountFilePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(account);
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner); // as the program keeps it
        file.close();
        SettingsStore& store = SettingsStore::instance();
        store.Pop3Server = server;
        store.ApopFlag = qint16(apop);
        // Without "OK" in the account dialog, what the record holds is not used.
        store.accountConfirmed = !confirmed.isEmpty();
        store.UserId = confirmed.value(0, QStringLiteral("not confirmed"));
        store.UserPassword = confirmed.value(1, QStringLiteral("not confirmed"));

        // Off, nothing is hung up; on, after everything else, unless the check found mail.
        for (const bool option : {false, true}) {
            SetForm::instance().close(); // made anew by the check, from the file
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCOMPARE(WriteDisconnectOption(option ? QStringLiteral("1") : QStringLiteral("0")),
                     std::nullopt);
            RecordingCheck check;
            check.connectResult = connectResult;
            check.loginResult = loginResult;
            CheckNewMail(check, check);
            check.note(QStringLiteral("end"));
            QStringList expected = calls;
            if (!option)
                expected.removeAll(QStringLiteral("HangUpDialUp"));
            QCOMPARE(check.calls, expected << QStringLiteral("end"));
        }
        if (!dialog.isEmpty())
            QVERIFY2(shown(qPrintable(dialog)), qPrintable(dialog));
        QCOMPARE(shown("IdPassForm"), dialog == QStringLiteral("IdPassForm"));
        if (connectResult != -1 && !server.isEmpty()) {
            // The account used, in the account dialog's boxes and the record at every visit.
            const QString used = confirmed.value(0, QStringLiteral("user"));
            QCOMPARE(IdPassForm::instance().IdText->text(), used);
            QCOMPARE(store.UserId, used);
        }
    }

    void cutAtNul() {
        QCOMPARE(CutAtNul(QStringLiteral("text")), QStringLiteral("text"));
        QCOMPARE(CutAtNul(QStringLiteral("ab") + QChar(u'\0') + QStringLiteral("cd")),
                 QStringLiteral("ab"));
        QCOMPARE(CutAtNul(QString(QChar(u'\0'))), QString());
    }
};

QTEST_MAIN(TestCheckNewMail)
#include "tst_checknewmail.moc"
