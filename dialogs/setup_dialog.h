#pragma once

#include <windows.h>

#include <cstdint>

INT_PTR CALLBACK SetupDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// True while the setup dialog's server box holds a name (the Logon dialog starts from it).
extern std::uint32_t HasServerName;
