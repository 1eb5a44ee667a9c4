#pragma once

#include <windows.h>

// Writes the record as a client DSN; with a window every failure is one message box.
// 1 when the DSN was written, 0 when not.
int CommitDsn(HWND window);

// The refusal of a port that was given empty: the server name would be stored without one.
extern const char kMessagePortEmpty[];
