// Installation lookup over the real registry and file system of the Wine prefix.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "setup/install_lookup.h"
#include "tests/support/import_hook.h"
#include "tests/support/registry_sandbox.h"

namespace {

const std::wstring kClient = L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL Client\\InstallInfo";
const std::wstring kWorkgroup = L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL Workgroup\\InstallInfo";
const std::wstring kNtServer = L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL NT Server\\InstallInfo";

struct Value { HKEY hive; std::wstring key, name, data; };

class InstallLookupTest : public ::testing::Test {
protected:
    ProductRegistrySandbox registry_;
};

TEST_F(InstallLookupTest, KeysInOrderMachineRootBeforeUserRoot) {
    struct Case { const char* name; std::vector<Value> values; std::int32_t result; std::wstring dir; };
    const Case cases[] = {
        {"first key wins, less its backslash",
         {{HKEY_LOCAL_MACHINE, kClient, L"InstallDir", L"C:\\Prog\\"}, {HKEY_LOCAL_MACHINE, kWorkgroup, L"InstallDir", L"D:\\Other"}},
         0, L"C:\\Prog"},
        {"user root of the third key", {{HKEY_CURRENT_USER, kNtServer, L"InstallDir", L"E:\\Srv"}}, 0, L"E:\\Srv"},
        {"key order before root order",
         {{HKEY_CURRENT_USER, kClient, L"InstallDir", L"U:\\User\\"}, {HKEY_LOCAL_MACHINE, kWorkgroup, L"InstallDir", L"W:\\x"}},
         0, L"U:\\User"},
        {"machine root before user root",
         {{HKEY_CURRENT_USER, kClient, L"InstallDir", L"U:\\u"}, {HKEY_LOCAL_MACHINE, kClient, L"InstallDir", L"M:\\m"}},
         0, L"M:\\m"},
        {"a lone backslash stays", {{HKEY_LOCAL_MACHINE, kClient, L"InstallDir", L"\\"}}, 0, L"\\"},
        {"another value name is not read", {{HKEY_LOCAL_MACHINE, kClient, L"InstallData", L"C:\\Data"}},
         static_cast<std::int32_t>(0x80004005), L"untouched"},
        {"too large for the buffer: the next that fits",
         {{HKEY_LOCAL_MACHINE, kClient, L"InstallDir", std::wstring(100, L'x')}, {HKEY_CURRENT_USER, kClient, L"InstallDir", L"C:\\Fits\\"}},
         0, L"C:\\Fits"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProductRegistrySandbox::Clear();
        for (const Value& v : c.values) ASSERT_TRUE(ProductRegistrySandbox::Set(v.hive, v.key, v.name, v.data));
        wchar_t buffer[40] = L"untouched";
        std::uint32_t size = sizeof buffer;
        EXPECT_EQ(GetInstallDir(&size, buffer), c.result);
        EXPECT_EQ(std::wstring(buffer), c.dir);
        if (c.result != 0) {
            EXPECT_EQ(size, sizeof buffer);  // the size is left as it was
        }
    }
}

TEST_F(InstallLookupTest, EachDirectoryReadsItsOwnValue) {
    ProductRegistrySandbox::Set(HKEY_LOCAL_MACHINE, kClient, L"InstallData", L"C:\\Data\\");
    ProductRegistrySandbox::Set(HKEY_LOCAL_MACHINE, kClient, L"InstallDir", L"C:\\Prog\\");
    ProductRegistrySandbox::Set(HKEY_LOCAL_MACHINE, kWorkgroup, L"InstallDir64", L"C:\\Prog64\\");
    wchar_t buffer[64];
    std::uint32_t size = sizeof buffer;
    ASSERT_EQ(GetInstallDataDir(&size, buffer), 0);
    EXPECT_STREQ(buffer, L"C:\\Data");
    EXPECT_EQ(size, 18u);  // the size read, terminator included
    size = sizeof buffer;
    ASSERT_EQ(GetInstallDir64(&size, buffer), 0);
    EXPECT_STREQ(buffer, L"C:\\Prog64");
    size = sizeof buffer;
    ASSERT_EQ(GetInstallValue(L"InstallDir", &size, buffer), 0);
    EXPECT_STREQ(buffer, L"C:\\Prog\\");  // the plain read keeps the backslash
}

// CreateDirectoryPath's climbing, access denied and lying operations are proven natively
// against a fake tree; its Windows glue is two portability calls, met by the log tests.

TEST_F(InstallLookupTest, FindInstalledLibrarySearchesEachInstallationsBin) {
    TempFolder client(L"dsnset-client"), workgroup(L"dsnset-workgroup");
    CreateDirectoryW((client / L"bin").c_str(), nullptr);
    CreateDirectoryW((workgroup / L"bin").c_str(), nullptr);
    CloseHandle(CreateFileW((workgroup / L"bin\\w64rmadm.dll").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    CloseHandle(CreateFileW((client / L"bin\\w64kfif.dll").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ProductRegistrySandbox::Set(HKEY_LOCAL_MACHINE, kClient, L"InstallDir64", client.path());
    ProductRegistrySandbox::Set(HKEY_CURRENT_USER, kWorkgroup, L"InstallDir64", workgroup.path());

    struct Case { const wchar_t* name; std::uint64_t capacity; std::int32_t result; std::wstring path; std::uint64_t after; };
    const std::wstring inWorkgroup = workgroup / L"bin\\w64rmadm.dll";
    const std::wstring inClient = client / L"bin\\w64kfif.dll";
    const std::uint64_t workgroupNeeds = inWorkgroup.size() + 1;
    const Case cases[] = {
        {L"w64rmadm.dll", 261, 0, inWorkgroup, workgroupNeeds},
        {L"w64kfif.dll", 261, 0, inClient, inClient.size() + 1},
        {L"w64rmadm.dll", workgroupNeeds - 1, static_cast<std::int32_t>(0x8000FFFF), L"", workgroupNeeds},
        {L"w64rmadm.dll", workgroupNeeds, 0, inWorkgroup, workgroupNeeds},
        {L"nowhere.dll", 261, static_cast<std::int32_t>(0x80070002), L"", 261},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.capacity);
        wchar_t output[261] = {};
        std::uint64_t capacity = c.capacity;
        EXPECT_EQ(FindInstalledLibrary(c.name, &capacity, output), c.result);
        EXPECT_EQ(std::wstring(output), c.path);
        EXPECT_EQ(capacity, c.after);
    }

    // Found nowhere in the installations but openable by its bare name: the bare name.
    wchar_t cwd[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, cwd);
    SetCurrentDirectoryW(client.path().c_str());
    CloseHandle(CreateFileW(L"local.dll", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    wchar_t output[261] = {};
    std::uint64_t capacity = 261;
    EXPECT_EQ(FindInstalledLibrary(L"local.dll", &capacity, output), 0);
    EXPECT_STREQ(output, L"local.dll");
    EXPECT_EQ(capacity, 10u);
    SetCurrentDirectoryW(cwd);
}

}  // namespace
