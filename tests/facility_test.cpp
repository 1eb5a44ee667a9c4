// The setup library's own facilities, linked statically with the product's string table: the
// DSN name rule under the locale and the choice of installer library.
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <fstream>

#include "setup/config_dsn.h"
#include "setup/installer_library.h"
#include "setup/validate_dsn_name.h"
#include "tests/support/executable_folder.h"

namespace {

const std::string kHere = ExecutableFolder() + "\\";
const std::string kDir = kHere + "installer-" + std::to_string(GetCurrentProcessId());
const std::string kSystem = kDir + "\\odbccp32.dll", kBad = kDir + "\\odbccp32.bad";

class FacilityTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { AttachLibrary(GetModuleHandleA(nullptr)); }
    void SetUp() override { CreateDirectoryA(kDir.c_str(), nullptr); }
    void TearDown() override {
        DeleteFileA(kSystem.c_str()), DeleteFileA(kBad.c_str()), RemoveDirectoryA(kDir.c_str());
    }
};

// The rule itself is proven natively; here the string table and the locale it reads.
TEST_F(FacilityTest, DsnNameRuleFollowsTheStringTableAndTheLocale) {
    for (auto [name, refused] : {std::pair{"\xC4rger", 0}, {"2Sales", 1}, {"A[", 1}, {"S\x81", 1}}) {
        if (std::strchr(name, '\x81')) { ASSERT_NE(setlocale(LC_ALL, ".932"), nullptr); }  // a lone lead byte
        EXPECT_EQ(ValidateDsnName(name), refused) << name;
    }
    setlocale(LC_ALL, "");
}

// The installer copy of the search ("odbccp32.dll": Wine's own, tag -1) or of the system folder: the newer by version,
// the search copy when equal; a version-less system copy under 20,000 bytes is a stub, moved aside. One is kept loaded.
TEST_F(FacilityTest, TheInstallerCopyIsChosenByVersion) {
    struct Case { const char *system, *search; int stubSize; std::string chosen; };
    const Case cases[] = {
        {nullptr, "odbccp32.dll", 19999, "-1 from search, stub moved"},
        {nullptr, "odbccp32.dll", 20000, "-1 from search"},
        {"fake_installer_3_525_0.dll", "fake_installer_3_520_0.dll", 0, "35250 from system"},
        {"fake_installer_3_525_0.dll", "fake_installer_3_525_1.dll", 0, "35251 from search"},
        {"fake_installer_3_525_0_copy.dll", "fake_installer_3_525_0.dll", 0, "35250 from search"},
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
        FARPROC t = GetProcAddress(chosen, "FakeInstallerVersionTag");
        std::string s = chosen ? (t ? std::to_string(t()) : "-1") + " from " + (system ? "system" : "search") : "none";
        if (GetFileAttributesA(kBad.c_str()) != INVALID_FILE_ATTRIBUTES) s += ", stub moved";
        if (c.system && GetModuleHandleA((system ? search : kSystem).c_str())) s += ", both loaded";
        EXPECT_EQ(s, c.chosen);
        FreeLibrary(chosen);
        TearDown(), SetUp();
    }
}

}  // namespace
