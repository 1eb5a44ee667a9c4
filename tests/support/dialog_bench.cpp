#include "tests/support/dialog_bench.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "tests/support/import_hook.h"

bool Eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 400 && !condition(); ++i) Sleep(50);
    return condition();
}

static std::string* Starts = nullptr;
static BOOL WINAPI RefuseStart(LPCSTR, LPSTR command, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID,
                               LPCSTR directory, LPSTARTUPINFOA, LPPROCESS_INFORMATION) {
    *Starts += std::string(directory) + "|" + command + "\n";
    return SetLastError(ERROR_FILE_NOT_FOUND), FALSE;
}

std::string StartsOf(const std::function<void()>& work) {
    std::string starts;
    Starts = &starts;
    ImportHook hook(GetModuleHandleA(nullptr), "kernel32.dll", "CreateProcessA", reinterpret_cast<void*>(RefuseStart));
    work();
    return starts;
}

std::string DialogDriver::text(int id) const {
    char text[1100] = {};
    GetDlgItemTextA(dialog_, id, text, sizeof text);
    return text;
}

std::string DialogDriver::state(std::initializer_list<int> ids) const {
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog_, nullptr), &thread);
    std::string line;
    for (int id : ids) {
        char kind[16] = {};
        GetClassNameA(item(id), kind, sizeof kind);
        const LONG type = GetWindowLongA(item(id), GWL_STYLE) & BS_TYPEMASK;
        std::string shown = "'" + text(id) + "'";
        if (_stricmp(kind, "Button") == 0 && type > BS_DEFPUSHBUTTON)
            shown = SendMessageA(item(id), BM_GETCHECK, 0, 0) == BST_CHECKED ? "[x]" : "[ ]";
        else if (_stricmp(kind, "Button") == 0)
            shown = text(id), shown.erase(std::remove(shown.begin(), shown.end(), '&'), shown.end());
        line += (line.empty() ? "" : " ") + std::string(thread.hwndFocus == item(id) ? ">" : "") + shown +
                (IsWindowEnabled(item(id)) ? "" : "(disabled)");
    }
    return line;
}

void DialogDriver::play(const std::vector<Step>& steps, std::initializer_list<int> ids) const {
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << "after " << s.action << " " << s.id << " '" << s.text << "'");
        HELPINFO help = {sizeof help, HELPINFO_WINDOW, 0, nullptr, 0, {0, 0}};
        if (s.action == 't') type(s.id, s.text);
        if (s.action == 'p') press(s.id);
        if (s.action == 'c') click(s.id);
        if (s.action == 'h') SendMessageA(dialog_, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
        if (s.state == "closed") { EXPECT_TRUE(Eventually([&] { return !open(); })); }
        if (s.state != "closed" && !s.state.empty()) { EXPECT_EQ(state(ids), s.state); }
    }
}

INT_PTR RunDialog(HMODULE module, int templateId, HWND owner, DLGPROC procedure,
                  const std::function<void(DialogDriver&)>& script) {
    std::atomic<bool> leftOpen{false};
    std::thread driver([&] {
        HWND dialog = nullptr;  // the visible dialog the owner owns, once it is there
        Eventually([&] {
            for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w && !dialog; w = GetWindow(w, GW_HWNDNEXT)) {
                char kind[16] = {};
                GetClassNameA(w, kind, sizeof kind);
                if (GetWindow(w, GW_OWNER) == owner && std::string(kind) == "#32770" && IsWindowVisible(w)) dialog = w;
            }
            return dialog != nullptr;
        });
        if (dialog == nullptr) return;  // not created: nothing to drive
        DialogDriver d(dialog);
        script(d);
        if (!Eventually([&] { return !IsWindow(dialog); }))
            leftOpen = true, PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    const INT_PTR result = DialogBoxParamA(module, MAKEINTRESOURCEA(templateId), owner, procedure, 0);
    driver.join();
    return leftOpen ? -2 : result;
}
