#pragma once

#include <QtGlobal>

// What both redraw loops draw: the sheet cell (row, animation step) and where it stands on the
// stage, in pixels.
struct CharaPose {
    qint16 CharaX = 0;
    qint16 CharaY = 0;
    qint16 CharaRow = 0;
    qint16 CharaStep = 0;

    bool operator==(const CharaPose&) const = default;
};

// The one state that the main and standby windows share.
CharaPose& sharedCharaPose();

// A redraw loop starts with the front view at the stage's top-left corner.
void resetCharaPose(CharaPose& state);

// One tick of a step timer: step 0 becomes 1, anything else 0.
void toggleCharaStep(CharaPose& state);
