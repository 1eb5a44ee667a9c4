// How a host reaches the engine DSN dialog: one call that connects to a server (without logon
// on this computer, through the Logon dialog otherwise), probes its engine type, runs the
// create dialog (no name) or the modify dialog for the named engine DSN, and disconnects.
// TRUE when the dialog ended with OK, that is when the server took the engine DSN.
#pragma once

#include <windows.h>

extern "C" BOOL WINAPI EditEngineDsn(HWND owner, LPCSTR server, LPCSTR engineDsn);
