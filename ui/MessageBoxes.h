#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>
#include <optional>

// Every modal message box of the program goes through here, so that a test can answer the boxes
// without showing them and then see what they said.
namespace MessageBoxes {

QMessageBox::StandardButton show(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                 const QString& text, QMessageBox::StandardButtons buttons);

// The text as a box shows it: control and bidirectional-override characters, which a server's
// text may hold, spelt out as <U+XXXX>; line breaks and tabs as they are.
QString shownText(const QString& text);

// The program's error box: title "エラー", an OK button and no icon.
void error(QWidget* parent, const QString& text);

struct Shown {
    QMessageBox::Icon icon;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
};

// For tests: with an answer set, every box returns it at once instead of being shown, and is
// recorded; takeShown() hands out the record and clears it.
void setTestAnswer(std::optional<QMessageBox::StandardButton> answer);
QList<Shown> takeShown();

} // namespace MessageBoxes
