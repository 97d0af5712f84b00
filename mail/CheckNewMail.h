#pragma once

#include <optional>

class CheckWindow;
class MailLibrary;

// The size of the library's status texts: start-up sets it, and the check reads them with it.
inline constexpr int statusBufferSize = 8192;

// One visit to the POP3 mailbox of the settings: connect, log in with the account of this session
// (the one confirmed in the account dialog, else the stored one), fetch every message and drop
// it, close; then show the count on the window, or that the check failed, and last hang up the
// dial-up connections when the option asks for it, whatever happened before. A connection or
// login that fails is said in an "エラー" box; with no server set the server settings dialog
// opens, and with no account the account dialog.
void CheckNewMail(MailLibrary& library, CheckWindow& window);

// After a check that found no mail, or failed, hangs up the dial-up connections when the option
// asks for it; N is the count, or nothing for a failed check.
void HangUpUnlessMailFound(std::optional<int> N, CheckWindow& window);
