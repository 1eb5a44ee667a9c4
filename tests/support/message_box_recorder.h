// Records every MessageBoxA call a module makes (owner, text, caption, flags) and answers
// each with the next scripted answer (IDOK when the script is empty).
#pragma once

#include <windows.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/import_hook.h"

struct RecordedMessageBox {
    HWND owner;
    std::string text;
    std::string caption;  // "<null>" when the caller passed no caption
    UINT flags;
};

class MessageBoxRecorder {
public:
    explicit MessageBoxRecorder(HMODULE module);
    ~MessageBoxRecorder();

    bool installed() const { return hook_->installed(); }
    void answer(int reply) { answers_.push_back(reply); }
    const std::vector<RecordedMessageBox>& boxes() const { return boxes_; }

private:
    static int WINAPI Record(HWND owner, LPCSTR text, LPCSTR caption, UINT flags);
    static MessageBoxRecorder* active_;
    std::unique_ptr<ImportHook> hook_;
    std::deque<int> answers_;
    std::vector<RecordedMessageBox> boxes_;
};
