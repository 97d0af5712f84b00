#pragma once

#include "ui/FormInstance.h"

#include <QWidget>

class CharaLoop;
class QPushButton;

// "待機": a tiny window above all others that stands in for the main window, with the same
// animated character on its stage and a button "復帰" that brings the main window back. Closing
// it ends the program. It comes back onto the screen when the screen shrinks under it.
class Form2 : public QWidget {
    Q_OBJECT
public:
    // The one standby window; made hidden and loaded (its redraw loop started) on first use. It is
    // never destroyed: hidden, it keeps its loop, its timer and its place.
    static Form2& instance();

Q_SIGNALS:
    // "復帰": the main window is to come back.
    void returnRequested();
    // Closed: the program is to end at once.
    void endProgramRequested();
    // A right click: the menu of automatic checks is to open there.
    void watchMenuRequested(const QPoint& globalPosition);

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    friend class FormInstance<Form2>;
    Form2();
    void load();

    CharaLoop* m_loop;
    QPushButton* Command1;
};
