// The exported dialog procedures may be run by a host outside a ConfigDSN call. With no
// settings record to edit, such a dialog closes at once rather than touch one.
#pragma once

#include <windows.h>

#include "setup/call_values.h"

// True when there is no record: the message is answered (result) and the dialog ends.
inline bool AnsweredWithoutRecord(HWND dialog, UINT message, INT_PTR& result) {
    if (Settings != nullptr) return false;
    if (message == WM_INITDIALOG) EndDialog(dialog, IDCANCEL);
    result = message == WM_INITDIALOG ? TRUE : FALSE;
    return true;
}
