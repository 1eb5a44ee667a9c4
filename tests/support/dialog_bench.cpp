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

std::string StartsOf(const std::function<void()>& work, HMODULE module) {
    std::string starts;
    Starts = &starts;
    ImportHook hook(module ? module : GetModuleHandleA(nullptr), "kernel32.dll", "CreateProcessA",
                    reinterpret_cast<void*>(RefuseStart));
    work();
    return starts;
}

static HWND OwnedDialog(HWND owner) {  // a visible dialog that the window owns
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "#32770", nullptr));)
        if (GetWindow(w, GW_OWNER) == owner && IsWindowVisible(w)) return w;
    return nullptr;
}

static std::string State(HWND dialog, std::initializer_list<int> ids) {
    GUITHREADINFO thread = {sizeof thread, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, {}};
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &thread);
    std::string line;
    for (int id : ids) {
        HWND item = GetDlgItem(dialog, id);
        if (item == nullptr) continue;  // a control of another dialog that the steps work
        char kind[16] = {}, text[1100] = {};
        GetClassNameA(item, kind, sizeof kind);
        std::string shown = "'" + std::string(text, GetDlgItemTextA(dialog, id, text, sizeof text)) + "'";
        if (_stricmp(kind, "ListBox") == 0) {
            shown = "{";
            for (LRESULT i = 0, n = SendMessageA(item, LB_GETCOUNT, 0, 0); i < n; ++i) {
                SendMessageA(item, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
                shown += (i ? "|" : "") + std::string(SendMessageA(item, LB_GETSEL, i, 0) > 0 ? "*" : "") + text;
            }
            shown += "}";
        } else if (_stricmp(kind, "Button") == 0 && (GetWindowLongA(item, GWL_STYLE) & BS_TYPEMASK) > BS_DEFPUSHBUTTON)
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
    return DriveDialog(owner, [&] { return DialogBoxParamA(module, MAKEINTRESOURCEA(templateId), owner, procedure, 0); },
                       steps, ids, shown);
}

INT_PTR DriveDialog(HWND owner, const std::function<INT_PTR()>& open, const std::vector<Step>& steps,
                    std::initializer_list<int> ids, HWND* shown) {
    std::atomic<bool> leftOpen{false};
    std::thread driver([&] {
        HWND dialog = nullptr;  // the visible dialog the owner owns, once it is there
        Eventually([&] { return (dialog = OwnedDialog(owner)) != nullptr; });
        if (dialog == nullptr) {  // a dialog that ended before it showed cannot pass its steps
            if (!steps.empty()) ADD_FAILURE() << "the dialog never showed";
            return;
        }
        if (shown) *shown = dialog;
        HWND current = dialog;  // or the dialog that an 'o' step opened, until a step closes it
        for (const Step& s : steps) {
            SCOPED_TRACE(testing::Message() << "after " << s.action << " " << s.id << " '" << s.text << "'");
            HWND item = GetDlgItem(current, s.id);
            HELPINFO help = {sizeof help, HELPINFO_WINDOW, 0, nullptr, 0, {0, 0}};
            char kind[16] = {};
            const bool list = GetClassNameA(item, kind, sizeof kind) && _stricmp(kind, "ListBox") == 0;
            const LPARAM text = reinterpret_cast<LPARAM>(s.text.c_str());
            const UINT find = list ? LB_FINDSTRINGEXACT : CB_FINDSTRINGEXACT;
            std::wstring typed(s.text.size() + 1, L'\0');  // UTF-8 typed as the characters it stands for
            MultiByteToWideChar(CP_UTF8, 0, s.text.c_str(), -1, &typed[0], static_cast<int>(typed.size()));
            if (s.action == 't') SetWindowTextW(item, typed.c_str());
            if (s.action == 'p') SendMessageA(item, BM_CLICK, 0, 0);  // the box changes itself first, as by mouse
            if (s.action == 'c') SendMessageA(current, WM_COMMAND, MAKEWPARAM(s.id, BN_CLICKED), LPARAM(item));
            if (s.action == 'h') SendMessageA(current, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
            if (s.action == 's') {  // as a click on the item: selected, then the owner told
                const LRESULT at = SendMessageA(item, find, WPARAM(-1), text);
                list ? SendMessageA(item, LB_SETSEL, TRUE, at) : SendMessageA(item, CB_SETCURSEL, at, 0);
                const WORD change = list ? LBN_SELCHANGE : CBN_SELCHANGE;
                SendMessageA(current, WM_COMMAND, MAKEWPARAM(s.id, change), LPARAM(item));
            }
            for (char c : s.action == 'k' ? s.text : "") SendMessageA(item, WM_CHAR, WPARAM(c), 0);
            if (s.action == 'o') {  // posted: the click returns only when its dialog ends; id 0 clicks nothing
                const bool next = current == dialog && !IsWindowVisible(dialog);  // closed: the next its opener shows
                if (s.id) PostMessageA(current, WM_COMMAND, MAKEWPARAM(s.id, BN_CLICKED), LPARAM(item));
                HWND opened = nullptr;
                if (!Eventually([&] { return (opened = OwnedDialog(next ? owner : current)) != nullptr; })) {
                    ADD_FAILURE() << "no dialog opened";
                    break;
                }
                current = opened;
                if (next) dialog = opened;
            } else if (s.state == "closed") {
                // An opened dialog counts as closed once destroyed: its opener goes on only then.
                EXPECT_TRUE(Eventually([&] { return current == dialog ? !IsWindowVisible(dialog) : !IsWindow(current); }));
                current = dialog;
            } else if (!s.state.empty()) { EXPECT_EQ(State(current, ids), s.state); }
        }
        if (!Eventually([&] { return !IsWindow(dialog); }))
            leftOpen = true, PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    const INT_PTR result = open();
    driver.join();
    return leftOpen ? -2 : result;
}
