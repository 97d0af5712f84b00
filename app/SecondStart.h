#pragma once

#include <optional>

// One copy of the program per mailbox: a start in the working folder and with the data folder of
// a running copy brings that copy's window to the front instead of opening another.

// Returns the exit status when a copy runs already (asked to come forward, or said on the
// standard error when it does not answer); else nothing, and this copy from then on comes
// forward when a later start asks. Call it once the application object exists, before any window.
std::optional<int> handOverToRunningCopy();

// Clears this copy's lock and socket away on its way out, so that the next start finds none.
void stopHearingOfLaterStarts();
