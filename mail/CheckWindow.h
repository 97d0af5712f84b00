#pragma once

#include <QString>

// What the check and its result display use of the main window, which lies above this folder:
// the result boxes of its information panel, its height, the run-the-courier command and the
// hidden button "切断".
class CheckWindow {
public:
    // The panel, open or not, says that a check runs (Text3 "チェック中…", Text6 empty), so that
    // a slow check never shows the last one's result as its own.
    virtual void showChecking() = 0;
    virtual void setResultText(const QString& text) = 0;   // Text3
    virtual void setResultNumber(const QString& text) = 0; // Text6
    // Why an automatic check failed, on Text3's tooltip; empty for none.
    virtual void setResultToolTip(const QString& text) = 0;
    virtual void showInformationPanel() = 0; // the height of 3975 twips
    virtual void runCourier() = 0;
    virtual void clickHangUp() = 0; // Command5, whose click hangs up the dial-up connections

protected:
    ~CheckWindow() = default;
};
