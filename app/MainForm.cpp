#include "app/MainForm.h"

#include "app/HomePage.h"
#include "app/ProgramBusy.h"
#include "app/SecondStart.h"
#include "app/Twips.h"
#include "app/UiFont.h"
#include "app/X11WindowState.h"

#include "chara/CharaLoop.h"
#include "chara/CharaPose.h"
#include "chara/Form1.h"
#include "chara/Form2.h"
#include "chara/StageCanvas.h"

#include "mail/CheckNewMail.h"
#include "mail/HangUpDialUp.h"
#include "mail/MailLibrary.h"

#include "watch/AutomaticResult.h"
#include "watch/CheckSchedule.h"
#include "watch/WatchMenu.h"

#include "settings/IdPassForm.h"
#include "settings/OptionFile.h"
#include "settings/OptionForm.h"
#include "settings/ReadProblems.h"
#include "settings/ServerSettingsFile.h"
#include "settings/SetForm.h"
#include "settings/SettingsStore.h"
#include "settings/WatchFile.h"
#include "ui/DialogLook.h"
#include "ui/MessageBoxes.h"
#include "ui/OnScreen.h"

#include "resources/ProgramIcon.h"

#include "platform/NMail.h"
#include "platform/ProcessEnd.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QWindow>

namespace {

constexpr int clientWidthTwips = 4215;
constexpr int clientHeightTwips = 2655;
// Caption, menu bar and borders of the window these heights were laid out for: the part of the
// outer height that is not client area.
constexpr int nonClientHeightTwips = 660;
constexpr int mainStageStepMs = 300;
constexpr double countPointSize = 9;
// Smaller digits than these no longer read easily; the count box fits six of them.
constexpr double smallestCountPointSize = 7;
// What QLineEdit keeps between its frame and its text on either side.
constexpr int lineEditTextMargin = 2;
const QColor backgroundColour(64, 0, 0);

QRect twipsRect(int left, int top, int width, int height) {
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

template <typename Widget> Widget* place(Widget* widget, const char* name, QRect geometry) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

QLineEdit* panelText(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* box = place(new QLineEdit(text, parent), name, geometry);
    box->setReadOnly(true);
    box->setCursorPosition(0);
    return box;
}

// A picture on a high-density screen, enlarged by whole device pixels where it can be: pixel art
// stays crisp, where a label would smooth it.
QPixmap crispPixmap(const QPixmap& picture, qreal ratio) {
    QPixmap enlarged = picture.scaled((QSizeF(picture.size()) * ratio).toSize(),
                                      Qt::IgnoreAspectRatio, Qt::FastTransformation);
    enlarged.setDevicePixelRatio(ratio);
    return enlarged;
}

// The count box is narrow: a count too long for it is drawn smaller rather than cut.
void fitCountToBox(QLineEdit* box) {
    const int frame = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, box);
    const int room = box->width() - 2 * (frame + lineEditTextMargin);
    QFont font = fixedPitchUiFont(countPointSize);
    while (font.pointSizeF() > smallestCountPointSize &&
           QFontMetrics(font).horizontalAdvance(box->text()) > room)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    box->setFont(font);
}

// Says a check's result to screen readers. Orca hears the changes of a box that lacks the keyboard
// but speaks none of them, and Qt 6.4 has no announcement event; a notification that shows is
// spoken wherever the keyboard is. This one is never on the screen.
class ResultNotice : public QWidget {
public:
    using QWidget::QWidget;
};

QAccessibleInterface* resultNoticeAccessible(const QString&, QObject* object) {
    if (auto* notice = dynamic_cast<ResultNotice*>(object))
        return new QAccessibleWidget(notice, QAccessible::Notification);
    return nullptr;
}

} // namespace

MainForm& MainForm::instance() {
    return FormInstance<MainForm>::get();
}

MainForm::MainForm() {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("ぽまりん"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(programIcon());
    buildMenu();
    buildClientArea();
    keepOnScreen(*this);

    startCharaStepTimer(this, mainStageStepMs);
}

void MainForm::buildClientArea() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    QPalette palette = client->palette();
    palette.setColor(QPalette::Window, backgroundColour);
    client->setPalette(palette);
    client->setAutoFillBackground(true);
    setCentralWidget(client);

    // The scene sits inside the box's sunken border, which hides its right and bottom edges.
    auto* background =
        place(new QLabel(client), "Picture2", twipsRect(0, 0, clientWidthTwips, clientHeightTwips));
    background->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    background->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const QPixmap scene(QStringLiteral(":/images/scene.png"));
    background->setPixmap(crispPixmap(
        scene.copy(QRect(QPoint(0, 0), background->contentsRect().size())), devicePixelRatio()));

    m_stage = new StageCanvas(QImage(QStringLiteral(":/images/stage.png")), client);
    m_stage->move(twipsToPixels(3600), twipsToPixels(2040));

    buildPanel(client);
    buildHiddenControls(client);
}

void MainForm::buildPanel(QWidget* client) {
    auto* heading = panelText(client, "Text5", QStringLiteral("　　　　　　新　着　情　報"),
                              twipsRect(1560, 2660, 2655, 285));
    heading->setFont(uiFont(9.75));
    QPalette headingPalette = heading->palette();
    headingPalette.setColor(QPalette::Base, Qt::blue);
    headingPalette.setColor(QPalette::Text, Qt::white);
    heading->setPalette(headingPalette);
    // Read without the spacing that spreads the heading across the box.
    heading->setAccessibleName(QStringLiteral("新着情報"));

    auto* countCaption = place(new QLabel(QStringLiteral("　新着数"), client), "Label4",
                               twipsRect(240, 3000, 735, 255));
    QPalette captionPalette = countCaption->palette();
    captionPalette.setColor(QPalette::WindowText, Qt::white);
    countCaption->setPalette(captionPalette);

    // Wider than the program first had it, into the gaps beside it, so that six digits fit.
    m_resultNumber =
        panelText(client, "Text6", QStringLiteral("1"), twipsRect(990, 2920, 555, 270));
    fitCountToBox(m_resultNumber);
    m_resultText = panelText(client, "Text3", QStringLiteral("新着メール有り"),
                             twipsRect(1560, 2900, 2655, 300));
    // Named by the caption beside the count and the heading above the result.
    m_resultNumber->setAccessibleName(QStringLiteral("新着数"));
    m_resultText->setAccessibleName(QStringLiteral("新着情報"));

    auto* restoreSize = place(new QPushButton(QStringLiteral("元のサイズ"), client), "Command2",
                              twipsRect(0, 2680, 1455, 260));
    connect(restoreSize, &QPushButton::clicked, this,
            [this] { setOuterHeightTwips(collapsedHeightTwips); });
}

void MainForm::buildHiddenControls(QWidget* client) {
    auto* sheet = new QLabel(client);
    sheet->setObjectName(QStringLiteral("picChara"));
    sheet->setPixmap(QPixmap(QStringLiteral(":/images/chara.png")));
    sheet->hide();
    m_charaLoop = new CharaLoop(m_stage, sheet->pixmap().toImage(), sharedCharaPose(), this);

    auto* runCourier = new QPushButton(client);
    runCourier->setObjectName(QStringLiteral("Command1"));
    runCourier->hide();
    connect(runCourier, &QPushButton::clicked, this, &MainForm::runCourier);
    auto* hangUp = new QPushButton(QStringLiteral("切断"), client);
    hangUp->setObjectName(QStringLiteral("Command5"));
    hangUp->hide();
    connect(hangUp, &QPushButton::clicked, this, [] { HangUpDialUp(); });
    m_hangUp = hangUp;
    QAccessible::installFactory(resultNoticeAccessible);
    m_resultNotice = new ResultNotice(client);
    m_resultNotice->setObjectName(QStringLiteral("resultNotice"));
    m_resultNotice->setAccessibleName(QStringLiteral("新着情報"));
    m_resultNotice->hide();
}

void MainForm::buildMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    file->setObjectName(QStringLiteral("mfile"));
    const auto item = [file](const char* name, const QString& caption) {
        QAction* action = caption.isEmpty() ? file->addSeparator() : file->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    connect(item("mcheck", QStringLiteral("新着メールチェック")), &QAction::triggered, this,
            &MainForm::checkCommand);
    item("mline2", {});
    connect(item("mset", QStringLiteral("設定")), &QAction::triggered, this,
            [] { showInFront(SetForm::instance()); });
    connect(item("mtaiki", QStringLiteral("待機")), &QAction::triggered, this,
            &MainForm::goToStandby);
    connect(item("mzenmen", QStringLiteral("常に前面表示")), &QAction::triggered, this,
            &MainForm::toggleAlwaysOnTop);
    item("mline3", {});
    connect(item("mhikyaku", QStringLiteral("飛脚を走らせる")), &QAction::triggered, this,
            &MainForm::runCourier);
    connect(item("mmodosu", QStringLiteral("飛脚を戻す")), &QAction::triggered, this,
            [this] { courier().hide(); });
    item("mline", {});
    connect(item("mhp", QStringLiteral("作者のホームページ")), &QAction::triggered, this,
            [this] { openHomePage(this); });
}

void MainForm::setOuterHeightTwips(int twips) {
    const int clientHeight = twipsToPixels(twips - nonClientHeightTwips);
    setFixedSize(twipsToPixels(clientWidthTwips), menuBar()->sizeHint().height() + clientHeight);
    // Grown at the bottom of the screen, the window moves up rather than hide the result.
    moveOntoScreen(*this);
}

void MainForm::load() {
    setOuterHeightTwips(collapsedHeightTwips);
    // The stored option goes into the options dialog, which is made hidden for it, as the stored
    // account does into the account dialog; what the files could not give is said now.
    SetForm::instance().setDisconnectIfNoNewMail(ReadDisconnectOption());
    LoadServerSettings(SettingsStore::instance());
    const IdPassForm& account = IdPassForm::instance();
    showReadProblems(this);
    NMailInitializeWinSock();
    NMailSetOption(NMailOptionStatusBufferSize, statusBufferSize);
    // The check throws every message away: the library need not hold them.
    NMailSetOption(NMailOptionKeepMessages, 0);
    // A first run leads straight to the two settings a check needs. The keyboard goes to the
    // first of them, the one on top, rather than to the windows shown after it, and from there
    // to the second once the first is closed (the window manager would give it to this window).
    QDialog* first = nullptr;
    const auto prompt = [&first](QDialog& dialog) {
        if (!first) {
            showInFront(dialog);
            first = &dialog;
            return;
        }
        showWithoutActivating(dialog);
        QObject::connect(
            first, &QDialog::finished, &dialog,
            [&dialog] {
                if (dialog.isVisible())
                    showInFront(dialog);
            },
            Qt::SingleShotConnection);
    };
    if (SettingsStore::instance().Pop3Server.isEmpty())
        prompt(OptionForm::instance());
    if (account.IdText->text().isEmpty() || account.PassText->text().isEmpty())
        prompt(IdPassForm::instance());
    setAttribute(Qt::WA_ShowWithoutActivating, first != nullptr);
    startWatching();
    RunCharaLoop();
}

void MainForm::startWatching() {
    m_schedule = new CheckSchedule(NMail(), this);
    connect(m_schedule, &CheckSchedule::checkStarting, this, &MainForm::showChecking);
    connect(m_schedule, &CheckSchedule::checked, this, &MainForm::showAutomaticResult);
    m_schedule->setIntervalMinutes(ReadWatchSettings().intervalMinutes);
}

void MainForm::showAutomaticResult(const CheckOutcome& outcome) {
    ShowAutomaticResult(outcome, m_seen, *this, announceNewMail);
}

void MainForm::RunCharaLoop() {
    m_charaLoop->run();
    centreOnScreen();
    show();
}

void MainForm::centreOnScreen() {
    const QRect available = screen()->availableGeometry();
    move(available.center() - rect().center());
}

Form1& MainForm::courier() {
    Form1& form = Form1::instance();
    connect(&form, &Form1::endProgramRequested, this, &MainForm::endProgram, Qt::UniqueConnection);
    return form;
}

void MainForm::runCourier() {
    Form1& form = courier();
    // A helper of the main window, not a window of its own in the task bar or window switcher.
    skipTaskbarAndPager(form);
    form.show();
}

void MainForm::goToStandby() {
    Form2& standby = Form2::instance();
    connect(&standby, &Form2::returnRequested, this, &MainForm::returnFromStandby,
            Qt::UniqueConnection);
    connect(&standby, &Form2::endProgramRequested, this, &MainForm::endProgram,
            Qt::UniqueConnection);
    connect(&standby, &Form2::watchMenuRequested, this, &MainForm::showWatchMenuOnStandby,
            Qt::UniqueConnection);
    showInFront(standby);
    // Hidden, this stage still follows the steps in its back image, unpainted, so that it shows
    // the step of the moment when it returns: a loop draws only on a change, so it costs nothing.
    hide();
}

void MainForm::returnFromStandby() {
    // Shown without the keyboard at a first start, the window takes it when the user asks for it.
    showInFront(*this);
    Form2::instance().hide();
}

void MainForm::toggleAlwaysOnTop() {
    const bool onTop = !m_alwaysOnTop;
    MessageBoxes::show(this, QMessageBox::Information, QStringLiteral("Pomarin"),
                       onTop ? QStringLiteral("常に手前表示が設定されました。")
                             : QStringLiteral("常に手前表示が解除されました。"),
                       QMessageBox::Ok);
    // Only the main window: the courier and standby windows keep their own stacking. Set on the
    // native window, which then stays as it is; changing the widget's flags would make a new one.
    windowHandle()->setFlag(Qt::WindowStaysOnTopHint, onTop);
    show();
    m_alwaysOnTop = onTop;
}

void MainForm::checkCommand() {
    m_schedule->runWhenFree([this] {
        // The windows go on painting while the library waits, and take no input.
        const ProgramBusy busy;
        CheckNewMail(NMail(), *this);
    });
}

void MainForm::showChecking() {
    setResultToolTip({});
    setResultText(QStringLiteral("チェック中…"));
    setResultNumber(QString());
}

void MainForm::setResultText(const QString& text) {
    m_resultText->setText(text);
    m_resultText->setCursorPosition(0);
    announceResult();
}

void MainForm::setResultNumber(const QString& text) {
    m_resultNumber->setText(text);
    fitCountToBox(m_resultNumber);
    m_resultNumber->setCursorPosition(0);
    announceResult();
}

// The text and the count are written one after the other: once both are in, one announcement
// says them together, where a second would cut the first short.
void MainForm::announceResult() {
    if (m_announcementDue)
        return;
    m_announcementDue = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_announcementDue = false;
            QString said = m_resultText->text();
            if (!m_resultNumber->text().isEmpty())
                said += QStringLiteral("　新着数 ") + m_resultNumber->text();
            m_resultNotice->setAccessibleDescription(said);
            QAccessibleEvent shown(m_resultNotice, QAccessible::ObjectShow);
            QAccessible::updateAccessibility(&shown);
        },
        Qt::QueuedConnection);
}

void MainForm::setResultToolTip(const QString& text) {
    m_resultText->setToolTip(text);
}

void MainForm::showInformationPanel() {
    setOuterHeightTwips(expandedHeightTwips);
}

void MainForm::clickHangUp() {
    m_hangUp->click();
}

void MainForm::comeForward() {
    Form2* const standby = FormInstance<Form2>::existing();
    if (standby && standby->isVisible())
        showInFront(*standby);
    else if (isVisible())
        showInFront(*this);
}

// Ends the program at once: the main window's close, the standby window's close and the courier's
// right click all come here. Nothing of an open dialog is stored.
void MainForm::endProgram() {
    stopHearingOfLaterStarts();
    endProcessNow();
}

void MainForm::closeEvent(QCloseEvent*) {
    // An automatic check's thread holds the library until the process ends with it.
    if (!m_schedule->isChecking())
        NMailEndWinSock();
    endProgram();
}

void MainForm::showWatchMenuOnStandby(const QPoint& globalPosition) {
    showWatchMenu(&Form2::instance(), globalPosition, *m_schedule);
}

void MainForm::contextMenuEvent(QContextMenuEvent* event) {
    const QWidget* target = childAt(event->pos());
    if (target == m_stage || target == findChild<QWidget*>(QStringLiteral("Picture2")))
        showWatchMenu(this, event->globalPos(), *m_schedule);
}
