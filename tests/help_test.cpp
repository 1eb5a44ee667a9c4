// Help: the keyword launcher started with the topic and the installation's help file, from
// its "bin" folder; and a host's dialog that centres itself on its owner.
#include <gtest/gtest.h>
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "dialogs/help.h"
#include "tests/support/dialog_bench.h"
#include "tests/support/executable_folder.h"
#include "tests/support/file_text.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/registry_sandbox.h"

namespace {

const wchar_t kClient[] = L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL Client\\InstallInfo";

// What LaunchHelp writes to the standard output (text mode: lines end in CR LF).
std::string StandardOutputOfLaunch() {
    const std::string file = ExecutableFolder() + "\\help-stdout.txt";
    std::fflush(stdout);
    const int saved = _dup(1), redirected = _open(file.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC, 0600);
    _dup2(redirected, 1);
    LaunchHelp(300004);
    std::fflush(stdout);
    _dup2(saved, 1);
    _close(redirected), _close(saved);
    const std::string text = ReadWholeFile(file);
    return DeleteFileA(file.c_str()), text;
}

TEST(HelpTest, TheLaunchComesFromTheRecordedInstallationOrIsRefusedWhole) {
    ProductRegistrySandbox registry;
    const std::string none = "Help is not available: no installation directory of the product is recorded.\r\n";
    const std::string failed = "CreateProcess failed (2).\r\n", d(250, 'd');
    const std::string chm = "\\Docs\\qmswdocs.chm>$global_qmhelp\"\n";
    const std::wstring longest = L"C:\\" + std::wstring(250, L'd'), tooLong = longest + L"d";
    struct Case { const char* name; const wchar_t* dir; std::string out, started; };
    const Case cases[] = {
        {"none recorded", nullptr, none, ""},
        {"empty", L"", none, ""},
        {"one past what the launcher takes", tooLong.c_str(), none, ""},
        {"trailing backslash", L"C:\\Prog\\", failed, "C:\\Prog\\bin|keyhh -qmsw -#mapid 300004 \"C:\\Prog" + chm},
        {"the longest the launcher takes", longest.c_str(), failed,
         "C:\\" + d + "\\bin|keyhh -qmsw -#mapid 300004 \"C:\\" + d + chm},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProductRegistrySandbox::Clear();
        EXPECT_TRUE(!c.dir || ProductRegistrySandbox::Set(HKEY_LOCAL_MACHINE, kClient, L"InstallDir", c.dir));
        std::string out;
        EXPECT_EQ(StartsOf([&] { out = StandardOutputOfLaunch(); }), c.started);
        EXPECT_EQ(out, c.out);
    }
}

// HelpDlgProc serves a host's modeless dialog (made in memory: no template of the library
// uses it): centred on its owner, or on the desktop without one; gone on OK or Cancel.
TEST(HelpTest, TheHostsDialogCentresOnItsOwnerAndClosesOnOkOrCancel) {
    struct { DLGTEMPLATE header; WORD menu, windowClass, title; } form = {{WS_POPUP, 0, 0, 0, 0, 100, 60}, 0, 0, 0};
    PopupWindow owner(200, 150, 400, 300);
    for (auto [parent, close] : {std::pair{HWND(owner), IDOK}, {nullptr, IDCANCEL}}) {
        HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), &form.header, parent, HelpDlgProc, 0);
        RECT own, around;
        GetWindowRect(dialog, &own);
        GetWindowRect(parent ? parent : GetDesktopWindow(), &around);
        const int w = own.right - own.left, h = own.bottom - own.top;
        EXPECT_EQ(own.left, around.left + (around.right - around.left - w) / 2) << parent;
        EXPECT_EQ(own.top, around.top + (around.bottom - around.top - h) / 2) << parent;
        SendMessageA(dialog, WM_COMMAND, close, 0);
        EXPECT_FALSE(IsWindow(dialog));
    }
}

}  // namespace
