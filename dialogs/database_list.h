// The connected server's named databases in a combo box, the engine's system database left
// out. Runs inside the setup dialog's Get List: RemoteSession is open, ServerType known.
#pragma once

#include <windows.h>

#include <cstdint>

// 1 when the list was filled (possibly with nothing), 0 after one message box owned by the
// dialog. A server holding more databases than one request can carry lists the first 3,276.
std::int32_t FillDatabaseList(HWND dialog, int comboId);

// True for the engine's own database: its name holds "quillmeresysdb" in any case.
bool IsSystemDatabase(const char* name);
