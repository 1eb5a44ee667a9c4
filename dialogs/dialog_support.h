// What the library's dialog procedures share.
#pragma once

#include <windows.h>

#include "setup/call_values.h"

// The exported dialog procedures may be run by a host outside a ConfigDSN call. With no
// settings record to edit, such a dialog closes at once rather than touch one. True when
// there is no record: the message is answered (result) and the dialog ends.
inline bool AnsweredWithoutRecord(HWND dialog, UINT message, INT_PTR& result) {
    if (Settings != nullptr) return false;
    if (message == WM_INITDIALOG) EndDialog(dialog, IDCANCEL);
    result = message == WM_INITDIALOG ? TRUE : FALSE;
    return true;
}

// The wait cursor (IDC_WAIT) while remote work runs, the arrow (IDC_ARROW) afterwards.
inline void SetCursorShape(LPCSTR shape) { SetCursor(LoadCursorA(nullptr, shape)); }

// A box's text as the record's fields hold texts: at most 512 characters, terminated.
inline void ReadBoxText(HWND dialog, int id, ProfileText& text) {
    text.clear();
    GetDlgItemTextA(dialog, id, text.data(), static_cast<int>(text.capacity()));
    text.terminate();
}
