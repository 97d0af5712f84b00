#pragma once

#include <QFont>

// The Japanese proportional Gothic the windows were laid out in, or the nearest installed one.
QFont UiFont(double pointSize);
