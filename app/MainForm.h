#pragma once

#include "ui/FormInstance.h"

#include "mail/CheckWindow.h"
#include "watch/UnseenMail.h"

#include <QImage>
#include <QMainWindow>

class CharaLoop;
class CheckSchedule;
struct CheckOutcome;
class Form1;
class StageCanvas;
class QLabel;
class QLineEdit;
class QPushButton;

// The main window: the town street with the courier's stage, the information panel below it that
// a check uncovers, and the one menu. Loading it is the program's whole start-up.
class MainForm : public QMainWindow, public CheckWindow {
    Q_OBJECT
public:
    // Outer heights in twips: collapsed shows the street only, expanded the panel too.
    static constexpr int collapsedHeightTwips = 3315;
    static constexpr int expandedHeightTwips = 3975;

    // The one main window, made and loaded on first use.
    static MainForm& instance();

    void setOuterHeightTwips(int twips);

    // What a check shows and does on this window.
    void showChecking() override;
    void setResultText(const QString& text) override;
    void setResultNumber(const QString& text) override;
    void setResultToolTip(const QString& text) override;
    void showInformationPanel() override;
    void runCourier() override;
    void clickHangUp() override;

    // A later start of the program asked for this copy: the window it shows comes to the front.
    void comeForward();

protected:
    // Closing the main window ends the program at once.
    void closeEvent(QCloseEvent* event) override;
    // A right click on the street or the stage opens the menu of automatic checks.
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    friend class FormInstance<MainForm>;
    MainForm();
    void load();
    void RunCharaLoop();
    void buildClientArea();
    void buildPanel(QWidget* client);
    void buildHiddenControls(QWidget* client);
    void buildMenu();
    void centreOnScreen();
    // The courier window, connected so that its right click ends the program.
    Form1& courier();
    void checkCommand();
    void toggleAlwaysOnTop();
    void goToStandby();
    void returnFromStandby();
    void endProgram();
    void startWatching();
    void showAutomaticResult(const CheckOutcome& outcome);
    void showWatchMenuOnStandby(const QPoint& globalPosition);
    // Tells screen readers what the result boxes now hold.
    void announceResult();

    StageCanvas* m_stage = nullptr;
    CharaLoop* m_charaLoop = nullptr;
    QLineEdit* m_resultText = nullptr;
    QLineEdit* m_resultNumber = nullptr;
    QWidget* m_resultNotice = nullptr;
    bool m_announcementDue = false;
    QPushButton* m_hangUp = nullptr;
    bool m_alwaysOnTop = false; // AlwaysOnTop: flipped by every use of "常に前面表示"
    CheckSchedule* m_schedule = nullptr;
    // What the last automatic check saw, against which the next one tells new mail.
    std::optional<MailboxSnapshot> m_seen;
};
