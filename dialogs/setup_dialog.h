// The setup dialog (template 110): a client DSN added or configured on the call's record,
// committed on OK. Ends with 1 when the DSN was written, 2 on Cancel.
#pragma once

#include <windows.h>

#include <cstdint>

extern "C" INT_PTR CALLBACK SetupDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// True while the record's DSN, server name and database name are not empty; they decide which
// buttons work. The Logon dialog starts from the server name when HasServerName holds.
extern std::uint32_t HasDsnName;
extern std::uint32_t HasServerName;
extern std::uint32_t HasDatabaseName;
