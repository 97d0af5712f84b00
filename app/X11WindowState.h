#pragma once

class QWidget;

// Asks an X11 window manager to leave the window out of the task bar and the pager, and so out of
// the window switcher. It must be asked before each showing: a window manager drops a window's
// states when the window is hidden. Elsewhere it does nothing.
void skipTaskbarAndPager(QWidget& window);
