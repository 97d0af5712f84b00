#pragma once

class MailLibrary;

// Fetches every one of count messages on the connection and drops it, as a check does: its status
// texts, its size and the message itself. One that fails does not stop the others.
void FetchEveryMessage(MailLibrary& library, int handle, int count);
