// The remote session a dialog command works on: opened on the record's server, its engine
// type probed, closed by the command that opened it.
#pragma once

#include <windows.h>

// Connects to the record's server without credentials; a failure is shown and leaves no session.
void ConnectWithoutLogon(HWND owner);

// Opens RemoteSession on the record's server: without logon when the server is this computer,
// through the Logon dialog otherwise. True when a session is open.
bool OpenServerSession(HWND owner);

// The server's engine type into ServerType; a failed probe (its own message shown) closes the
// session and answers false.
bool ProbeConnectedServer(HWND owner);
