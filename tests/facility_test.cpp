// The setup library's internal facilities, linked statically into this test with the
// product's string table: the DSN name rule, the installer library choice, and the
// profile wrappers over the real installer.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "setup/call_values.h"
#include "setup/config_dsn.h"
#include "setup/installer_library.h"
#include "setup/profile_store.h"
#include "setup/validate_dsn_name.h"
#include "tests/support/executable_folder.h"
#include "tests/support/import_hook.h"
#include "tests/support/message_box_recorder.h"

namespace {

class FacilityTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { AttachLibrary(GetModuleHandleA(nullptr)); }
};

TEST_F(FacilityTest, DsnNameRuleFollowsTheStringTableAndLocale) {
    struct Case { const char* name; int expected; };
    const Case cases[] = {
        {"Sales", 0}, {"Sales 2024 east", 0}, {"x", 0}, {"\xC4rger", 0},  // Ä in the ANSI code page
        {"2Sales", 1}, {"", 1}, {" Sales", 1}, {"-x", 1},
        {"A[", 1}, {"A]", 1}, {"A{", 1}, {"A}", 1}, {"A(", 1}, {"A)", 1}, {"A?", 1},
        {"A*", 1}, {"A=", 1}, {"A!", 1}, {"A@", 1}, {"A,", 1}, {"A;", 1}, {"Ab;cd", 1},
        {"A.b-c_d#e$f", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ValidateDsnName(c.name), c.expected);
    }
    // No length limit of its own, and a name longer than the conversion buffer is safe.
    EXPECT_EQ(ValidateDsnName(std::string(600, 'a').c_str()), 0);
    EXPECT_EQ(ValidateDsnName((std::string(600, 'a') + "[").c_str()), 0);  // past the 513 characters examined
    EXPECT_EQ(ValidateDsnName(nullptr), 1);
}

// --- Installer library choice ----------------------------------------------------------

class InstallerChoiceTest : public FacilityTest {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        systemDir_ = std::string(temp) + "dsnset-installer-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(systemDir_.c_str(), nullptr);
    }
    void TearDown() override {
        DeleteFileA((systemDir_ + "\\odbccp32.dll").c_str());
        DeleteFileA((systemDir_ + "\\odbccp32.bad").c_str());
        RemoveDirectoryA(systemDir_.c_str());
    }
    std::string SystemCopy() const { return systemDir_ + "\\odbccp32.dll"; }
    void WriteBytes(size_t size) {
        std::ofstream(SystemCopy(), std::ios::binary) << std::string(size, 'x');
    }
    static int Tag(HMODULE module) {
        auto f = reinterpret_cast<int (*)()>(reinterpret_cast<void*>(GetProcAddress(module, "FakeInstallerVersionTag")));
        return f ? f() : -1;
    }
    std::string systemDir_;
};

TEST_F(InstallerChoiceTest, VersionLessStubIsMovedAsideBelowTwentyThousandBytes) {
    struct Case { size_t size; bool moved; };
    for (Case c : {Case{19999, true}, Case{0, true}, Case{20000, false}, Case{20001, false}}) {
        SCOPED_TRACE(c.size);
        WriteBytes(c.size);
        HMODULE chosen = LoadInstallerLibraryFrom(systemDir_.c_str(), "odbccp32.dll");
        EXPECT_NE(chosen, nullptr);  // the search copy: Wine's own installer
        EXPECT_NE(GetProcAddress(chosen, "SQLConfigDataSource"), nullptr);
        EXPECT_EQ(GetFileAttributesA((systemDir_ + "\\odbccp32.bad").c_str()) != INVALID_FILE_ATTRIBUTES, c.moved);
        EXPECT_EQ(GetFileAttributesA(SystemCopy().c_str()) != INVALID_FILE_ATTRIBUTES, !c.moved);
        FreeLibrary(chosen);
        DeleteFileA((systemDir_ + "\\odbccp32.bad").c_str());
    }
}

TEST_F(InstallerChoiceTest, OlderSearchCopyGivesWayToTheSystemCopy) {
    struct Case { const char* search; const char* system; int tag; };
    const Case cases[] = {
        {"fake_installer_3_520_0.dll", "fake_installer_3_525_0.dll", 35250},
        {"fake_installer_3_525_1.dll", "fake_installer_3_525_0.dll", 35251},
        {"fake_installer_3_525_0.dll", "fake_installer_3_525_0_copy.dll", 35250},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.search) + " / " + c.system);
        ASSERT_TRUE(CopyFileA((ExecutableFolder() + "\\" + c.system).c_str(), SystemCopy().c_str(), FALSE));
        HMODULE chosen = LoadInstallerLibraryFrom(systemDir_.c_str(), (ExecutableFolder() + "\\" + c.search).c_str());
        ASSERT_NE(chosen, nullptr);
        EXPECT_EQ(Tag(chosen), c.tag);
        char path[MAX_PATH];
        GetModuleFileNameA(chosen, path, MAX_PATH);
        bool systemKept = _stricmp(path, SystemCopy().c_str()) == 0;
        EXPECT_EQ(systemKept, std::string(c.search) == "fake_installer_3_520_0.dll");
        // The copy not kept was released: only the kept one is still loaded.
        EXPECT_EQ(GetModuleHandleA((ExecutableFolder() + "\\" + c.search).c_str()) != nullptr, !systemKept);
        FreeLibrary(chosen);
        ASSERT_TRUE(DeleteFileA(SystemCopy().c_str()));
    }
}

TEST_F(InstallerChoiceTest, OneLoadableCopyIsUsedAlone) {
    HMODULE chosen = LoadInstallerLibraryFrom(systemDir_.c_str(), (ExecutableFolder() + "\\fake_installer_3_520_0.dll").c_str());
    EXPECT_EQ(Tag(chosen), 35200);
    FreeLibrary(chosen);
    EXPECT_EQ(LoadInstallerLibraryFrom(systemDir_.c_str(), "no_such_installer.dll"), nullptr);
}

// --- Installer errors -------------------------------------------------------------------

HMODULE(WINAPI* realLoadLibraryA)(LPCSTR) = nullptr;
HMODULE WINAPI RefuseInstaller(LPCSTR name) {
    std::string lower = name ? name : "";
    for (char& ch : lower) ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
    if (lower.find("odbccp32") != std::string::npos) { SetLastError(ERROR_MOD_NOT_FOUND); return nullptr; }
    return realLoadLibraryA(name);
}

TEST_F(FacilityTest, MissingInstallerIsReportedAtEveryOperation) {
    ImportHook refuse(GetModuleHandleA(nullptr), "kernel32.dll", "LoadLibraryA", reinterpret_cast<void*>(&RefuseInstaller));
    ASSERT_TRUE(refuse.installed());
    realLoadLibraryA = reinterpret_cast<decltype(realLoadLibraryA)>(refuse.original());
    HMODULE saved = InstallerModule;
    InstallerModule = nullptr;
    MessageBoxRecorder boxes(GetModuleHandleA(nullptr));

    char buffer[513] = "untouched";
    EXPECT_EQ(SQLGetPrivateProfileString("Sales", "ServerName", "", buffer, 513, "odbc.ini"), 0);
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_FALSE(SQLRemoveDSNFromIni("Sales"));
    EXPECT_FALSE(SQLWriteDSNToIni("Sales", "driver"));
    EXPECT_FALSE(SQLWritePrivateProfileString("Sales", "DBQ", "x", "odbc.ini"));

    const RecordedMessageBox missing = {nullptr, "The ODBC installer DLL (ODBCCP32.DLL) is not installed on this system.",
                                        "ODBC Installer Error", MB_OK | MB_ICONINFORMATION};
    EXPECT_EQ(boxes.boxes(), (Boxes(4, missing)));
    EXPECT_EQ(InstallerModule, nullptr);  // a failed load is tried again next time
    InstallerModule = saved;
}

TEST_F(FacilityTest, FunctionMissingFromTheLoadedInstallerIsNamed) {
    HMODULE saved = InstallerModule;
    InstallerModule = LoadLibraryA((ExecutableFolder() + "\\fake_installer_3_520_0.dll").c_str());
    ASSERT_NE(InstallerModule, nullptr);
    MessageBoxRecorder boxes(GetModuleHandleA(nullptr));

    EXPECT_FALSE(SQLRemoveDSNFromIni("Sales"));
    char program[MAX_PATH], installer[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    GetModuleFileNameA(InstallerModule, installer, MAX_PATH);
    EXPECT_EQ(boxes.boxes(), (Boxes{{nullptr,
                                    std::string("The program ") + program +
                                        ", or one of its DLLs attempted to call the function SQLRemoveDSNFromIni "
                                        "which is not supported in the loaded ODBC installer DLL (" + installer +
                                        ").  Press OK to proceed.",
                                    "ODBC Installer Error", MB_OK | MB_ICONINFORMATION}}));
    FreeLibrary(InstallerModule);
    InstallerModule = saved;
}

}  // namespace
