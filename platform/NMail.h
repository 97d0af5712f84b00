#pragma once

// The program's mail library: a POP3 client reached only through these calls.

// Sets the library up; every other call needs it. Calling it again changes nothing.
bool NMailInitializeWinSock();

// Option 1 is the size, in characters with the terminating NUL, of the status texts that the
// library hands back: each text holds at most that size less one character.
constexpr int NMailOptionStatusBufferSize = 1;

// False for an unknown option, a size below 1, or a library that is not set up.
bool NMailSetOption(int option, int value);

// Tears the library down; later calls fail until it is set up again.
bool NMailEndWinSock();
