#pragma once

#include "chara/CharaPose.h"

class QImage;

// The sprite sheet: 32 x 32 cells, two animation steps across, four poses on white down to
// y 127, and under them, 128 pixels lower, each pose's mask in white on black.
inline constexpr int charaCellSize = 32;
inline constexpr int charaMaskOffset = 128;

// Draws the current cell onto the stage: the mask ORed in makes the silhouette white, then the
// pose ANDed in colours it, leaving everything outside the silhouette as it was. Both images are
// in QImage::Format_RGB32.
void DrawChara(QImage& stage, const QImage& sheet, const CharaPose& state);
