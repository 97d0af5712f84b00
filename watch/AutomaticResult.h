#pragma once

#include "watch/AutomaticCheck.h"

#include <functional>

class CheckWindow;

// Shows what an automatic check found as the manual check shows its result, but the courier runs,
// and announce is told how many, only for mail that the check before did not see: seen is what
// that one saw, and becomes what this one saw. A failure reads "チェックできませんでした。" with
// its reason in the result's tooltip, never in a box. The dial-up option applies as after a
// manual check.
void ShowAutomaticResult(const CheckOutcome& outcome, std::optional<MailboxSnapshot>& seen,
                         CheckWindow& window, const std::function<void(int)>& announce);

// The desktop notification of unseen new messages.
void announceNewMail(int unseen);
