// The library's message boxes, in one place: the caption comes from the string table
// (string 1002), failures carry a stop icon, and a remote failure is its fixed prefix
// followed at once by the status text the string library gives. A request without a window
// can show no box: its refusals are posted to the installer instead, in the same words.
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/fixed_text.h"

// A box with the product's caption; answers what MessageBoxA answers.
int ShowProductBox(HWND owner, const char* text, UINT flags);

// MB_OK | MB_ICONSTOP with the product's caption.
void ShowFailure(HWND owner, const char* text);

// prefix (ending in a blank) + the text of status, as one failure box.
void ShowRemoteFailure(HWND owner, const char* prefix, std::uint16_t status, UINT flags = MB_OK | MB_ICONSTOP);

// Long enough for any product string filled with a 512-character name.
using MessageText = FixedText<1100>;
// A string of this library as a printf format, filled with the arguments.
void FormatProductString(MessageText& out, unsigned stringId, ...);

// The installer's error codes (odbcinst.h's ODBC_ERROR_*) a refusal is posted with.
enum InstallerError : DWORD {
    kInstallerGeneralError = 1,
    kInstallerInvalidKeywordValue = 8,  // the attribute list lacks or holds an unusable value
    kInstallerInvalidDsn = 9,           // the data source name cannot be used
    kInstallerRequestFailed = 11,       // the server, the engine or the installer refused
    kInstallerOutOfMemory = 21,
};

// Posts a refusal with SQLPostInstallerError of the installer library the profile calls use,
// so that the caller's SQLInstallerError reports it; nothing when that cannot be had.
void PostRefusal(InstallerError code, const char* text);

// With a window one failure box; without one the same words posted.
void ReportRefusal(HWND window, InstallerError code, const char* text);
void ReportRemoteRefusal(HWND window, InstallerError code, const char* prefix, std::uint16_t status);

// Refusals that no box explains even with a window.
extern const char kMessageNoDsn[];
extern const char kMessageNoMemory[];
