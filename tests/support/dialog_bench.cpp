#include "tests/support/dialog_bench.h"

#include <atomic>
#include <thread>

namespace {

// The visible dialog owned by owner, once it is there.
HWND FindOwnedDialog(HWND owner) {
    HWND found = nullptr;
    Eventually([&] {
        for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
            char className[16] = {};
            GetClassNameA(w, className, sizeof className);
            if (GetWindow(w, GW_OWNER) == owner && std::string(className) == "#32770" &&
                (GetWindowLongA(w, GWL_STYLE) & WS_VISIBLE)) {
                found = w;
                return true;
            }
        }
        return false;
    });
    return found;
}

}  // namespace

bool Eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 400; ++i) {
        if (condition()) return true;
        Sleep(50);
    }
    return condition();
}

void DialogDriver::type(int id, const std::string& text) const { SetDlgItemTextA(dialog_, id, text.c_str()); }

std::string DialogDriver::text(int id) const {
    char text[1024] = {};
    GetDlgItemTextA(dialog_, id, text, sizeof text);
    return text;
}

bool DialogDriver::enabled(int id) const { return IsWindowEnabled(GetDlgItem(dialog_, id)) != FALSE; }
bool DialogDriver::visible(int id) const { return (GetWindowLongA(GetDlgItem(dialog_, id), GWL_STYLE) & WS_VISIBLE) != 0; }
LONG DialogDriver::style(int id) const { return GetWindowLongA(GetDlgItem(dialog_, id), GWL_STYLE); }

HWND DialogDriver::focus() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog_, nullptr), &info);
    return info.hwndFocus;
}

void DialogDriver::click(int id) const {
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog_, id)));
}

void DialogDriver::post(int id) const {
    PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog_, id)));
}

INT_PTR RunDialog(HMODULE module, int templateId, HWND owner, DLGPROC procedure,
                  const std::function<void(DialogDriver&)>& script) {
    std::atomic<bool> leftOpen{false};
    std::thread driver([&] {
        HWND dialog = FindOwnedDialog(owner);
        if (dialog == nullptr) return;
        DialogDriver d(dialog);
        script(d);
        if (!Eventually([&] { return !IsWindow(dialog); })) {
            leftOpen = true;
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
    });
    INT_PTR result = DialogBoxParamA(module, MAKEINTRESOURCEA(templateId), owner, procedure, 0);
    if (result == -1) {
        // Nothing to drive: let the driver's search run out on its own.
    }
    driver.join();
    return leftOpen ? -2 : result;
}
