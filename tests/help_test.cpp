// Help: the keyword launcher started with the topic and the installation's help file, from
// its "bin" folder, never waited for; and a host's dialog that centres itself on its owner.
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

const wchar_t kClient[] = L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL Client\\InstallInfo";

std::string Started;  // "directory|command line" of each start, refused
BOOL WINAPI RecordStart(LPCSTR, LPSTR command, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID,
                        LPCSTR directory, LPSTARTUPINFOA, LPPROCESS_INFORMATION) {
    Started += std::string(directory) + "|" + command;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
}

// What LaunchHelp writes to the standard output (text mode: lines end in CR LF).
std::string StandardOutputOf(std::int32_t topic) {
    std::fflush(stdout);
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, path);
    const std::string file = std::string(path) + "dsnset-help-stdout.txt";
    const int saved = _dup(1), redirected = _open(file.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC, 0600);
    _dup2(redirected, 1);
    LaunchHelp(topic);
    std::fflush(stdout);
    _dup2(saved, 1);
    _close(redirected);
    _close(saved);
    const std::string text = ReadWholeFile(file);
    DeleteFileA(file.c_str());
    return text;
}

TEST(HelpTest, TheLaunchComesFromTheRecordedInstallationOrIsRefusedWhole) {
    ProductRegistrySandbox registry;
    ImportHook start(GetModuleHandleA(nullptr), "kernel32.dll", "CreateProcessA", reinterpret_cast<void*>(&RecordStart));
    ASSERT_TRUE(start.installed());
    const std::string none = "Help is not available: no installation directory of the product is recorded.\r\n";
    const std::string failed = "CreateProcess failed (2).\r\n", d250(250, 'd');
    struct Case { const char* name; const wchar_t* dir; std::string out, started; };
    const std::wstring longest = L"C:\\" + std::wstring(250, L'd'), tooLong = longest + L"d";
    const Case cases[] = {
        {"none recorded", nullptr, none, ""},
        {"empty", L"", none, ""},
        {"one past what the launcher takes", tooLong.c_str(), none, ""},
        {"trailing backslash", L"C:\\Prog\\", failed,
         "C:\\Prog\\bin|keyhh -qmsw -#mapid 300004 \"C:\\Prog\\Docs\\qmswdocs.chm>$global_qmhelp\""},
        {"the longest the launcher takes", longest.c_str(), failed,
         "C:\\" + d250 + "\\bin|keyhh -qmsw -#mapid 300004 \"C:\\" + d250 + "\\Docs\\qmswdocs.chm>$global_qmhelp\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProductRegistrySandbox::Clear();
        EXPECT_TRUE(!c.dir || ProductRegistrySandbox::Set(HKEY_LOCAL_MACHINE, kClient, L"InstallDir", c.dir));
        Started.clear();
        EXPECT_EQ(StandardOutputOf(300004), c.out);
        EXPECT_EQ(Started, c.started);
    }
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// The stand-in launcher records its start and waits for the event before it ends.
TEST(HelpTest, TheLauncherRunsFromTheBinFolderAndIsNeverWaitedFor) {
    ProductRegistrySandbox registry;
    TempFolder install(L"dsnset-help");
    CreateDirectoryW((install / L"bin").c_str(), nullptr);
    ASSERT_TRUE(ProductRegistrySandbox::Set(HKEY_LOCAL_MACHINE, kClient, L"InstallDir", install.path()));
    const std::string record(std::string(install.path().begin(), install.path().end()) + "\\keyhh.log");
    SetEnvironmentVariableA("QM_KEYHH_RECORD", record.c_str());
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, "QmKeyhhRelease");
    LaunchHelp(300004);
    LaunchHelp(300008);
    // Both calls are back while both launchers still wait to be released.
    EXPECT_TRUE(Eventually([&] { return Count(ReadWholeFile(record), "start|") == 2; })) << ReadWholeFile(record);
    EXPECT_EQ(Count(ReadWholeFile(record), "end\n"), 0u);
    EXPECT_EQ(Count(ReadWholeFile(record), "start|" + record.substr(0, record.size() - 10) + "\\bin|keyhh"), 2u);
    SetEvent(release);
    EXPECT_TRUE(Eventually([&] { return Count(ReadWholeFile(record), "end\n") == 2; }));
    CloseHandle(release);
    SetEnvironmentVariableA("QM_KEYHH_RECORD", nullptr);
}

// HelpDlgProc serves a host's modeless dialog (made in memory here: no template of the
// library uses it): centred on its owner and kept on the desktop, or on the desktop when
// it has no owner; gone on OK or Cancel.
TEST(HelpTest, TheHostsDialogCentresOnItsOwnerAndClosesOnOkOrCancel) {
    RECT desk;
    GetWindowRect(GetDesktopWindow(), &desk);
    struct { DLGTEMPLATE header; WORD menu, windowClass, title; } form = {{WS_POPUP | WS_CAPTION, 0, 0, 0, 0, 100, 60}, 0, 0, 0};
    struct Case { const char* name; int ownerLeft; bool owned; WPARAM close; };
    for (const Case& c : {Case{"owner in the middle", 200, true, IDOK}, Case{"owner over the left edge", -250, true, IDCANCEL},
                          Case{"no owner", 0, false, IDOK}}) {
        SCOPED_TRACE(c.name);
        PopupWindow owner(c.ownerLeft, 150, 400, 300);
        HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), &form.header, c.owned ? HWND(owner) : nullptr,
                                                 HelpDlgProc, 0);
        ASSERT_NE(dialog, nullptr);
        RECT own, around = desk;
        GetWindowRect(dialog, &own);
        if (c.owned) GetWindowRect(owner, &around);
        const int w = own.right - own.left, h = own.bottom - own.top;
        EXPECT_EQ(own.left, std::max<LONG>(desk.left, around.left + (around.right - around.left - w) / 2));
        EXPECT_EQ(own.top, around.top + (around.bottom - around.top - h) / 2);
        SendMessageA(dialog, WM_COMMAND, c.close, 0);
        EXPECT_FALSE(IsWindow(dialog));
    }
}

}  // namespace
