// The Advanced Engine DSN Attributes dialog (template 136): the open mode (the record's
// OpenMode text) and the encoding translation (EngineDsnTranslation) of an engine DSN, changed
// in memory on OK. The engine DSN dialog sends them with its own OK.
#pragma once

#include <windows.h>

extern "C" INT_PTR CALLBACK EngAdvancedDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
