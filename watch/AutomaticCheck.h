#pragma once

#include "watch/UnseenMail.h"

#include <QString>
#include <optional>

class MailLibrary;

// What an automatic check logs in with, taken from the settings on the program's own thread
// before the check leaves it: the server, and the account this session's checks use (the one
// confirmed in the account dialog, else the stored one).
struct CheckRequest {
    QString server;
    QString id;
    QString password;
    bool apop = false;
};

CheckRequest currentCheckRequest();

// What it found: the mailbox, or why it could not look, in Japanese.
struct CheckOutcome {
    std::optional<MailboxSnapshot> mailbox;
    QString failure;
};

// The same visit to the mailbox as a manual check, with the messages' ids besides (where the
// server has UIDL), and without a word to the user: no message box, no dialog. A missing server
// or account is a failure like any other.
CheckOutcome runAutomaticCheck(MailLibrary& library, const CheckRequest& request);
