#include "tests/support/message_box_recorder.h"

MessageBoxRecorder* MessageBoxRecorder::active_ = nullptr;

int WINAPI MessageBoxRecorder::Record(HWND owner, LPCSTR text, LPCSTR caption, UINT flags) {
    MessageBoxRecorder* self = active_;
    if (self == nullptr) return IDCANCEL;
    self->boxes_.push_back({owner, text ? text : "<null>", caption ? caption : "<null>", flags});
    const int reply = self->answers_.empty() ? IDOK : self->answers_.front();
    if (!self->answers_.empty()) self->answers_.pop_front();
    return reply;
}
