// Process-wide state of one ConfigDSN call, shared by every facility and dialog.
// Owner: the ConfigDSN entry sets these at the start of each call; they are valid only
// while the call runs, on its thread, under its mutex, so they need no lock of their own.
#pragma once

#include <windows.h>

#include <cstdint>

#include "setup/dsn_settings.h"

// This library's module: source of the string table and the dialog templates (set at attach).
extern HINSTANCE ModuleInstance;
// The one settings record of the call; there is never a second one and no copy.
extern DsnSettings* Settings;
// The driver description the caller passed.
extern const char* DriverName;
// 1 when the call adds a DSN, 0 when it configures one.
extern std::uint32_t IsAddRequest;
// The DSN value as the attribute list gave it; the commit compares it to detect a rename.
extern ProfileText InitialDsnName;
// The thread that holds the ConfigDSN call; 0 while no call runs.
extern DWORD CallThreadId;
// Encoding translation of an engine DSN: 0 none, 1 OEM/ANSI conversion, 2 automatic.
extern std::uint16_t EngineDsnTranslation;

// Every value above that belongs to one call, back to its start: no driver, no request,
// no initial name, no remote session, no engine DSN translation. ConfigDSN calls it first.
// (ServerType and ServerPlatformCode are the probe's: they describe the last server probed.)
void ResetCallValues();

// Loads a string of this library into a profile-sized buffer (empty when missing).
void LoadProductString(unsigned id, ProfileText& text);
