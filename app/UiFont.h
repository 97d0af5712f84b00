#pragma once

#include <QFont>

// The Japanese proportional Gothic the windows were laid out in, or the nearest installed one.
QFont uiFont(double pointSize);

// Whether the fonts installed show Japanese at all: without one, every label is boxes.
bool uiFontShowsJapanese();

// Its fixed-pitch sister, whose digits are half a character wide: narrower than the proportional
// one's, so that a count takes little room.
QFont fixedPitchUiFont(double pointSize);
