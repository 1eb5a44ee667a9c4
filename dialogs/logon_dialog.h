// The Logon dialog (template 111): credentials for a server, and the shared remote session
// opened with them. Ends with 1 when connected (RemoteSession open), 2 on Cancel.
#pragma once

#include <windows.h>

#include <cstdint>

extern "C" INT_PTR CALLBACK LogonDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// True while the user name box and the server box are not empty.
extern std::uint32_t LogonHasUser;
extern std::uint32_t LogonHasServer;
