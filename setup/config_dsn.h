#pragma once

#include <windows.h>

#include "platform/qscore.h"

// Request codes of ConfigDSN (the installer's ODBC_* names).
constexpr WORD kRequestAddDsn = 1;
constexpr WORD kRequestConfigDsn = 2;
constexpr WORD kRequestRemoveDsn = 3;
constexpr WORD kRequestAddSystemDsn = 4;
constexpr WORD kRequestConfigSystemDsn = 5;
constexpr WORD kRequestRemoveSystemDsn = 6;

extern "C" BOOL WINAPI ConfigDSN(HWND hwndParent, WORD fRequest, LPCSTR lpszDriver, LPCSTR lpszAttributes);

// One call of this library around work: under the call mutex, the administration library
// started, a fresh settings record, the calling thread the call's; whatever work throws ends
// as FALSE. Answers busy, untouched, when the mutex cannot be had; a call without an owner
// window is told through the installer when its record cannot be had. A plain function and
// its context: nothing is allocated before the call's own failures are contained.
using CallWork = BOOL (*)(void* context);
BOOL RunAsCall(BOOL busy, HWND owner, CallWork work, void* context);

// Process attach and detach of the library.
void AttachLibrary(HINSTANCE module);
void DetachLibrary();

// Serialises every ConfigDSN call (named "ConfigDSNMutex"); created at attach.
extern QSHandle ConfigDsnMutex;
// ConfigDSN calls in progress.
extern LONG ConfigDsnUseCount;
// The movable block that holds the settings record during a call.
extern HGLOBAL SettingsMemory;
