#pragma once

#include "settings/SaveFailure.h"

#include <QString>

// "watch.ini" in the data folder, the program's own file for what its right-click menu sets, in
// section "EXEINI": "INTERVAL", the minutes between automatic checks (0 or missing: none; a
// fraction of a minute is taken as it is written by hand), and "AUTOSTART", 1 when the program
// starts with the desktop.
QString watchFilePath();

struct WatchSettings {
    double intervalMinutes = 0;
    bool startsWithDesktop = false;
};

WatchSettings ReadWatchSettings();

// Each stores its one key, leaving the rest of the file as it is.
SaveResult WriteCheckInterval(double minutes);
SaveResult WriteStartsWithDesktop(bool on);
