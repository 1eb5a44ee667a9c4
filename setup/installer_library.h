// The ODBC installer library, chosen and loaded on first use: the search copy or the system
// directory's copy, whichever is newer, after a version-less stub has been moved aside.
#pragma once

#include <windows.h>

// The installer function's address, or none after one message box without an owner.
FARPROC GetInstallerFunction(const char* name);

// The same without a message box: none when the library or the function cannot be had.
FARPROC FindInstallerFunction(const char* name);

// The installer library to use: the search copy or the system directory's copy, whichever
// is newer (the search copy on equal versions), after moving a version-less stub aside.
HMODULE LoadInstallerLibrary();

// The same choice over an explicit system directory and search name. Internal: the entry
// above passes the system directory and "odbccp32.dll"; tests pass prepared folders.
HMODULE LoadInstallerLibraryFrom(const char* systemDirectory, const char* searchName);

struct VersionFunctions {
    DWORD(WINAPI* GetFileVersionInfoSizeA)(LPCSTR, LPDWORD);
    BOOL(WINAPI* GetFileVersionInfoA)(LPCSTR, DWORD, DWORD, LPVOID);
    BOOL(WINAPI* VerQueryValueA)(LPCVOID, LPCSTR, LPVOID*, PUINT);
};

// Loads version.dll and its three functions; none (and nothing held) when any is missing.
HMODULE LoadVersionFunctions(VersionFunctions& functions);

// The loaded installer library; empty until a load succeeds, never released afterwards.
extern HMODULE InstallerModule;
