// Help: the keyword launcher started with the topic and the installation's help file, from
// its "bin" folder; and a host's dialog that centres itself on its owner.
#include <gtest/gtest.h>

#include "dialogs/help.h"
#include "tests/support/dialog_bench.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/registry_sandbox.h"

namespace {

const wchar_t kClient[] = L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL Client\\InstallInfo";

TEST(HelpTest, TheLaunchComesFromTheRecordedInstallationOrIsRefusedWhole) {
    ProductRegistrySandbox registry;
    const auto launch = [](const std::string& dir) {  // a recorded trailing backslash is not doubled
        return dir + "\\bin|keyhh -qmsw -#mapid 300004 \"" + dir + "\\Docs\\qmswdocs.chm>$global_qmhelp\"\n";
    };
    const std::wstring longest = L"C:\\" + std::wstring(250, L'd'), tooLong = longest + L"d";
    struct Case { const char* name; const wchar_t* dir; std::string started; };
    const Case cases[] = {
        {"none recorded", nullptr, ""},
        {"empty", L"", ""},
        {"one past what the launcher takes", tooLong.c_str(), ""},
        {"trailing backslash", L"C:\\Prog\\", launch("C:\\Prog")},
        {"the longest the launcher takes", longest.c_str(), launch("C:\\" + std::string(250, 'd'))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProductRegistrySandbox::Clear();
        EXPECT_TRUE(!c.dir || ProductRegistrySandbox::Set(HKEY_LOCAL_MACHINE, kClient, L"InstallDir", c.dir));
        EXPECT_EQ(StartsOf([] { LaunchHelp(300004); }), c.started);
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
        GetWindowRect(dialog, &own), GetWindowRect(parent ? parent : GetDesktopWindow(), &around);
        EXPECT_NEAR(own.left + own.right, around.left + around.right, 1) << parent;  // the same middle
        EXPECT_NEAR(own.top + own.bottom, around.top + around.bottom, 1) << parent;
        SendMessageA(dialog, WM_COMMAND, close, 0);
        EXPECT_FALSE(IsWindow(dialog));
    }
}

}  // namespace
