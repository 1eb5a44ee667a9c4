#include "setup/messages.h"

#include <cstdarg>
#include <cstdio>

#include "platform/string_library.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"

int ShowProductBox(HWND owner, const char* text, UINT flags) {
    ProfileText caption;
    LoadProductString(IDS_CAPTION, caption);
    return MessageBoxA(owner, text, caption.c_str(), flags);
}

void ShowFailure(HWND owner, const char* text) { ShowProductBox(owner, text, MB_OK | MB_ICONSTOP); }

void ShowRemoteFailure(HWND owner, const char* prefix, std::uint16_t status, UINT flags) {
    StatusText statusText = {};  // zero-filled, as the string library expects
    DBUGetString(status, statusText.data(), 1);
    statusText.terminate();
    ProfileText message;
    message.assign(prefix);
    message.append(statusText.c_str());
    ShowProductBox(owner, message.c_str(), flags);
}

void FormatProductString(MessageText& out, unsigned stringId, ...) {
    ProfileText format;
    LoadProductString(stringId, format);
    va_list args;
    va_start(args, stringId);
    std::vsnprintf(out.data(), out.capacity(), format.c_str(), args);
    va_end(args);
    out.terminate();
}
