#pragma once

#include <optional>

// What the program answers before it opens any window: --version and --help, and a display that
// is missing or cannot be opened, each said in a line of its own instead of Qt's abort; in
// Japanese under a Japanese locale, in English otherwise.

// Answers --version or --help and returns the exit status, or returns nothing to go on; with
// --config-folder it goes on in the user's settings folder (status 1 if that cannot be made, or
// when there is no home folder to hold it).
std::optional<int> answerCommandLine(int argc, char* argv[]);

// Ends the process with status 1 and a one-line message when no display is named, and makes the
// application object's constructor end it the same way when the display cannot be opened.
void requireDisplay();
