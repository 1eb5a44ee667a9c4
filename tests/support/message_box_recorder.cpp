#include "tests/support/message_box_recorder.h"

MessageBoxRecorder* MessageBoxRecorder::active_ = nullptr;

int WINAPI MessageBoxRecorder::Record(HWND owner, LPCSTR text, LPCSTR caption, UINT flags) {
    MessageBoxRecorder* self = active_;
    if (self == nullptr) return IDCANCEL;
    self->boxes_.push_back({owner, text ? text : "<null>", caption ? caption : "<null>", flags});
    if (self->answers_.empty()) return IDOK;
    const int reply = self->answers_.front();
    self->answers_.pop_front();
    return reply;
}
