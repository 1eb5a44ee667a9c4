#include "setup/messages.h"

#include "platform/string_library.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"

int ShowProductBox(HWND owner, const char* text, UINT flags) {
    ProfileText caption;
    LoadProductString(IDS_CAPTION, caption);
    return MessageBoxA(owner, text, caption.c_str(), flags);
}

void ShowFailure(HWND owner, const char* text) { ShowProductBox(owner, text, MB_OK | MB_ICONSTOP); }

void ShowRemoteFailure(HWND owner, const char* prefix, std::uint16_t status) {
    StatusText statusText = {};  // zero-filled, as the string library expects
    DBUGetString(status, statusText.data(), 1);
    statusText.terminate();
    ProfileText message;
    message.assign(prefix);
    message.append(statusText.c_str());
    ShowFailure(owner, message.c_str());
}
