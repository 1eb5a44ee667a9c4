// Installation lookup over the real registry and file system of the Wine prefix.
#include <gtest/gtest.h>

#include "setup/install_lookup.h"
#include "tests/support/registry_sandbox.h"

namespace {

const std::wstring kKey = L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL ", kInfo = L"\\InstallInfo";
const std::wstring kClient = kKey + L"Client" + kInfo, kWorkgroup = kKey + L"Workgroup" + kInfo;
const std::wstring kServer = kKey + L"NT Server" + kInfo;
const HKEY M = HKEY_LOCAL_MACHINE, U = HKEY_CURRENT_USER;
struct Value { HKEY hive; std::wstring key, name, data; };

// Keys in order (Client, Workgroup, NT Server), the machine's before the user's; a value is
// read whole into the caller's buffer (40 characters here) or not at all.
TEST(InstallLookupTest, TheFirstKeyThatHoldsTheValueWins) {
    const std::wstring fills(39, L'f'), dir = L"InstallDir";  // with its terminator, the whole buffer
    struct Case { const char* name; std::vector<Value> values; std::wstring shown; };  // directory, bytes read
    const Case cases[] = {
        {"first key, less its backslash", {{M, kClient, dir, L"C:\\P\\"}, {M, kWorkgroup, dir, L"D:\\x"}}, L"C:\\P 12"},
        {"the third key, the user's", {{U, kServer, dir, L"E:\\Srv"}}, L"E:\\Srv 14"},
        {"key order before root order", {{U, kClient, dir, L"U:\\u\\"}, {M, kWorkgroup, dir, L"W:\\x"}}, L"U:\\u 12"},
        {"machine before user", {{U, kClient, dir, L"U:\\u"}, {M, kClient, dir, L"M:\\m"}}, L"M:\\m 10"},
        {"a lone backslash stays", {{M, kClient, dir, L"\\"}}, L"\\ 4"},
        {"too large: the next that fits", {{M, kClient, dir, fills + L"x"}, {U, kClient, dir, fills}}, fills + L" 80"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProductRegistrySandbox registry;
        for (const Value& v : c.values) ASSERT_TRUE(ProductRegistrySandbox::Set(v.hive, v.key, v.name, v.data));
        wchar_t buffer[40] = L"untouched";
        std::uint32_t size = sizeof buffer;
        const bool failed = GetInstallDir(&size, buffer) == static_cast<std::int32_t>(0x80004005);
        EXPECT_EQ((failed ? L"failed" : buffer) + std::wstring(L" ") + std::to_wstring(size), c.shown);
    }
}

// Each installation's "bin" in key order, a key without InstallDir64 skipped.
TEST(InstallLookupTest, FindInstalledLibrarySearchesEachInstallationsBin) {
    ProductRegistrySandbox registry;
    TempFolder workgroup(L"dsnset-workgroup"), server(L"dsnset-server");
    for (const TempFolder* f : {&workgroup, &server}) CreateDirectoryW((*f / L"bin").c_str(), nullptr);
    const std::wstring inWorkgroup = workgroup / L"bin\\w64rmadm.dll", inServer = server / L"bin\\w64kfif.dll";
    for (auto& f : {inWorkgroup, inServer}) CloseHandle(CreateFileW(f.c_str(), GENERIC_WRITE, 0, 0, 1, 0, 0));
    ProductRegistrySandbox::Set(M, kClient, L"InstallDir", server.path());  // not the 64-bit directory
    ProductRegistrySandbox::Set(U, kWorkgroup, L"InstallDir64", workgroup.path());
    ProductRegistrySandbox::Set(M, kServer, L"InstallDir64", server.path());
    const std::uint64_t needs = inWorkgroup.size() + 1;
    struct Case { const wchar_t* file; std::uint64_t room; std::int32_t result; std::wstring path; std::uint64_t n; };
    const Case cases[] = {
        {L"w64rmadm.dll", 261, 0, inWorkgroup, needs},
        {L"w64kfif.dll", 261, 0, inServer, inServer.size() + 1},
        {L"w64rmadm.dll", needs - 1, static_cast<std::int32_t>(0x8000FFFF), L"", needs},
        {L"w64rmadm.dll", needs, 0, inWorkgroup, needs},
        {L"nowhere.dll", 261, static_cast<std::int32_t>(0x80070002), L"", 261},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.room);
        wchar_t output[261] = {};
        std::uint64_t capacity = c.room;
        EXPECT_EQ(FindInstalledLibrary(c.file, &capacity, output), c.result);
        EXPECT_EQ(std::wstring(output) + L" " + std::to_wstring(capacity), c.path + L" " + std::to_wstring(c.n));
    }
}

}  // namespace
