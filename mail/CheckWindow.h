#pragma once

#include <QString>

// What the check and its result display use of the main window, which lies above this folder:
// the result boxes of its information panel, its height, the run-the-courier command and the
// hidden button "切断".
class CheckWindow {
public:
    virtual void setResultText(const QString& text) = 0;   // Text3
    virtual void setResultNumber(const QString& text) = 0; // Text6
    virtual void showInformationPanel() = 0;               // the height of 3975 twips
    virtual void runCourier() = 0;
    virtual void clickHangUp() = 0; // Command5, whose click hangs up the dial-up connections

protected:
    ~CheckWindow() = default;
};
