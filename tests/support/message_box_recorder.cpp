#include "tests/support/message_box_recorder.h"

MessageBoxRecorder* MessageBoxRecorder::active_ = nullptr;

int WINAPI MessageBoxRecorder::Record(HWND owner, LPCSTR text, LPCSTR caption, UINT flags) {
    if (active_ == nullptr) return IDCANCEL;
    active_->boxes_.push_back({owner, text ? text : "<null>", caption ? caption : "<null>", flags});
    const int reply = active_->answers_.empty() ? IDOK : active_->answers_.front();
    if (!active_->answers_.empty()) active_->answers_.pop_front();
    return reply;
}
