// What the library's dialog procedures share.
#pragma once

#include <windows.h>

#include <string>

#include "setup/call_values.h"

// The exported dialog procedures may be run by a host outside a ConfigDSN call, or on another
// thread while one runs. The record belongs to the call's thread: without a record, or on
// another thread, the dialog closes at once rather than touch it. True then: the message is
// answered (result) and the dialog ends.
inline bool AnsweredWithoutRecord(HWND dialog, UINT message, INT_PTR& result) {
    if (Settings != nullptr && (CallThreadId == 0 || CallThreadId == GetCurrentThreadId())) return false;
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

// The selected item's text of a combo box; false, and the text empty, when nothing is
// selected or the item is longer than the record's texts hold.
inline bool ReadSelectedText(HWND combo, ProfileText& text) {
    text.clear();
    const LRESULT selected = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR ||
        SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(selected), 0) >= static_cast<LRESULT>(text.capacity()))
        return false;
    SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(text.data()));
    text.terminate();
    return true;
}

// Selects the first entry, from the second one on and wrapping round, that begins with text
// (letter case ignored); false when none does.
inline bool SelectByBeginning(HWND dialog, int comboId, const char* text) {
    const LRESULT at = SendDlgItemMessageA(dialog, comboId, CB_SELECTSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (at != CB_ERR) SendDlgItemMessageA(dialog, comboId, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    return at != CB_ERR;
}

// Adds text to a combo box and selects it, unless the box could not take it.
inline void AddAndSelect(HWND dialog, int comboId, const char* text) {
    const LRESULT at = SendDlgItemMessageA(dialog, comboId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (at != CB_ERR && at != CB_ERRSPACE) SendDlgItemMessageA(dialog, comboId, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
}

inline int BoxLength(HWND dialog, int id) { return GetWindowTextLengthW(GetDlgItem(dialog, id)); }

// True when the box's text converts to the ANSI code page unchanged: the library's texts are
// 8-bit, and a character outside the code page would leave as "?".
inline bool BoxTextIsAnsi(HWND dialog, int id) {
    std::wstring text(static_cast<std::size_t>(BoxLength(dialog, id)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(GetDlgItem(dialog, id), &text[0], static_cast<int>(text.size()))));
    std::string converted(text.size() * 2 + 1, '\0');
    BOOL changed = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()), &converted[0],
                        static_cast<int>(converted.size()), nullptr, &changed);
    return !changed;
}
