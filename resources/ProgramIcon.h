#pragma once

#include <QIcon>
#include <initializer_list>

// The sizes the icon comes in: 16 to 48 each drawn for its size, the larger ones whole-pixel
// enlargements, so that a desktop never has to blur one.
inline constexpr std::initializer_list<int> programIconSizes = {16, 24, 32, 48, 64, 96, 128, 256};

// The program's icon, the courier holding up a letter, in every size it is drawn in.
QIcon programIcon();
