// The Create Database dialog (template 118): a named database on the server whose session
// the caller opened (RemoteSession, ServerType). Ends with 1 once the database was created
// (DBQ holds its name, DatabaseCreated is raised), with 2 on Cancel.
#pragma once

#include <windows.h>

#include <cstdint>

extern "C" INT_PTR CALLBACK CreateDBDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Raised when a database was created; its callers clear it.
extern std::uint32_t DatabaseCreated;

// The dialog's state, valid from its WM_INITDIALOG to its end: boxes 120 and 123 not empty,
// the location list not empty, and the dictionary location the list's mirror entry stands for.
extern std::uint32_t DatabaseNameEntered;
extern std::uint32_t DictionaryEntered;
extern std::uint32_t LocationsPresent;
