#include "setup/messages.h"

#include <cstdarg>
#include <cstdio>

#include "platform/string_library.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"
#include "setup/installer_library.h"

const char kMessageNoDsn[] = "The request names no data source: the attribute list needs DSN=<name>.";
const char kMessageNoMemory[] = "There is not enough memory to carry out the request.";

namespace {

void RemoteFailureText(const char* prefix, std::uint16_t status, ProfileText& message) {
    StatusText statusText = {};  // zero-filled, as the string library expects
    DBUGetString(status, statusText.data(), 1);
    statusText.terminate();
    message.assign(prefix);
    message.append(statusText.c_str());
}

}  // namespace

int ShowProductBox(HWND owner, const char* text, UINT flags) {
    ProfileText caption;
    LoadProductString(IDS_CAPTION, caption);
    return MessageBoxA(owner, text, caption.c_str(), flags);
}

void ShowFailure(HWND owner, const char* text) { ShowProductBox(owner, text, MB_OK | MB_ICONSTOP); }

void ShowRemoteFailure(HWND owner, const char* prefix, std::uint16_t status, UINT flags) {
    ProfileText message;
    RemoteFailureText(prefix, status, message);
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

void PostRefusal(InstallerError code, const char* text) {
    auto post = reinterpret_cast<short(WINAPI*)(DWORD, LPCSTR)>(
        reinterpret_cast<void*>(FindInstallerFunction("SQLPostInstallerError")));
    if (post) post(code, text);
}

void ReportRefusal(HWND window, InstallerError code, const char* text) {
    if (window) ShowFailure(window, text);
    else PostRefusal(code, text);
}

void ReportRemoteRefusal(HWND window, InstallerError code, const char* prefix, std::uint16_t status) {
    ProfileText message;
    RemoteFailureText(prefix, status, message);
    ReportRefusal(window, code, message.c_str());
}
