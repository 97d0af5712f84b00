#pragma once

#include <QString>
#include <initializer_list>

class QCheckBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QWidget;

// What the settings dialogs share: a fixed size with a close box only, a place in the middle of
// the screen when first shown, and captions in blue.
void makeSettingsDialog(QWidget* dialog, const char* objectName, const QString& title);

// Fixes the dialog at the size its layout asks for and centres it on its screen.
void fixSizeAndCentre(QWidget* dialog);

// Shows the window, or brings it to the front when it is shown already; a window the user had
// minimised comes back as it was.
void showInFront(QWidget& window);

// Shows the window without taking the keyboard from the window that has it, now or later.
void showWithoutActivating(QWidget& window);

// Writes the control's text in blue.
void makeBlue(QWidget* control);
QLabel* blueLabel(const QString& text, const char* objectName, QWidget* parent);

// A check box that shows only its square, with a label beside it for its text: clicking the
// label does nothing.
QHBoxLayout* boxAndLabelRow(QCheckBox* box, QLabel* label);

// The order in which Tab moves through the controls, the first of them first.
void chainTabOrder(std::initializer_list<QWidget*> controls);

// Two buttons, one at each end of a row.
QHBoxLayout* buttonsAtBothEnds(QPushButton* left, QPushButton* right);

// Names a control as the program does, so that tests and the other windows find it.
template <typename Control> Control* named(Control* control, const char* objectName) {
    control->setObjectName(QString::fromLatin1(objectName));
    return control;
}
