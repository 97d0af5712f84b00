#pragma once

#include <optional>

class CheckWindow;

// Shows a check's outcome on the main window: new mail for N > 0 (the courier let loose when
// courierRuns), none for 0, and for a check that could not be made (no N) that it failed, with
// no count, so that a failure never reads as an empty mailbox.
void ShowCheckResult(std::optional<int> N, CheckWindow& window, bool courierRuns);
