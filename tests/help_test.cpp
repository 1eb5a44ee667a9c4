// Help: the keyword launcher started with the topic and the installation's help file, from
// its "bin" folder, never waited for; and a dialog that centres itself on its owner.
#include <gtest/gtest.h>
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "dialogs/help.h"
#include "tests/support/dialog_bench.h"
#include "tests/support/file_text.h"
#include "tests/support/import_hook.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/registry_sandbox.h"

namespace {

const wchar_t kClientInstallKey[] = L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL Client\\InstallInfo";

std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// What the code under test writes to the standard output while it runs.
template <typename Work>
std::string StandardOutputOf(Work work) {
    std::fflush(stdout);
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, path);
    std::string file = std::string(path) + "dsnset-help-stdout.txt";
    int saved = _dup(1);
    int redirected = _open(file.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC, 0600);
    _dup2(redirected, 1);
    work();
    std::fflush(stdout);
    _dup2(saved, 1);
    _close(redirected);
    _close(saved);
    std::string text = ReadWholeFile(file);
    DeleteFileA(file.c_str());
    return text;
}

BOOL WINAPI RefuseStart(LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR,
                        LPSTARTUPINFOA, LPPROCESS_INFORMATION) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
}

class HelpTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryW((install_ / L"bin").c_str(), nullptr);
        record_ = Narrow(install_ / L"keyhh.log");
        SetEnvironmentVariableA("QM_KEYHH_RECORD", record_.c_str());
        release_ = CreateEventA(nullptr, TRUE, FALSE, "QmKeyhhRelease");
    }
    void TearDown() override {
        SetEvent(release_);  // no launcher outlives the test
        Eventually([&] { return Count(ReadWholeFile(record_), "start|") == Count(ReadWholeFile(record_), "end\n"); });
        CloseHandle(release_);
        SetEnvironmentVariableA("QM_KEYHH_RECORD", nullptr);
    }
    ProductRegistrySandbox registry_;
    TempFolder install_{L"dsnset-help"};
    std::string record_;
    HANDLE release_ = nullptr;
};

TEST_F(HelpTest, LauncherStartsWithTheTopicFromTheBinFolderAndIsNeverWaitedFor) {
    // Stored with a trailing backslash, as installers leave it.
    ASSERT_TRUE(ProductRegistrySandbox::Set(HKEY_LOCAL_MACHINE, kClientInstallKey, L"InstallDir", install_.path() + L"\\"));
    LaunchHelp(300004);
    LaunchHelp(300008);
    // Both calls are back while both launchers still wait to be released.
    ASSERT_TRUE(Eventually([&] { return Count(ReadWholeFile(record_), "start|") == 2; })) << ReadWholeFile(record_);
    EXPECT_EQ(Count(ReadWholeFile(record_), "end\n"), 0u);
    const std::string dir = Narrow(install_.path());
    const std::string text = ReadWholeFile(record_);
    for (const char* topic : {"300004", "300008"}) {
        const std::string expected = "start|" + dir + "\\bin|keyhh -qmsw -#mapid " + topic + " \"" + dir +
                                     "\\Docs\\qmswdocs.chm>$global_qmhelp\"\n";
        EXPECT_NE(text.find(expected), std::string::npos) << text;
    }
    SetEvent(release_);
    EXPECT_TRUE(Eventually([&] { return Count(ReadWholeFile(record_), "end\n") == 2; }));
}

TEST_F(HelpTest, AStartThatCannotBeMadeIsSaidOnTheStandardOutputOnly) {
    // No installation recorded: there is no help file to show. (The standard output is in
    // text mode: each line ends with a carriage return and a line feed.)
    EXPECT_EQ(StandardOutputOf([] { LaunchHelp(300004); }),
              "Help is not available: no installation directory of the product is recorded.\r\n");
    ASSERT_TRUE(ProductRegistrySandbox::Set(HKEY_LOCAL_MACHINE, kClientInstallKey, L"InstallDir", install_.path()));
    ImportHook refuse(GetModuleHandleA(nullptr), "kernel32.dll", "CreateProcessA", reinterpret_cast<void*>(&RefuseStart));
    ASSERT_TRUE(refuse.installed());
    EXPECT_EQ(StandardOutputOf([] { LaunchHelp(300004); }), "CreateProcess failed (2).\r\n");
    EXPECT_EQ(ReadWholeFile(record_), "");  // nothing was started
    // A directory longer than the launcher's buffer is refused whole, never cut.
    ASSERT_TRUE(ProductRegistrySandbox::Set(HKEY_LOCAL_MACHINE, kClientInstallKey, L"InstallDir",
                                            L"C:\\" + std::wstring(300, L'd')));
    EXPECT_EQ(StandardOutputOf([] { LaunchHelp(300004); }),
              "Help is not available: no installation directory of the product is recorded.\r\n");
}

// A modeless dialog run by HelpDlgProc, from a template made in memory (no template of the
// library uses the procedure): it centres itself on its owner and goes on OK or Cancel.
struct MemoryTemplate {
    DLGTEMPLATE header;
    WORD menu, windowClass, title;
};
HWND CreateHelpDialog(HWND owner) {
    MemoryTemplate form = {{WS_POPUP | WS_CAPTION, 0, 0, 0, 0, 100, 60}, 0, 0, 0};
    return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), &form.header, owner, HelpDlgProc, 0);
}

TEST(HelpDialogTest, CentresOnItsOwnerAndClosesOnOkOrCancel) {
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    struct Case { const char* name; int ownerLeft, ownerTop; WPARAM close; };
    const Case cases[] = {{"owner in the middle", 200, 150, IDOK}, {"owner over the left edge", -250, 150, IDCANCEL}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PopupWindow owner(c.ownerLeft, c.ownerTop, 400, 300);
        HWND dialog = CreateHelpDialog(owner);
        ASSERT_NE(dialog, nullptr);
        RECT own, ownerRect;
        GetWindowRect(dialog, &own);
        GetWindowRect(owner, &ownerRect);
        const int w = own.right - own.left, h = own.bottom - own.top;
        int x = ownerRect.left + (400 - w) / 2;
        if (x < desktop.left) x = desktop.left;
        EXPECT_EQ(own.left, x);
        EXPECT_EQ(own.top, ownerRect.top + (300 - h) / 2);
        SendMessageA(dialog, WM_COMMAND, c.close, 0);
        EXPECT_FALSE(IsWindow(dialog));
    }
    // A host's dialog without an owner is centred on the desktop.
    HWND alone = CreateHelpDialog(nullptr);
    ASSERT_NE(alone, nullptr);
    RECT own;
    GetWindowRect(alone, &own);
    EXPECT_EQ(own.left, desktop.left + ((desktop.right - desktop.left) - (own.right - own.left)) / 2);
    EXPECT_EQ(own.top, desktop.top + ((desktop.bottom - desktop.top) - (own.bottom - own.top)) / 2);
    DestroyWindow(alone);
}

}  // namespace
