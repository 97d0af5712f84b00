#pragma once

#include "settings/SaveFailure.h"

#include <QString>

// "ini.ini" in the data folder: the option "新着がなければ接続を切断する。" as key "NUMBER" of
// section "EXEINI".
QString optionFilePath();

// The stored number; 0 when the file, section or key is missing or holds no number.
int ReadDisconnectOption();

// Stores text ("1" or "0") as the option, creating the data folder when it is missing.
SaveResult WriteDisconnectOption(const QString& text);
