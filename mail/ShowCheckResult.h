#pragma once

class CheckWindow;

// Shows a check's login result N on the main window: new mail for N > 0 (and the courier let
// loose), otherwise none, with N as the count even when it is a failure's negative code.
void ShowCheckResult(int N, CheckWindow& window);
