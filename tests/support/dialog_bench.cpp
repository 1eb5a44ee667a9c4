#include "tests/support/dialog_bench.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "tests/support/import_hook.h"

static bool Eventually(const std::function<bool()>& condition) {  // polls for up to 20 s
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

static std::string State(HWND dialog, std::initializer_list<int> ids) {
    GUITHREADINFO thread = {sizeof thread, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, {}};
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &thread);
    std::string line;
    for (int id : ids) {
        HWND item = GetDlgItem(dialog, id);
        char kind[16] = {}, text[1100] = {};
        GetClassNameA(item, kind, sizeof kind);
        std::string shown = "'" + std::string(text, GetDlgItemTextA(dialog, id, text, sizeof text)) + "'";
        if (_stricmp(kind, "Button") == 0 && (GetWindowLongA(item, GWL_STYLE) & BS_TYPEMASK) > BS_DEFPUSHBUTTON)
            shown = SendMessageA(item, BM_GETCHECK, 0, 0) == BST_CHECKED ? "[x]" : "[ ]";
        else if (_stricmp(kind, "Button") == 0)
            shown = text, shown.erase(std::remove(shown.begin(), shown.end(), '&'), shown.end());
        line += (line.empty() ? "" : " ") + std::string(thread.hwndFocus == item ? ">" : "") + shown +
                (IsWindowEnabled(item) ? "" : "(disabled)");
    }
    return line;
}

INT_PTR RunDialog(HMODULE module, int templateId, HWND owner, DLGPROC procedure, const std::vector<Step>& steps,
                  std::initializer_list<int> ids, HWND* shown) {
    std::atomic<bool> leftOpen{false};
    std::thread driver([&] {
        HWND dialog = nullptr;  // the visible dialog the owner owns, once it is there
        Eventually([&] {
            for (HWND w = nullptr; !dialog && (w = FindWindowExA(nullptr, w, "#32770", nullptr));)
                if (GetWindow(w, GW_OWNER) == owner && IsWindowVisible(w)) dialog = w;
            return dialog != nullptr;
        });
        if (dialog == nullptr) {  // a dialog that ended before it showed cannot pass its steps
            if (!steps.empty()) ADD_FAILURE() << "the dialog never showed";
            return;
        }
        if (shown) *shown = dialog;
        for (const Step& s : steps) {
            SCOPED_TRACE(testing::Message() << "after " << s.action << " " << s.id << " '" << s.text << "'");
            HWND item = GetDlgItem(dialog, s.id);
            HELPINFO help = {sizeof help, HELPINFO_WINDOW, 0, nullptr, 0, {0, 0}};
            if (s.action == 't') SetDlgItemTextA(dialog, s.id, s.text.c_str());
            if (s.action == 'p') SendMessageA(item, BM_CLICK, 0, 0);  // the box changes itself first, as by mouse
            if (s.action == 'c') SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(s.id, BN_CLICKED), LPARAM(item));
            if (s.action == 'h') SendMessageA(dialog, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
            if (s.state == "closed") {
                EXPECT_TRUE(Eventually([&] { return !IsWindowVisible(dialog); }));
            } else if (!s.state.empty()) { EXPECT_EQ(State(dialog, ids), s.state); }
        }
        if (!Eventually([&] { return !IsWindow(dialog); }))
            leftOpen = true, PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    const INT_PTR result = DialogBoxParamA(module, MAKEINTRESOURCEA(templateId), owner, procedure, 0);
    driver.join();
    return leftOpen ? -2 : result;
}
