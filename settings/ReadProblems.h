#pragma once

#include "settings/SaveFailure.h"

#include <QList>
#include <QString>
#include <optional>

class QWidget;

// A settings file that exists but cannot be read gives its defaults, as a missing one does, and
// its reader tells its caller nothing. So that the user still learns of it, the reader notes the
// problem here, and the program shows what takeReadProblems() hands out.

// Notes that the file at path exists but could not be read, for reason; a file is noted at most
// once per process, for either problem.
void noteReadProblem(const QString& path, const QString& reason);

// Notes that the file holds bytes that are not text of its encoding (a file saved as UTF-8 without
// a byte-order mark, say): what they stand for cannot be shown as it was meant.
void noteUnreadableText(const QString& path);

// Notes that the file, which holds a password, was readable by others, and that it is now the
// user's alone, or why it could not be made so.
void noteReadableByOthers(const QString& path, const std::optional<QString>& notMadePrivate);

// The problems noted since the last call, in the order they were noted, each worded for the user.
QList<SaveFailure> takeReadProblems();

// An error box for each problem noted since the last call.
void showReadProblems(QWidget* parent);

// Once the window is first shown, an error box over it for each problem noted by then: a window
// made hidden says nothing until it is shown.
void showReadProblemsWhenShown(QWidget& window);
