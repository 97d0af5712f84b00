#pragma once

// Hangs up every active dial-up connection of the system (see platform/DialUpConnections.h), in
// the order the system lists them and at most 256 of them, without waiting for the lines to go
// down. When the connections cannot be listed nothing is hung up; a connection that refuses is
// passed over. Shows nothing, and returns within DialUpConnections::listingBoundMs (1 s) however
// the system bus or NetworkManager behave, so that it may run on the GUI thread.
void HangUpDialUp();
