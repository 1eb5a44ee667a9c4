// The setup library's own facilities, linked statically with the product's string table: the
// DSN name rule under the locale, the choice of installer library, and the installer errors.
#include <gtest/gtest.h>

#include <clocale>
#include <fstream>

#include "setup/config_dsn.h"
#include "setup/installer_library.h"
#include "setup/profile_store.h"
#include "setup/validate_dsn_name.h"
#include "tests/support/executable_folder.h"
#include "tests/support/message_box_recorder.h"

namespace {

class FacilityTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { AttachLibrary(GetModuleHandleA(nullptr)); }
    void SetUp() override { CreateDirectoryA(dir_.c_str(), nullptr); }
    void TearDown() override {
        for (const char* f : {"\\odbccp32.dll", "\\odbccp32.bad"}) DeleteFileA((dir_ + f).c_str());
        RemoveDirectoryA(dir_.c_str());
    }
    const std::string dir_ = ExecutableFolder() + "\\installer-" + std::to_string(GetCurrentProcessId());
};

TEST_F(FacilityTest, DsnNameRuleFollowsTheStringTableAndTheLocale) {
    const std::string a600(600, 'a');  // no limit of its own; examined as far as the 513-character buffer
    for (auto [name, refused] : {std::pair<std::string, int>{"Sales 2024 east", 0}, {"\xC4rger", 0}, {"A.b-c_d#e$f", 0},
                                 {"2Sales", 1}, {"", 1}, {" Sales", 1}, {"A[", 1}, {"Ab;cd", 1}, {a600, 0}, {a600 + "[", 0}}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ValidateDsnName(name.c_str()), refused);
    }
    EXPECT_EQ(ValidateDsnName(nullptr), 1);
    // Under a double-byte locale a lead byte without its second byte does not convert.
    ASSERT_NE(setlocale(LC_ALL, ".932"), nullptr);
    EXPECT_EQ(ValidateDsnName("Sales\x81"), 1);
    setlocale(LC_ALL, "");
}

// The installer copy from the search (Wine's own for "odbccp32.dll", tag -1) or the system
// folder: the newer by file version, the search copy when equal; a version-less system copy
// under 20,000 bytes is a stub, moved aside.
TEST_F(FacilityTest, TheInstallerCopyIsChosenByVersion) {
    struct Case { const char *system, *search; int stubSize; std::string chosen; };
    const Case cases[] = {
        {nullptr, "odbccp32.dll", 19999, "-1 from search, stub moved"},
        {nullptr, "odbccp32.dll", 20000, "-1 from search"},
        {"fake_installer_3_525_0.dll", "fake_installer_3_520_0.dll", 0, "35250 from system"},
        {"fake_installer_3_525_0.dll", "fake_installer_3_525_1.dll", 0, "35251 from search"},
        {"fake_installer_3_525_0_copy.dll", "fake_installer_3_525_0.dll", 0, "35250 from search"},
        {nullptr, "fake_installer_3_520_0.dll", 0, "35200 from search"},
        {nullptr, "no_such_installer.dll", 0, "none"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.search);
        const std::string system = dir_ + "\\odbccp32.dll", bad = dir_ + "\\odbccp32.bad";
        const std::string search = c.stubSize ? c.search : ExecutableFolder() + "\\" + c.search;
        EXPECT_TRUE(!c.system || CopyFileA((ExecutableFolder() + "\\" + c.system).c_str(), system.c_str(), FALSE));
        if (c.stubSize) std::ofstream(system, std::ios::binary) << std::string(c.stubSize, 'x');
        HMODULE chosen = LoadInstallerLibraryFrom(dir_.c_str(), search.c_str());
        char path[MAX_PATH] = {};
        GetModuleFileNameA(chosen, path, MAX_PATH);
        auto tag = reinterpret_cast<int (*)()>(reinterpret_cast<void*>(GetProcAddress(chosen, "FakeInstallerVersionTag")));
        std::string shown = !chosen ? "none" : std::to_string(tag ? tag() : -1) + (_stricmp(path, system.c_str()) ? " from search" : " from system");
        if (GetFileAttributesA(bad.c_str()) != INVALID_FILE_ATTRIBUTES) shown += ", stub moved";
        if (c.system && GetModuleHandleA(_stricmp(path, system.c_str()) ? system.c_str() : search.c_str())) shown += ", both loaded";
        EXPECT_EQ(shown, c.chosen);
        FreeLibrary(chosen);
        TearDown();
        SetUp();
    }
}

HMODULE(WINAPI* RealLoadLibraryA)(LPCSTR) = nullptr;
HMODULE WINAPI RefuseInstaller(LPCSTR name) {  // any copy of the installer, by any path
    std::string lower(name);
    CharLowerA(&lower[0]);
    return lower.find("odbccp32") == std::string::npos ? RealLoadLibraryA(name) : (SetLastError(ERROR_MOD_NOT_FOUND), nullptr);
}

TEST_F(FacilityTest, AnInstallerMissingOrWithoutTheFunctionIsReportedAtEachCall) {
    const HMODULE saved = InstallerModule;
    {
        ImportHook refuse(GetModuleHandleA(nullptr), "kernel32.dll", "LoadLibraryA", reinterpret_cast<void*>(&RefuseInstaller));
        RealLoadLibraryA = reinterpret_cast<decltype(RealLoadLibraryA)>(refuse.original());
        InstallerModule = nullptr;
        MessageBoxRecorder boxes(GetModuleHandleA(nullptr));
        char buffer[513] = "untouched";
        EXPECT_EQ(SQLGetPrivateProfileString("Sales", "ServerName", "", buffer, 513, "odbc.ini"), 0);
        EXPECT_STREQ(buffer, "untouched");
        EXPECT_FALSE(SQLRemoveDSNFromIni("Sales") || SQLWriteDSNToIni("Sales", "driver") ||
                     SQLWritePrivateProfileString("Sales", "DBQ", "x", "odbc.ini"));
        EXPECT_EQ(boxes.boxes(), Boxes(4, {nullptr, "The ODBC installer DLL (ODBCCP32.DLL) is not installed on this system.",
                                          "ODBC Installer Error", MB_OK | MB_ICONINFORMATION}));
        EXPECT_EQ(InstallerModule, nullptr);  // a failed load is tried again next time
    }
    InstallerModule = LoadLibraryA((ExecutableFolder() + "\\fake_installer_3_520_0.dll").c_str());
    MessageBoxRecorder boxes(GetModuleHandleA(nullptr));
    EXPECT_FALSE(SQLRemoveDSNFromIni("Sales"));
    char program[MAX_PATH], installer[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    GetModuleFileNameA(InstallerModule, installer, MAX_PATH);
    EXPECT_EQ(boxes.boxes(), (Boxes{{nullptr, std::string("The program ") + program + ", or one of its DLLs attempted to call the "
                                     "function SQLRemoveDSNFromIni which is not supported in the loaded ODBC installer DLL (" +
                                     installer + ").  Press OK to proceed.", "ODBC Installer Error", MB_OK | MB_ICONINFORMATION}}));
    FreeLibrary(InstallerModule);
    InstallerModule = saved;
}

}  // namespace
