#include "app/HomePage.h"
#include "app/MainForm.h"
#include "app/ProgramBusy.h"
#include "app/QtTexts.h"

#include "chara/CharaPose.h"
#include "chara/Form1.h"
#include "chara/Form2.h"
#include "chara/StageCanvas.h"

#include "settings/SettingsStore.h"
#include "ui/MessageBoxes.h"

#include "platform/NMailLibrary.h"

#include "FileContent.h"
#include "TestHome.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

template <typename Widget> Widget* control(const char* name) {
    return MainForm::instance().findChild<Widget*>(QString::fromLatin1(name));
}

int clientHeight() {
    return MainForm::instance().centralWidget()->height();
}

} // namespace

class TestMainForm : public QObject {
    Q_OBJECT
public:
    static void initMain() { useTemporaryHome(); }

private:
    QTemporaryDir m_workingDir;

private Q_SLOTS:
    void initTestCase() {
        // Start-up reads the server settings from the working directory.
        QVERIFY(QDir::setCurrent(m_workingDir.path()));
        QFile settings(QStringLiteral("vbmail.ini"));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("SMTP=smtp.example.jp\r\nPOP3=pop.example.jp\r\nMAIL=\r\nAPOP=1\r\n");
        settings.close();
        MainForm::instance();
        QVERIFY(QTest::qWaitForWindowExposed(&MainForm::instance()));
    }

    void startUpLoadsSettingsAndSetsUpTheMailLibrary() {
        QCOMPARE(SettingsStore::instance().Pop3Server, QStringLiteral("pop.example.jp"));
        QCOMPARE(SettingsStore::instance().SmtpServer, QStringLiteral("smtp.example.jp"));
        QCOMPARE(SettingsStore::instance().ApopFlag, qint16(1));
        QVERIFY(NMailLibrary::isInitialized());
        QCOMPARE(NMailLibrary::statusBufferSize(), 8192);
    }

    void isAFixedWindowWithoutMaximiseBox() {
        MainForm& form = MainForm::instance();
        QCOMPARE(&form, &MainForm::instance());
        QCOMPARE(form.windowTitle(), QStringLiteral("ぽまりん"));
        const Qt::WindowFlags flags = form.windowFlags();
        QVERIFY(flags.testFlags(Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QVERIFY(!form.windowIcon().isNull());
        QCOMPARE(form.centralWidget()->width(), 281);
    }

    void startsCollapsedAndCentred() {
        MainForm& form = MainForm::instance();
        QCOMPARE(clientHeight(), 177);
        const QPoint offset =
            form.frameGeometry().center() - form.screen()->availableGeometry().center();
        QVERIFY2(offset.manhattanLength() <= 40,
                 qPrintable(QString::number(offset.manhattanLength())));
    }

    void restoreSizeCollapsesTheExpandedWindow() {
        MainForm& form = MainForm::instance();
        form.setOuterHeightTwips(MainForm::expandedHeightTwips);
        QCOMPARE(clientHeight(), 221);
        QVERIFY(control<QWidget>("Command2")->isVisible());
        QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
        QCOMPARE(clientHeight(), 177);
        QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
        QCOMPARE(clientHeight(), 177);
    }

    void controlsStandWhereTheyBelong_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text");
        QTest::newRow("background") << "Picture2" << QRect(0, 0, 281, 177) << QString();
        QTest::newRow("stage") << "picMain" << QRect(240, 136, 41, 37) << QString();
        QTest::newRow("heading") << "Text5" << QRect(104, 177, 177, 19)
                                 << QStringLiteral("　　　　　　新　着　情　報");
        QTest::newRow("count caption")
            << "Label4" << QRect(16, 200, 49, 17) << QStringLiteral("　新着数");
        QTest::newRow("count") << "Text6" << QRect(66, 195, 37, 18) << QStringLiteral("1");
        QTest::newRow("result") << "Text3" << QRect(104, 193, 177, 20)
                                << QStringLiteral("新着メール有り");
        QTest::newRow("restore size")
            << "Command2" << QRect(0, 179, 97, 17) << QStringLiteral("元のサイズ");
    }
    void controlsStandWhereTheyBelong() {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, text);
        QWidget* widget = control<QWidget>(qPrintable(name));
        QVERIFY2(widget, qPrintable(name));
        QCOMPARE(widget->geometry(), geometry);
        if (auto* box = qobject_cast<QLineEdit*>(widget))
            QCOMPARE(box->text(), text);
        else if (auto* label = qobject_cast<QLabel*>(widget); label && !text.isEmpty())
            QCOMPARE(label->text(), text);
        else if (auto* button = qobject_cast<QPushButton*>(widget))
            QCOMPARE(button->text(), text);
    }

    void panelUsesAJapaneseFontAndItsColours() {
        auto* heading = control<QLineEdit>("Text5");
        QCOMPARE(heading->font().pointSizeF(), 9.75);
        const QString family = QFontInfo(heading->font()).family();
        QVERIFY2(family.contains(QStringLiteral("Gothic")) ||
                     family.contains(QStringLiteral("ゴシック")),
                 qPrintable(family));
        QCOMPARE(heading->palette().color(QPalette::Base), QColor(Qt::blue));
        QCOMPARE(heading->palette().color(QPalette::Text), QColor(Qt::white));
        QCOMPARE(control<QLabel>("Label4")->palette().color(QPalette::WindowText),
                 QColor(Qt::white));
        QCOMPARE(MainForm::instance().centralWidget()->palette().color(QPalette::Window),
                 QColor(64, 0, 0));
    }

    void hiddenControlsExist() {
        QCOMPARE(control<QPushButton>("Command5")->text(), QStringLiteral("切断"));
        QVERIFY(control<QPushButton>("Command1"));
        QVERIFY(!control<QWidget>("Command1")->isVisible());
        QCOMPARE(control<QLabel>("picChara")->pixmap().size(), QSize(64, 256));
        auto* stepTimer = control<QTimer>("tmrCharaStep");
        QVERIFY(stepTimer->isActive());
        QCOMPARE(stepTimer->interval(), 300);
    }

    void menuHoldsItsItemsInOrder() {
        QMenuBar* bar = MainForm::instance().menuBar();
        QCOMPARE(bar->actions().size(), 1);
        auto* file = MainForm::instance().findChild<QMenu*>(QStringLiteral("mfile"));
        QVERIFY(file);
        QCOMPARE(file->title(), QStringLiteral("ファイル(&F)"));
        const QStringList expected = {QStringLiteral("mcheck:新着メールチェック"),
                                      QStringLiteral("mline2:-"),
                                      QStringLiteral("mset:設定"),
                                      QStringLiteral("mtaiki:待機"),
                                      QStringLiteral("mzenmen:常に前面表示"),
                                      QStringLiteral("mline3:-"),
                                      QStringLiteral("mhikyaku:飛脚を走らせる"),
                                      QStringLiteral("mmodosu:飛脚を戻す"),
                                      QStringLiteral("mline:-"),
                                      QStringLiteral("mhp:作者のホームページ")};
        QStringList actual;
        for (const QAction* action : file->actions()) {
            QVERIFY(!action->isCheckable());
            actual << action->objectName() + QLatin1Char(':') +
                          (action->isSeparator() ? QStringLiteral("-") : action->text());
        }
        QCOMPARE(actual, expected);
    }

    void courierCommandsShowAndHideTheOneCourier() {
        const auto choose = [](const char* name) {
            MainForm::instance().findChild<QAction*>(QString::fromLatin1(name))->trigger();
        };
        choose("mhikyaku");
        QVERIFY(Form1::instance().isVisible());
        choose("mhikyaku");
        const QWidgetList windows = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(windows.begin(), windows.end(),
                               [](QWidget* w) { return qobject_cast<Form1*>(w) != nullptr; }),
                 1);
        choose("mmodosu");
        QVERIFY(!Form1::instance().isVisible());
        choose("mmodosu");
        QVERIFY(!Form1::instance().isVisible());
        control<QPushButton>("Command1")->click();
        QVERIFY(Form1::instance().isVisible());
        choose("mmodosu");
    }

    // 待機 leaves exactly the standby window shown; 復帰 brings the main window back; the standby
    // window is the same one each time, its character stepping.
    void standbyTakesTheMainWindowsPlace() {
        MainForm& main = MainForm::instance();
        auto* standby = main.findChild<QAction*>(QStringLiteral("mtaiki"));
        standby->trigger();
        Form2& form = Form2::instance();
        QVERIFY(form.isVisible());
        QVERIFY(!main.isVisible());
        QCOMPARE(form.windowTitle(), QStringLiteral("待機"));
        QCOMPARE(form.size(), QSize(64, 36));
        QVERIFY(form.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!form.windowIcon().isNull());
        auto* stage = form.findChild<StageCanvas*>(QStringLiteral("picMain"));
        const QImage first = stage->backImage();
        QTRY_VERIFY_WITH_TIMEOUT(stage->backImage() != first, 2000);

        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        QVERIFY(main.isVisible());
        QVERIFY(!form.isVisible());
        standby->trigger();
        QCOMPARE(&Form2::instance(), &form);
        QVERIFY(form.isVisible());
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        QVERIFY(main.isVisible());
    }

    void alwaysOnTopAlternatesAfterItsMessage() {
        MessageBoxes::setTestAnswer(QMessageBox::Ok);
        auto* toggle = MainForm::instance().findChild<QAction*>(QStringLiteral("mzenmen"));
        for (const bool onTop : {true, false, true}) {
            toggle->trigger();
            const QList<MessageBoxes::Shown> shown = MessageBoxes::takeShown();
            QCOMPARE(shown.size(), 1);
            QCOMPARE(shown[0].title, QStringLiteral("Pomarin"));
            QCOMPARE(shown[0].icon, QMessageBox::Information);
            QCOMPARE(shown[0].text, onTop ? QStringLiteral("常に手前表示が設定されました。")
                                          : QStringLiteral("常に手前表示が解除されました。"));
            QCOMPARE(bool(MainForm::instance().windowHandle()->flags() & Qt::WindowStaysOnTopHint),
                     onTop);
            QVERIFY(MainForm::instance().isVisible());
        }
        toggle->trigger(); // back to an ordinary window for the other tests
        MessageBoxes::takeShown();
        MessageBoxes::setTestAnswer(std::nullopt);
    }

    // The page's address goes to the browser (xdg-open) only after Yes, and only if the page is
    // there; a missing page, a missing xdg-open, one that finds no browser and a browser that
    // fails are said in a box, each as what it is.
    void homePageAsksFirst_data() {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<bool>("pageShipped");
        QTest::addColumn<int>("xdgOpenStatus"); // -1: there is none
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("handedOver");
        const QString noBrowser = QStringLiteral("ウェブブラウザーが見つかりません");
        QTest::newRow("no") << QMessageBox::No << true << 0 << QString() << false;
        QTest::newRow("yes") << QMessageBox::Yes << true << 0 << QString() << true;
        QTest::newRow("yes, page missing")
            << QMessageBox::Yes << false << 0
            << QStringLiteral("ホームページのファイルが見つかりません。") << false;
        QTest::newRow("yes, no browser behind xdg-open")
            << QMessageBox::Yes << true << 3 << noBrowser << true;
        QTest::newRow("yes, the browser fails")
            << QMessageBox::Yes << true << 4
            << QStringLiteral("ホームページを開けませんでした（終了コード 4）") << true;
        QTest::newRow("yes, no xdg-open") << QMessageBox::Yes << true << -1 << noBrowser << false;
    }
    void homePageAsksFirst() {
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(bool, pageShipped);
        QFETCH(int, xdgOpenStatus);
        QFETCH(QString, error);
        QFETCH(bool, handedOver);
        const QUrl address = homePageAddress();
        QVERIFY(address.isLocalFile());
        QDir pageDir = QFileInfo(address.toLocalFile()).dir();
        if (pageShipped) {
            QVERIFY(pageDir.mkpath(QStringLiteral(".")));
            QVERIFY(writeContent(address.toLocalFile(), "<html></html>"));
        }
        // A stand-in for xdg-open, alone on the PATH, that notes the address it is given.
        QTemporaryDir bin;
        const QString record = bin.filePath(QStringLiteral("opened"));
        if (xdgOpenStatus >= 0) {
            const QString script = bin.filePath(QStringLiteral("xdg-open"));
            QVERIFY(
                writeContent(script, QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > '%1.part'\n"
                                                    "/bin/mv '%1.part' '%1'\nexit %2\n")
                                         .arg(record)
                                         .arg(xdgOpenStatus)
                                         .toUtf8()));
            QVERIFY(QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner));
        }
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.path().toUtf8());
        const auto cleanup = qScopeGuard([&pageDir, &path] {
            pageDir.removeRecursively();
            qputenv("PATH", path);
        });
        MessageBoxes::setTestAnswer(answer);

        MainForm::instance().findChild<QAction*>(QStringLiteral("mhp"))->trigger();
        QList<MessageBoxes::Shown> shown = MessageBoxes::takeShown();
        if (handedOver)
            QTRY_VERIFY(QFile::exists(record));
        if (!error.isEmpty())
            QTRY_VERIFY((shown += MessageBoxes::takeShown()).size() == 2);
        MessageBoxes::setTestAnswer(std::nullopt);
        QCOMPARE(shown.size(), error.isEmpty() ? 1 : 2);
        QCOMPARE(shown[0].title, QStringLiteral("確認"));
        QCOMPARE(shown[0].icon, QMessageBox::Question);
        QCOMPARE(shown[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(shown[0].text,
                 QStringLiteral("「ちくわ商会」作者のホームページです。ちょっと見てみますか？"));
        if (!error.isEmpty()) {
            QCOMPARE(shown[1].title, QStringLiteral("エラー"));
            QVERIFY2(shown[1].text.contains(error), qPrintable(shown[1].text));
        }
        QCOMPARE(QFile::exists(record), handedOver);
        if (handedOver)
            QCOMPARE(QUrl(QString::fromUtf8(contentOf(record))), address);
    }

    // While a check waits on a silent server, the panel says so rather than showing the last
    // check's result as if it were this one's; it keeps its height.
    void panelSaysCheckingWhileACheckWaits() {
        MainForm& form = MainForm::instance();
        form.setResultText(QStringLiteral("新着メール有り。"));
        form.setResultNumber(QStringLiteral("12000"));
        form.showInformationPanel();
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        SettingsStore& store = SettingsStore::instance();
        const QString server = std::exchange(
            store.Pop3Server, QStringLiteral("pop3://127.0.0.1:%1").arg(silent.serverPort()));
        MessageBoxes::setTestAnswer(QMessageBox::Ok);
        const auto cleanup = qScopeGuard([&store, &server] {
            store.Pop3Server = server;
            MessageBoxes::takeShown();
            MessageBoxes::setTestAnswer(std::nullopt);
            MainForm::instance().setOuterHeightTwips(MainForm::collapsedHeightTwips);
        });
        // Connected, the check waits for the server's greeting: what the panel shows meanwhile.
        QStringList whileWaiting;
        int heightWhileWaiting = 0;
        connect(&silent, &QTcpServer::newConnection, this, [&] {
            whileWaiting = {control<QLineEdit>("Text3")->text(),
                            control<QLineEdit>("Text6")->text()};
            heightWhileWaiting = clientHeight();
            delete silent.nextPendingConnection(); // hangs up, which ends the check
        });
        form.findChild<QAction*>(QStringLiteral("mcheck"))->trigger();
        QCOMPARE(whileWaiting, QStringList({QStringLiteral("チェック中…"), QString()}));
        QCOMPARE(heightWhileWaiting, 221);
        QCOMPARE(control<QLineEdit>("Text3")->text(), QStringLiteral("チェックできませんでした。"));
    }

    // A box without an icon keeps no empty column for one: its text starts at the box's margin.
    void boxesWithoutIconHaveNoIndent_data() {
        QTest::addColumn<QMessageBox::Icon>("icon");
        QTest::newRow("no icon") << QMessageBox::NoIcon;
        QTest::newRow("question") << QMessageBox::Question;
    }
    void boxesWithoutIconHaveNoIndent() {
        QFETCH(QMessageBox::Icon, icon);
        int textLeft = -1;
        int margin = -1;
        int iconRight = -1;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            textLeft = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))->x();
            margin = box->layout()->contentsMargins().left();
            const auto* iconLabel =
                box->findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label"));
            if (iconLabel->isVisible())
                iconRight = iconLabel->geometry().right();
            box->close();
        });
        MessageBoxes::show(nullptr, icon, QStringLiteral("エラー"), QStringLiteral("text"),
                           QMessageBox::Ok);
        if (icon == QMessageBox::NoIcon)
            QCOMPARE(textLeft, margin);
        else
            QVERIFY2(textLeft > iconRight && iconRight > margin,
                     qPrintable(QStringLiteral("%1 %2").arg(textLeft).arg(iconRight)));
    }

    // What the user clicks, types or composes while the program is busy is dropped: none of it
    // acts afterwards. A release still arrives, so nothing stays pressed. (Shortcuts, which the
    // offscreen platform does not deliver, are tried on X11.)
    void inputWhileBusyIsDropped() {
        QWidget window;
        auto* button = new QPushButton(QStringLiteral("button"), &window);
        auto* box = new QLineEdit(&window);
        box->move(0, 40);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        int clicks = 0;
        connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
        box->setFocus();
        {
            const ProgramBusy busy;
            QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
            QTest::mouseClick(button, Qt::LeftButton);
            QTest::keyClicks(box, QStringLiteral("ab"));
            QInputMethodEvent composed;
            composed.setCommitString(QStringLiteral("あ"));
            QCoreApplication::sendEvent(box, &composed);
            QTest::mousePress(box, Qt::LeftButton); // its release is lost
            QCoreApplication::processEvents();
        }
        QCoreApplication::processEvents();
        QCOMPARE(clicks, 0);
        QCOMPARE(box->text(), QString());
        QVERIFY(!QGuiApplication::overrideCursor());

        // Pressed before, released while busy: the button comes up.
        QTest::mousePress(button, Qt::LeftButton);
        {
            const ProgramBusy busy;
            QTest::mouseRelease(button, Qt::LeftButton);
        }
        QVERIFY(!button->isDown());
        QTest::keyClicks(box, QStringLiteral("c"));
        QCOMPARE(box->text(), QStringLiteral("c"));
    }

    // The stage stands still while a message box is open, though its steps go on, and shows
    // the step of the moment when the box closes.
    void stageStandsStillUnderAMessageBox() {
        auto* stage = control<StageCanvas>("picMain");
        const QRect cell(0, 0, 32, 32);
        bool stepped = false;
        bool stillWhileOpen = false;
        QImage whenClosed;
        QTimer::singleShot(0, [&] {
            const QImage opened = stage->backImage().copy(cell);
            const qint16 step = sharedCharaPose().CharaStep;
            for (int waited = 0; waited < 1000 && sharedCharaPose().CharaStep == step; waited += 10)
                QTest::qWait(10);
            stepped = sharedCharaPose().CharaStep != step;
            stillWhileOpen = stage->backImage().copy(cell) == opened;
            whenClosed = stage->backImage().copy(cell);
            QApplication::activeModalWidget()->close();
        });
        MessageBoxes::error(&MainForm::instance(), QStringLiteral("box"));
        QVERIFY(stepped);
        QVERIFY(stillWhileOpen);
        QVERIFY(stage->backImage().copy(cell) != whenClosed);
    }

    // Every count up to six digits shows whole in its box: what the box draws holds the same ink
    // as the count drawn whole, in the box's font, in a box wide enough.
    void countsShowWhole_data() {
        QTest::addColumn<QString>("count");
        for (const char* count : {"7", "2000", "99999", "999999"})
            QTest::newRow(count) << QString::fromLatin1(count);
    }
    void countsShowWhole() {
        QFETCH(QString, count);
        MainForm& form = MainForm::instance();
        form.setResultNumber(count);
        auto* box = control<QLineEdit>("Text6");
        QLineEdit wide(count);
        wide.setFont(box->font());
        wide.resize(200, box->height());
        const auto ink = [](QWidget& widget) {
            QImage image = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
            QRect found;
            // Inside the frame: the text is the only dark thing there.
            for (int y = 2; y < image.height() - 2; ++y)
                for (int x = 2; x < image.width() - 2; ++x)
                    if (qGray(image.pixel(x, y)) < 128)
                        found |= QRect(x, y, 1, 1);
            return image.copy(found);
        };
        const QImage shown = ink(*box);
        QVERIFY2(!shown.isNull(), qPrintable(count));
        QCOMPARE(shown, ink(wide));
        QVERIFY(box->font().pointSizeF() >= 7);
        form.setResultNumber(QStringLiteral("1"));
    }

    void qtsOwnButtonsSpeakJapanese() {
        QVERIFY(installJapaneseQtTexts());
        QMessageBox box(QMessageBox::Question, QStringLiteral("確認"), QStringLiteral("?"),
                        QMessageBox::Yes | QMessageBox::No);
        QVERIFY2(box.button(QMessageBox::Yes)->text().contains(QStringLiteral("はい")),
                 qPrintable(box.button(QMessageBox::Yes)->text()));
        QVERIFY(box.button(QMessageBox::No)->text().contains(QStringLiteral("いいえ")));
    }

    void stageShowsTheFrontViewAndAnimates() {
        auto* stage = control<StageCanvas>("picMain");
        QCOMPARE(sharedCharaPose().CharaRow, qint16(2));
        const QRect cell(0, 0, 32, 32);
        const qint16 firstStep = sharedCharaPose().CharaStep;
        QTRY_VERIFY_WITH_TIMEOUT(sharedCharaPose().CharaStep != firstStep, 1000);
        const QImage afterFirstToggle = stage->backImage().copy(cell);
        QTRY_VERIFY_WITH_TIMEOUT(sharedCharaPose().CharaStep == firstStep, 1000);
        QTRY_VERIFY_WITH_TIMEOUT(stage->backImage().copy(cell) != afterFirstToggle, 200);
        const QImage background(QStringLiteral(":/images/stage.png"));
        QCOMPARE(stage->backImage().copy(32, 0, 9, 37),
                 background.convertToFormat(QImage::Format_RGB32).copy(32, 0, 9, 37));
    }
};

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
