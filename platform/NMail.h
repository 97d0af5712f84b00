#pragma once

#include "platform/pop3/MailErrorCodes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The program's mail library: a POP3 client reached only through these calls. Every call runs on
// the calling thread and returns when its work is done; while it waits for the network, the
// thread's event loop keeps delivering events, so that windows keep painting and a window can
// still be closed. What user input may do meanwhile is the caller's to decide (the program drops
// it while a check runs).
//
// Every wait is bounded. Connecting, a TLS handshake and every status line (the greeting, the
// reply to a command) must arrive within 30 seconds of being asked for, and all the waits from
// connecting to the answers of the login's STAT and LIST together take no longer; the data of a
// multi-line reply (a message, a listing) must keep coming at 1 KiB or more in every 30 seconds,
// which any working link passes and a server dripping bytes does not. Waiting for QUIT's reply
// takes at most 3 seconds.
//
// An event delivered during a wait may close the connection (NMailPop3Close) or end the library
// (NMailEndWinSock): the waiting call then returns a failure and nothing it uses is freed under
// it. Another call on the same connection during a wait fails with NMailErrorBusy.
//
// Results below zero are failures; NMailGetMessage(0, ...) then tells what failed, in Japanese,
// with the server's own reply where there was one. What each code means: MailErrorCodes.h.
inline constexpr int NMailErrorNotInitialized = MailErrorCodes::notInitialized;
inline constexpr int NMailErrorBadHandle = MailErrorCodes::badHandle;
inline constexpr int NMailErrorHostNotFound = MailErrorCodes::hostNotFound;
inline constexpr int NMailErrorConnectionFailed = MailErrorCodes::connectionFailed;
inline constexpr int NMailErrorTimedOut = MailErrorCodes::timedOut;
inline constexpr int NMailErrorTls = MailErrorCodes::tls;
inline constexpr int NMailErrorProtocol = MailErrorCodes::protocol;
inline constexpr int NMailErrorLoginRefused = MailErrorCodes::loginRefused;
inline constexpr int NMailErrorApopUnavailable = MailErrorCodes::apopUnavailable;
inline constexpr int NMailErrorNoSuchMessage = MailErrorCodes::noSuchMessage;
inline constexpr int NMailErrorServerRefused = MailErrorCodes::serverRefused;
inline constexpr int NMailErrorTooLarge = MailErrorCodes::tooLarge;
inline constexpr int NMailErrorAlreadyLoggedIn = MailErrorCodes::alreadyLoggedIn;
inline constexpr int NMailErrorBusy = MailErrorCodes::busy;
inline constexpr int NMailErrorNotLoggedIn = MailErrorCodes::notLoggedIn;

// Sets the library up; every other call needs it. Calling it again changes nothing.
bool NMailInitializeWinSock();

// Option 1 is the size, in characters with the terminating NUL, of the status texts that the
// library hands back: each text holds at most that size less one character.
inline constexpr int NMailOptionStatusBufferSize = 1;

// Option 2, 0 or 1: whether NMailPop3GetMail hands back what it fetches (1, at first). With 0 it
// gives an empty message, still reads each one whole and returns its length, and holds no more
// of it than its headers need: a caller that throws messages away pays no memory for them.
inline constexpr int NMailOptionKeepMessages = 2;
// False for an unknown option or value, a size below 1, or a library that is not set up.
bool NMailSetOption(int option, int value);

// Closes every open connection and tears the library down; later calls fail until it is set up
// again.
bool NMailEndWinSock();

// Connects to the POP3 server and reads its greeting. server is "host" (port 110, upgraded to TLS
// with STLS when the server offers it), "host:port", "pop3s://host[:port]" (TLS from the first
// byte, port 995 by default) or "pop3://host[:port]" (never TLS); IPv6 addresses go in brackets.
// Only "pop3s://" is safe from someone on the way who strips STLS from the server's
// capabilities: "host" and "host:port" then log in without encryption, as they do with a server
// that offers no STLS. Certificates are checked against the system's trust store.
// The result is a connection handle, or -1.
int NMailPop3Connect(const QString& server);

// Logs in, with APOP when apop is -1 and with USER/PASS when it is 0. The result is the number of
// messages in the mailbox (0 when empty), or a failure below zero.
int NMailPop3Authenticate(int handle, const QString& id, const QString& password, int apop);

// The unique id of every message (RFC 1939 UIDL), in message order: uids[i] is message i + 1's,
// 1 to 70 characters from "!" to "~". One UIDL command and its one listing, however large the
// mailbox; call it after NMailPop3Authenticate and before the first message is fetched, which
// goes on as without it. The result is the number of ids, or a failure below zero:
// NMailErrorServerRefused where the server has no UIDL (its -ERR reply), so that a caller can
// fall back on the count; NMailErrorProtocol for a listing that leaves out a message the login
// counted, names one twice or beyond the count, or holds anything else; NMailErrorNotLoggedIn
// before a login. After these the connection goes on; a listing longer than its ids need
// (NMailErrorTooLarge) or one that stops coming ends it, as every failed wait does.
int NMailPop3GetUidl(int handle, QStringList& uids);

// The Subject, From, Date and To header values of message number (from 1) as they stand in the
// message, unfolded. flag must be 0. 0 on success.
int NMailPop3GetMailStatus(int handle, int number, QString& subject, QString& from, QString& date,
                           QString& to, int flag);

// The size of message number in bytes as the server announces it.
int NMailPop3GetMailSize(int handle, int number);

// The whole message, as the server sends it with its line ends, and its four status texts as
// NMailPop3GetMailStatus gives them. The message is fetched with TOP where the server offers it,
// so that it is never marked as read (nor deleted); a server may add to what TOP sends what
// RETR would not (GNU Mailutils adds an empty line after the headers). flag and flag2 must be
// 0. The result is the message's length in bytes.
int NMailPop3GetMail(int handle, int number, QString& subject, QString& from, QString& date,
                     QString& to, QByteArray& message, int flag, int flag2);

// With code 0, the text of the last failure; with a failure code, what that code means. At most
// size - 1 characters; size becomes the text's length. The result is the text's length, or -1
// for an unknown code.
int NMailGetMessage(int code, QString& text, int& size);

// Says goodbye to the server (nothing is deleted) and closes the connection, then runs the hook
// set with NMailLibrary::setAfterCloseHook. 0 on success.
int NMailPop3Close(int handle);
