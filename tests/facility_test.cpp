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

const std::string kHere = ExecutableFolder() + "\\";
const std::string kDir = kHere + "installer-" + std::to_string(GetCurrentProcessId());
const std::string kSystem = kDir + "\\odbccp32.dll", kBad = kDir + "\\odbccp32.bad";
const UINT kInfo = MB_OK | MB_ICONINFORMATION;

class FacilityTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { AttachLibrary(GetModuleHandleA(nullptr)); }
    void SetUp() override { CreateDirectoryA(kDir.c_str(), nullptr); }
    void TearDown() override {
        for (const std::string& f : {kSystem, kBad}) DeleteFileA(f.c_str());
        RemoveDirectoryA(kDir.c_str());
    }
};

TEST_F(FacilityTest, DsnNameRuleFollowsTheStringTableAndTheLocale) {
    const std::string a600(600, 'a');  // no limit of its own; examined as far as its 513-character buffer
    for (auto [name, refused] : {std::pair<std::string, int>{"Sales 2024 east", 0}, {"\xC4rger", 0}, {"A.b-c_d#e$f", 0},
                                 {"2Sales", 1}, {"", 1}, {" Sales", 1}, {"A[", 1}, {"Ab;cd", 1}, {a600, 0},
                                 {a600 + "[", 0}}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ValidateDsnName(name.c_str()), refused);
    }
    EXPECT_EQ(ValidateDsnName(nullptr), 1);
    ASSERT_NE(setlocale(LC_ALL, ".932"), nullptr);  // double-byte: a lead byte alone does not convert
    EXPECT_EQ(ValidateDsnName("Sales\x81"), 1);
    setlocale(LC_ALL, "");
}

// The installer copy of the search ("odbccp32.dll": Wine's own, tag -1) or of the system folder:
// the newer by file version, the search copy when equal; a version-less system copy under
// 20,000 bytes is a stub, moved aside. The copy not chosen is released.
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
        const std::string search = c.stubSize ? c.search : kHere + c.search;
        EXPECT_TRUE(!c.system || CopyFileA((kHere + c.system).c_str(), kSystem.c_str(), FALSE));
        if (c.stubSize) std::ofstream(kSystem, std::ios::binary) << std::string(c.stubSize, 'x');
        HMODULE chosen = LoadInstallerLibraryFrom(kDir.c_str(), search.c_str());
        char path[MAX_PATH] = {};
        GetModuleFileNameA(chosen, path, MAX_PATH);
        const bool system = _stricmp(path, kSystem.c_str()) == 0;
        FARPROC tag = GetProcAddress(chosen, "FakeInstallerVersionTag");
        std::string shown = std::to_string(tag ? int(tag()) : -1) + " from " + (system ? "system" : "search");
        if (!chosen) shown = "none";
        if (GetFileAttributesA(kBad.c_str()) != INVALID_FILE_ATTRIBUTES) shown += ", stub moved";
        if (c.system && GetModuleHandleA((system ? search : kSystem).c_str())) shown += ", both loaded";
        EXPECT_EQ(shown, c.chosen);
        FreeLibrary(chosen);
        TearDown(), SetUp();
    }
}

HMODULE(WINAPI* RealLoadLibraryA)(LPCSTR) = nullptr;
HMODULE WINAPI RefuseInstaller(LPCSTR name) {  // any copy of the installer, by any path
    std::string lower(name);
    CharLowerA(&lower[0]);
    if (lower.find("odbccp32") == std::string::npos) return RealLoadLibraryA(name);
    return SetLastError(ERROR_MOD_NOT_FOUND), nullptr;
}

TEST_F(FacilityTest, AnInstallerMissingOrWithoutTheFunctionIsReportedAtEachCall) {
    const HMODULE saved = InstallerModule, self = GetModuleHandleA(nullptr);
    {
        ImportHook refuse(self, "kernel32.dll", "LoadLibraryA", reinterpret_cast<void*>(&RefuseInstaller));
        RealLoadLibraryA = reinterpret_cast<decltype(RealLoadLibraryA)>(refuse.original());
        InstallerModule = nullptr;
        MessageBoxRecorder boxes(self);
        char buffer[513] = "untouched";
        EXPECT_EQ(SQLGetPrivateProfileString("Sales", "ServerName", "", buffer, 513, "odbc.ini"), 0);
        EXPECT_STREQ(buffer, "untouched");
        EXPECT_FALSE(SQLRemoveDSNFromIni("Sales") || SQLWriteDSNToIni("Sales", "driver") ||
                     SQLWritePrivateProfileString("Sales", "DBQ", "x", "odbc.ini"));
        EXPECT_EQ(boxes.boxes(), Boxes(4, {nullptr, "The ODBC installer DLL (ODBCCP32.DLL) is not installed on this "
                                                    "system.", "ODBC Installer Error", kInfo}));
        EXPECT_EQ(InstallerModule, nullptr);  // a failed load is tried again next time
    }
    InstallerModule = LoadLibraryA((kHere + "fake_installer_3_520_0.dll").c_str());
    MessageBoxRecorder boxes(self);
    EXPECT_FALSE(SQLRemoveDSNFromIni("Sales"));
    char program[MAX_PATH], installer[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    GetModuleFileNameA(InstallerModule, installer, MAX_PATH);
    EXPECT_EQ(boxes.boxes(), (Boxes{{nullptr, std::string("The program ") + program + ", or one of its DLLs attempted "
                                     "to call the function SQLRemoveDSNFromIni which is not supported in the loaded "
                                     "ODBC installer DLL (" + installer + ").  Press OK to proceed.",
                                     "ODBC Installer Error", kInfo}}));
    FreeLibrary(InstallerModule);
    InstallerModule = saved;
}

}  // namespace
