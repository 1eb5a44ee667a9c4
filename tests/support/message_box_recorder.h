// Records every MessageBoxA call a module makes (owner, text, caption, flags) and answers
// each with the next scripted answer (IDOK when none is left).
#pragma once
#include <windows.h>

#include <deque>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/import_hook.h"

struct RecordedMessageBox {
    HWND owner;
    std::string text, caption;  // caption "<null>" when the caller passed none
    UINT flags;
    bool operator==(const RecordedMessageBox& b) const {
        return owner == b.owner && text == b.text && caption == b.caption && flags == b.flags;
    }
};
inline std::ostream& operator<<(std::ostream& os, const RecordedMessageBox& b) {
    return os << "{owner " << b.owner << ", \"" << b.text << "\", \"" << b.caption << "\", flags " << b.flags << "}";
}
using Boxes = std::vector<RecordedMessageBox>;  // compared whole with boxes()
inline constexpr char kSetupCaption[] = "Quillmere 64-bit ODBC DSN Setup";
inline constexpr UINT kStopBox = MB_OK | MB_ICONSTOP;

// A hidden top-level window to own the product's dialogs and message boxes.
struct PopupWindow {
    const HWND window_;
    explicit PopupWindow(int x = 0, int y = 0, int width = 1, int height = 1)
        : window_(CreateWindowExA(0, "STATIC", "", WS_POPUP, x, y, width, height, nullptr, nullptr, nullptr, {})) {}
    ~PopupWindow() { DestroyWindow(window_); }
    PopupWindow(const PopupWindow&) = delete;
    operator HWND() const { return window_; }
};

class MessageBoxRecorder {
public:
    explicit MessageBoxRecorder(HMODULE from) : hook_("user32.dll", "MessageBoxA", &Record, from) { active_ = this; }
    ~MessageBoxRecorder() { active_ = nullptr; }
    void answer(int reply) { answers_.push_back(reply); }
    const Boxes& boxes() const { return boxes_; }
private:
    static int WINAPI Record(HWND owner, LPCSTR text, LPCSTR caption, UINT flags) {
        if (active_ == nullptr) return IDCANCEL;
        active_->boxes_.push_back({owner, text ? text : "<null>", caption ? caption : "<null>", flags});
        const int reply = active_->answers_.empty() ? IDOK : active_->answers_.front();
        if (!active_->answers_.empty()) active_->answers_.pop_front();
        return reply;
    }
    static inline MessageBoxRecorder* active_ = nullptr;
    ImportHook hook_;
    std::deque<int> answers_;
    Boxes boxes_;
};
