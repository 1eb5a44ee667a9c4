// The Advanced Connection Attributes dialog (template 115): array fetch, buffer size, TCP
// port and encoding translation of the client DSN, edited in the settings record. It
// writes nothing itself: the setup dialog's OK commits the record.
#pragma once

#include <windows.h>

extern "C" INT_PTR CALLBACK AdvancedDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
