#pragma once

class QWidget;

// Moves a top-level window, frame and all, the least way that puts it inside the available area
// of the screen that holds it (the one it is said to be on when none does). A window larger than
// the area keeps its top left corner, and so its caption, on it.
void moveOntoScreen(QWidget& window);

// From now on the window comes back onto the screen whenever it is shown, a screen's size or
// available area changes, or a monitor goes.
void keepOnScreen(QWidget& window);
