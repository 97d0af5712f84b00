#include "settings/AccountFile.h"
#include "settings/IdPassForm.h"
#include "settings/OptionFile.h"
#include "settings/OptionForm.h"
#include "settings/ServerSettingsFile.h"
#include "settings/SetForm.h"
#include "settings/SettingsStore.h"
#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "FileContent.h"
#include "TestHome.h"

namespace {

template <typename Control> Control* control(QWidget& window, const char* name) {
    auto* found = window.findChild<Control*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

void click(QWidget& window, const char* button) {
    QTest::mouseClick(control<QAbstractButton>(window, button), Qt::LeftButton);
}

// Closed dialogs are deleted later, from the event loop.
void letClosedWindowsGo() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool active(QWidget& window) {
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

// The object names of the controls that Tab visits from the first, in order.
QString tabOrder(QWidget& window, const char* first, int count) {
    QStringList names;
    control<QWidget>(window, first)->setFocus();
    for (int i = 0; i < count; ++i) {
        names << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    return names.join(u' ');
}

// The dialog of that class name, as its accessor gives it.
QWidget& settingsDialog(QStringView name) {
    if (name == u"OptionForm")
        return OptionForm::instance();
    if (name == u"IdPassForm")
        return IdPassForm::instance();
    return SetForm::instance();
}

const QByteArray serverFile =
    "SMTP=smtp.example.jp\r\nPOP3=pop.example.jp\r\nMAIL=me@example.jp\r\n"
    "APOP=1\r\n";

} // namespace

// The three settings dialogs on Qt's offscreen platform; their message boxes are answered
// through the seam and recorded.
class TestSettingsDialogs : public QObject {
    Q_OBJECT
public:
    static void initMain() { useTemporaryHome(); }

private:
    QTemporaryDir m_workingDir;

    void setServerRecord() {
        SettingsStore& store = SettingsStore::instance();
        store.SmtpServer = QStringLiteral("smtp.example.jp");
        store.Pop3Server = QStringLiteral("pop.example.jp");
        store.MailAddress = QStringLiteral("me@example.jp");
        store.ApopFlag = 1;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(QDir::setCurrent(m_workingDir.path()));
        MessageBoxes::setTestAnswer(QMessageBox::Ok);
    }

    void init() {
        for (QWidget* window : QApplication::topLevelWidgets())
            window->close();
        letClosedWindowsGo();
        removeTestDataFolder(DataFolder());
        QVERIFY(QDir().mkpath(DataFolder()));
        QDir().remove(QStringLiteral("vbmail.ini"));
        QDir().rmdir(QStringLiteral("vbmail.ini"));
        QVERIFY(writeContent(QStringLiteral("vbmail.ini"), serverFile));
        setServerRecord();
        MessageBoxes::takeShown();
    }

    void cleanupTestCase() { removeTestDataFolder(DataFolder()); }

    void serverDialogShowsTheRecordAndStaysOnTop() {
        OptionForm& form = OptionForm::instance();
        form.show();
        QVERIFY(form.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(
            !(form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QCOMPARE(control<QLineEdit>(form, "Pop3Text")->text(), QStringLiteral("pop.example.jp"));
        QCOMPARE(control<QLineEdit>(form, "MailText")->text(), QStringLiteral("me@example.jp"));
        QVERIFY(control<QCheckBox>(form, "ApopCheck")->isChecked());
        QVERIFY(active(form));
        QCOMPARE(tabOrder(form, "ApopCheck", 5),
                 QStringLiteral("ApopCheck OKCommand CancelCommand MailText SmtpText"));
        QTest::keyClick(&form, Qt::Key_P, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Pop3Text"));
        QTest::keyClick(&form, Qt::Key_M, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("MailText"));
        QTest::keyClick(&form, Qt::Key_A, Qt::AltModifier);
        QTRY_VERIFY(!control<QCheckBox>(form, "ApopCheck")->isChecked());
        // No more is taken than a start of the program reads back.
        QLineEdit* smtp = control<QLineEdit>(form, "SmtpText");
        smtp->clear();
        QTest::keyClicks(smtp, QString(135, QLatin1Char('s')));
        QCOMPARE(smtp->text().size(), 100);
    }

    // How each way out of the server dialog leaves the record and "vbmail.ini".
    void serverDialogSavesOnlyOnItsButton_data() {
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("saved");
        QTest::newRow("設定") << "設定" << true;
        QTest::newRow("中止") << "中止" << false;
        QTest::newRow("Esc") << "Esc" << false;
        QTest::newRow("close box") << "close" << false;
        QTest::newRow("Enter in a box") << "Enter" << false;
    }
    void serverDialogSavesOnlyOnItsButton() {
        QFETCH(QString, way);
        QFETCH(bool, saved);
        QPointer<OptionForm> form = &OptionForm::instance();
        form->show();
        QVERIFY(active(*form));
        control<QLineEdit>(*form, "SmtpText")->clear();
        control<QLineEdit>(*form, "Pop3Text")->setText(QStringLiteral("ぽぷ.example.jp"));
        control<QLineEdit>(*form, "MailText")->clear();
        control<QCheckBox>(*form, "ApopCheck")->setChecked(false);
        QLineEdit* box = control<QLineEdit>(*form, "Pop3Text");
        box->setFocus();
        if (way == QStringLiteral("設定"))
            click(*form, "OKCommand");
        else if (way == QStringLiteral("中止"))
            click(*form, "CancelCommand");
        else if (way == QStringLiteral("Esc"))
            QTest::keyClick(box, Qt::Key_Escape);
        else if (way == QStringLiteral("close"))
            form->close();
        else
            QTest::keyClick(box, Qt::Key_Return);
        letClosedWindowsGo();
        QCOMPARE(form.isNull(), way != QStringLiteral("Enter"));
        if (saved) {
            QCOMPARE(
                contentOf(QStringLiteral("vbmail.ini")),
                QByteArray("SMTP=\r\nPOP3=\x82\xdb\x82\xd5.example.jp\r\nMAIL=\r\nAPOP=0\r\n"));
            QCOMPARE(SettingsStore::instance().Pop3Server, QStringLiteral("ぽぷ.example.jp"));
            QCOMPARE(SettingsStore::instance().ApopFlag, qint16(0));
        } else {
            QCOMPARE(contentOf(QStringLiteral("vbmail.ini")), serverFile);
            QCOMPARE(SettingsStore::instance().Pop3Server, QStringLiteral("pop.example.jp"));
        }
        // Made anew, the dialog shows what the record holds now.
        if (form.isNull())
            QCOMPARE(control<QLineEdit>(OptionForm::instance(), "Pop3Text")->text(),
                     SettingsStore::instance().Pop3Server);
    }

    void accountDialogLoadsTheFileWithThePasswordHidden() {
        QCOMPARE(SaveAccount({}, {QStringLiteral("pomarin"), QStringLiteral("secret"), true}),
                 std::nullopt);
        IdPassForm& form = IdPassForm::instance();
        QVERIFY(!form.isVisible()); // made for whoever needs it, shown only when asked
        QCOMPARE(form.IdText->text(), QStringLiteral("pomarin"));
        QCOMPARE(form.PassText->text(), QStringLiteral("secret"));
        QCOMPARE(form.PassText->displayText(), QStringLiteral("******"));
        QVERIFY(!form.PassText->testAttribute(Qt::WA_InputMethodEnabled));
        QVERIFY(control<QCheckBox>(form, "Check1")->isChecked()); // as "NAME3" records
        form.show();
        QVERIFY(active(form));
        QCOMPARE(tabOrder(form, "IdText", 6),
                 QStringLiteral("IdText PassText OKCommand CancelCommand Check1 IdText"));
    }

    // What each way out of the account dialog stores; the file held "old" / "oldpass" before.
    // Confirmed, the account is this session's whether it was stored or not; asked not to be
    // stored, the password kept before goes.
    void accountDialogStoresAsItsBoxSays_data() {
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("saveTicked");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("recordId");
        const QByteArray old = "[EXEINI]\r\nNAME=old\r\nNAME2=oldpass\r\nNAME3=1\r\n";
        QTest::newRow("OK, saved")
            << "OK" << true << QByteArray("[EXEINI]\r\nNAME=new\r\nNAME2=newpass\r\nNAME3=1\r\n")
            << "new";
        QTest::newRow("OK, not saved")
            << "OK" << false << QByteArray("[EXEINI]\r\nNAME=old\r\nNAME2=\r\nNAME3=0\r\n")
            << "new";
        QTest::newRow("Enter in the password box")
            << "Enter" << false << QByteArray("[EXEINI]\r\nNAME=old\r\nNAME2=\r\nNAME3=0\r\n")
            << "new";
        QTest::newRow("Cancel") << "Cancel" << true << old << "";
        QTest::newRow("Esc") << "Esc" << true << old << "";
    }
    void accountDialogStoresAsItsBoxSays() {
        QFETCH(QString, way);
        QFETCH(bool, saveTicked);
        QFETCH(QByteArray, file);
        QFETCH(QString, recordId);
        QCOMPARE(SaveAccount({}, {QStringLiteral("old"), QStringLiteral("oldpass"), true}),
                 std::nullopt);
        SettingsStore::instance().UserId.clear();
        SettingsStore::instance().accountConfirmed = false;
        QPointer<IdPassForm> form = &IdPassForm::instance();
        form->show();
        QVERIFY(active(*form));
        form->IdText->setText(QStringLiteral("new"));
        form->PassText->setText(QStringLiteral("newpass"));
        control<QCheckBox>(*form, "Check1")->setChecked(saveTicked);
        if (way == QStringLiteral("OK"))
            click(*form, "OKCommand");
        else if (way == QStringLiteral("Cancel"))
            click(*form, "CancelCommand");
        else
            QTest::keyClick(form->PassText,
                            way == QStringLiteral("Esc") ? Qt::Key_Escape : Qt::Key_Return);
        letClosedWindowsGo();
        QVERIFY(form.isNull());
        QCOMPARE(contentOf(accountFilePath()), file);
        QCOMPARE(SettingsStore::instance().UserId, recordId);
        QCOMPARE(SettingsStore::instance().accountConfirmed, !recordId.isEmpty());
        // Made anew, the dialog's box is as the file says.
        QCOMPARE(control<QCheckBox>(IdPassForm::instance(), "Check1")->isChecked(),
                 file.contains("NAME3=1"));
    }

    void optionsDialogHoldsTheOptionAndStoresItOnClose() {
        const std::pair<QByteArray, int> stored[] = {{"[EXEINI]\r\nNUMBER=1\r\n", 1},
                                                     {"[EXEINI]\r\nNUMBER=0\r\n", 0},
                                                     {"[EXEINI]\r\nNUMBER=7\r\n", 0},
                                                     {"<missing>", 0}};
        for (const auto& [content, option] : stored) {
            if (content != "<missing>")
                QVERIFY(writeContent(optionFilePath(), content));
            else
                QFile::remove(optionFilePath());
            QCOMPARE(SetForm::instance().DisconnectIfNoNewMail(), option);
            SetForm::instance().close();
            letClosedWindowsGo();
        }
        QFile::remove(optionFilePath());
        SetForm& form = SetForm::instance();
        form.show();
        QVERIFY(active(form));
        QCOMPARE(tabOrder(form, "Command2", 3), QStringLiteral("Command2 Command1 Check1"));
        click(form, "Check1");
        QCOMPARE(SetForm::instance().DisconnectIfNoNewMail(), 1); // at once, still open
        QVERIFY(!QFile::exists(optionFilePath()));
        form.close();
        letClosedWindowsGo();
        QCOMPARE(contentOf(optionFilePath()), QByteArray("[EXEINI]\r\nNUMBER=1\r\n"));
        QCOMPARE(SetForm::instance().DisconnectIfNoNewMail(), 1);
    }

    // A dialog stores only what the user changed in it, into the file as it is now: what another
    // copy of the program (or a hand edit) stored while the dialog was open stays, and so does a
    // value the dialog cannot show (APOP=2).
    void savesKeepWhatOthersStored_data() {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QByteArray>("storedMeanwhile");
        QTest::addColumn<QByteArray>("after");
        const QByteArray apop2 = QByteArray(serverFile).replace("APOP=1", "APOP=2");
        QTest::newRow("server: another copy's SMTP")
            << "OptionForm" << QByteArray(serverFile).replace("smtp.", "other.")
            << QByteArray(serverFile).replace("smtp.", "other.").replace("pop.", "new.");
        QTest::newRow("server: APOP=2 untouched")
            << "OptionForm" << apop2 << QByteArray(apop2).replace("pop.", "new.");
        QTest::newRow("account: another copy's ID")
            << "IdPassForm" << QByteArray("[EXEINI]\r\nNAME=other\r\nNAME2=oldpass\r\nNAME3=1\r\n")
            << QByteArray("[EXEINI]\r\nNAME=other\r\nNAME2=newpass\r\nNAME3=1\r\n");
        QTest::newRow("options: another copy's option")
            << "SetForm" << QByteArray("[EXEINI]\r\nNUMBER=1\r\n")
            << QByteArray("[EXEINI]\r\nNUMBER=1\r\n");
    }
    void savesKeepWhatOthersStored() {
        QFETCH(QString, dialog);
        QFETCH(QByteArray, storedMeanwhile);
        QFETCH(QByteArray, after);
        QCOMPARE(SaveAccount({}, {QStringLiteral("old"), QStringLiteral("oldpass"), true}),
                 std::nullopt);
        QVERIFY(writeContent(optionFilePath(), "[EXEINI]\r\nNUMBER=0\r\n"));
        const QString path = dialog == u"OptionForm"   ? QStringLiteral("vbmail.ini")
                             : dialog == u"IdPassForm" ? accountFilePath()
                                                       : optionFilePath();
        if (dialog == u"OptionForm") {
            // The file as it was before the other copy saved.
            QVERIFY(writeContent(path, QByteArray(storedMeanwhile).replace("other.", "smtp.")));
            LoadServerSettings(SettingsStore::instance());
        }
        QWidget* form = &settingsDialog(dialog);
        form->show();
        QVERIFY(writeContent(path, storedMeanwhile));
        if (dialog == u"OptionForm") {
            control<QLineEdit>(*form, "Pop3Text")->setText(QStringLiteral("new.example.jp"));
            click(*form, "OKCommand");
        } else if (dialog == u"IdPassForm") {
            IdPassForm::instance().PassText->setText(QStringLiteral("newpass"));
            click(*form, "OKCommand");
        } else {
            form->close();
        }
        letClosedWindowsGo();
        QCOMPARE(MessageBoxes::takeShown().size(), 0);
        QCOMPARE(contentOf(path), after);
    }

    // Making a dialog shows nothing and opens no box, even when its file cannot be read (a folder
    // in its place); a file a dialog read is said once, when the dialog is shown.
    void unreadableFilesAreSaidOnceTheDialogIsShown_data() {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("read"); // by the dialog's load step
        QTest::newRow("server, filled from the record")
            << "OptionForm" << QStringLiteral("vbmail.ini") << false;
        QTest::newRow("account") << "IdPassForm" << accountFilePath() << true;
        QTest::newRow("options") << "SetForm" << optionFilePath() << true;
    }
    void unreadableFilesAreSaidOnceTheDialogIsShown() {
        QFETCH(QString, dialog);
        QFETCH(QString, file);
        QFETCH(bool, read);
        QFile::remove(file);
        QVERIFY(QDir().mkdir(file));
        for (int twice = 0; twice < 2; ++twice) {
            QWidget& form = settingsDialog(dialog);
            QCoreApplication::processEvents();
            QVERIFY(!form.isVisible());
            QCOMPARE(MessageBoxes::takeShown().size(), 0);
            form.show();
            QCoreApplication::processEvents();
            const QList<MessageBoxes::Shown> shown = MessageBoxes::takeShown();
            QCOMPARE(shown.size(), twice == 0 && read ? 1 : 0);
            if (!shown.isEmpty())
                QVERIFY2(shown[0].text.contains(QDir::toNativeSeparators(file)),
                         qPrintable(shown[0].text));
            form.close();
            letClosedWindowsGo();
        }
        QVERIFY(QDir().rmdir(file));
    }

    void optionsDialogOpensEachOtherDialogOnce() {
        SetForm& form = SetForm::instance();
        form.show();
        for (int twice = 0; twice < 2; ++twice) {
            click(form, "Command1");
            click(form, "Command2");
        }
        const auto shown = [](const char* name) {
            int count = 0;
            for (QWidget* window : QApplication::topLevelWidgets())
                count += window->objectName() == QLatin1String(name) && window->isVisible();
            return count;
        };
        QCOMPARE(shown("IdPassForm"), 1);
        QCOMPARE(shown("OptionForm"), 1);
        QCOMPARE(shown("SetForm"), 1);
    }

    // A save that cannot be made is said in an "エラー" box; the dialog stays open with what
    // was typed, and what was stored stays as it was.
    void failedSavesAreSaidAndLoseNothing_data() {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("said");
        QTest::newRow("server: character outside the code page")
            << "OptionForm" << QStringLiteral("popé.example.jp") << QStringLiteral("é");
        QTest::newRow("server: file cannot be written")
            << "OptionForm" << QStringLiteral("pop.example.jp") << QStringLiteral("vbmail.ini");
        QTest::newRow("account: character outside the code page")
            << "IdPassForm" << QStringLiteral("pä") << QStringLiteral("ä");
        // The check's own reading of the server's form, at saving.
        const QString forms = QStringLiteral("1～65535");
        for (const char* typed : {"pop3s://", "pop.example.jp:0", "pop.example.jp:99999",
                                  "pop.example.jp:abc", "pop.example.jp 110"})
            QTest::addRow("server: %s", typed)
                << "OptionForm" << QString::fromLatin1(typed) << forms;
    }
    void failedSavesAreSaidAndLoseNothing() {
        QFETCH(QString, dialog);
        QFETCH(QString, typed);
        QFETCH(QString, said);
        QCOMPARE(SaveAccount({}, {QStringLiteral("old"), QStringLiteral("oldpass"), true}),
                 std::nullopt);
        const QByteArray account = contentOf(accountFilePath());
        if (said == QStringLiteral("vbmail.ini")) {
            QFile::remove(QStringLiteral("vbmail.ini"));
            QVERIFY(QDir().mkdir(QStringLiteral("vbmail.ini")));
        }
        QWidget* form = &settingsDialog(dialog);
        form->show();
        if (dialog == QStringLiteral("OptionForm")) {
            control<QLineEdit>(*form, "Pop3Text")->setText(typed);
        } else {
            control<QLineEdit>(*form, "PassText")->setText(typed);
            control<QCheckBox>(*form, "Check1")->setChecked(true);
        }
        click(*form, "OKCommand");
        letClosedWindowsGo();
        const QList<MessageBoxes::Shown> shown = MessageBoxes::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].title, QStringLiteral("エラー"));
        QVERIFY2(shown[0].text.contains(said), qPrintable(shown[0].text));
        QVERIFY(form->isVisible());
        QCOMPARE(control<QLineEdit>(*form, dialog == QStringLiteral("OptionForm") ? "Pop3Text"
                                                                                  : "PassText")
                     ->text(),
                 typed);
        QCOMPARE(SettingsStore::instance().Pop3Server, QStringLiteral("pop.example.jp"));
        QCOMPARE(contentOf(accountFilePath()), account);
        if (said != QStringLiteral("vbmail.ini"))
            QCOMPARE(contentOf(QStringLiteral("vbmail.ini")), serverFile);
        QDir().rmdir(QStringLiteral("vbmail.ini"));
    }

    // A box shows text as text: markup as it is, a server's control and direction characters
    // spelt out; no caret; a long sentence is not wrapped inside a word; a long name wraps,
    // every line of it shown.
    void messageBoxesShowTextAsText() {
        QCOMPARE(MessageBoxes::shownText(QStringLiteral("<b>a</b>\x1B[2J\u202Eb\n\tc\x7F")),
                 QStringLiteral("<b>a</b><U+001B>[2J<U+202E>b\n\tc<U+007F>"));
        struct Seen {
            QString text;
            bool plain = false, caret = true, whole = false;
            int width = 0;
            QFontMetrics metrics{QFont()};
        };
        const auto show = [](const QString& text) {
            Seen seen;
            QTimer::singleShot(0, [&seen] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
                for (int waited = 0; waited < 2000 && !seen.whole; waited += 20) {
                    QTest::qWait(20);
                    seen.whole = label->height() >= label->heightForWidth(label->width()) &&
                                 label->width() <= box->width();
                }
                seen.text = label->text();
                seen.plain = label->textFormat() == Qt::PlainText;
                seen.caret = label->textInteractionFlags() & Qt::TextSelectableByKeyboard;
                seen.width = label->width();
                seen.metrics = label->fontMetrics();
                box->close();
            });
            MessageBoxes::setTestAnswer(std::nullopt);
            MessageBoxes::error(nullptr, text);
            MessageBoxes::setTestAnswer(QMessageBox::Ok);
            return seen;
        };
        const QString name = QStringLiteral("<i>設定ファイル</i>\n「%1.example.jp」\n最後の行")
                                 .arg(QString(150, QLatin1Char('b')));
        const Seen longName = show(name);
        QCOMPARE(longName.text, name);
        QVERIFY(longName.plain);
        QVERIFY(!longName.caret);
        QVERIFY(longName.whole);
        const QString sentence = QStringLiteral("ほかのプログラムがこのファイルを保存中です。"
                                                "しばらくしてからもう一度保存してください。");
        const Seen longSentence = show(sentence);
        QVERIFY(longSentence.width >= longSentence.metrics.horizontalAdvance(sentence));
    }

    // The options dialog closes whatever happens; an option "ini.ini" cannot keep is said once
    // and lasts, in every later dialog and check, until the program ends or a save succeeds.
    void unstorableOptionIsSaidOnceAndLasts() {
        QVERIFY(QDir().mkdir(optionFilePath()));
        for (int time = 0; time < 2; ++time) {
            QPointer<SetForm> form = &SetForm::instance();
            form->show();
            if (time == 0)
                click(*form, "Check1");
            form->close();
            letClosedWindowsGo();
            QVERIFY(form.isNull());
            QCOMPARE(SetForm::instance().DisconnectIfNoNewMail(), 1);
        }
        QStringList said;
        for (const MessageBoxes::Shown& box : MessageBoxes::takeShown())
            if (box.text.contains(QStringLiteral("保存できませんでした")))
                said << box.text;
        QCOMPARE(said.size(), 1);
        QVERIFY2(said[0].contains(QStringLiteral("ini.ini")) &&
                     said[0].contains(QStringLiteral("終了するまで有効")),
                 qPrintable(said[0]));
        QVERIFY(QDir().rmdir(optionFilePath()));
        SetForm::instance().show();
        SetForm::instance().close();
        letClosedWindowsGo();
        QCOMPARE(contentOf(optionFilePath()), QByteArray("[EXEINI]\r\nNUMBER=1\r\n"));
    }
};

QTEST_MAIN(TestSettingsDialogs)
#include "tst_settingsdialogs.moc"
