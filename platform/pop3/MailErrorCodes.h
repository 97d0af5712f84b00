#pragma once

// What a failed call of the mail library returns: the POP3 client's failures carry these codes,
// and the library's API (NMail.h) hands them on under its own names.
namespace MailErrorCodes {

inline constexpr int notInitialized = -1;   // the library is not set up
inline constexpr int badHandle = -2;        // no open connection has this handle
inline constexpr int hostNotFound = -3;     // the server's name was not found
inline constexpr int connectionFailed = -4; // refused, unreachable, or cut off
inline constexpr int timedOut = -5;         // the server stopped answering
inline constexpr int tls = -6;              // certificate rejected or TLS failed
inline constexpr int protocol = -7;         // the server broke the POP3 protocol
inline constexpr int loginRefused = -8;     // the server refused the ID or password
inline constexpr int apopUnavailable = -9;  // APOP asked for, server does not offer it
inline constexpr int noSuchMessage = -10;   // message number outside the mailbox
inline constexpr int serverRefused = -11;   // the server answered -ERR to a command
inline constexpr int tooLarge = -12;        // a reply past every sensible size
inline constexpr int alreadyLoggedIn = -13; // a second login on one connection
inline constexpr int busy = -14;            // another call on it waits for the server
inline constexpr int notLoggedIn = -15;     // a call that needs the login made before it

} // namespace MailErrorCodes
