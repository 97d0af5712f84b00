#pragma once

// The main window's sizes are laid out in twips, 15 to a pixel at 96 dots per inch.
inline constexpr int twipsPerPixel = 15;

constexpr int twipsToPixels(int twips) {
    return (twips + twipsPerPixel / 2) / twipsPerPixel;
}
