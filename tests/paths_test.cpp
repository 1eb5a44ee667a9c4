// ConvertToUnc on real Wine drives (this computer's drives, the current folder, drives
// substituted with DefineDosDeviceA, the prefix's network drive N:), with the network
// router's answers from a double and the NetWare client from stand-ins. The client is
// looked for once per process: each NetWare situation runs in a process of its own,
// chosen by the gtest filter; --netware-client adds the client's folder to the search.
#include <gtest/gtest.h>
#include <windows.h>
#include <winnetwk.h>

#include <cstring>
#include <string>

#include "paths/text_conversion.h"
#include "paths/text_encodings.h"
#include "paths/unc_conversion.h"
#include "paths/unc_resolver.h"
#include "platform/qscore.h"
#include "remote/server_probe.h"
#include "setup/call_values.h"
#include "tests/support/executable_folder.h"
#include "tests/support/import_hook.h"
#include "tests/support/network_double.h"
#include "tests/support/server_scenario.h"

namespace {

std::string Convert(const std::string& path, std::uint32_t lookUp = 1) {
    ProfileText output;
    output.assign("untouched");
    int result = ConvertToUnc(path.c_str(), output, lookUp);
    if (result == 0) return output.c_str();
    EXPECT_EQ(result, InvalidPath);
    EXPECT_STREQ(output.c_str(), "untouched");
    return "InvalidPath";
}

std::string HostName() {
    char name[1026];
    EXPECT_EQ(QSGetHostNameA(name, sizeof name), 0);
    return name;
}

// A drive letter substituted for a folder for the test's lifetime.
class Substitution {
public:
    Substitution(const char* drive, const char* target) : drive_(drive), target_(target) {
        EXPECT_TRUE(DefineDosDeviceA(0, drive, target)) << drive << " for " << target;
    }
    ~Substitution() { DefineDosDeviceA(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, drive_, target_); }

private:
    const char* drive_;
    const char* target_;
};

TEST(ConvertToUncTest, ThisComputersDrives) {
    const std::string host = "\\\\" + HostName();
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\windows"));
    Substitution s("S:", "C:\\data");
    Substitution t("T:", "S:\\deeper");
    Substitution r("R:", "C:\\");
    ASSERT_EQ(GetDriveTypeA("Q:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
    struct Case { std::string path; std::string expected; };
    const Case cases[] = {
        {"C:\\data. ", host + "\\C$\\data."},
        {"data", host + "\\C$\\windows\\data"},
        {"\\data", host + "\\C$\\data"},
        {"C:", host + "\\C$\\windows\\"},  // WINE8: the current folder of a drive ends with "\\"
        {"C:\\M\xFCller", host + "\\C$\\M\xFCller"},  // ANSI through UTF-8 and back
        {"S:\\x", host + "\\C$\\data\\x"},
        {host + "\\S$\\x", host + "\\C$\\data\\x"},
        {"T:\\x", host + "\\C$\\data\\deeper\\x"},
        {"R:\\x", host + "\\C$\\x"},
        {"Q:\\x", "InvalidPath"},
        {"C:\\" + std::string(257, 'n'), host + "\\C$\\" + std::string(257, 'n')},
        {"C:\\" + std::string(258, 'n'), "InvalidPath"},
        {"//srv/share/dir", "\\\\srv\\share\\dir"},  // Wine has no connection list: the plain form
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(Convert(c.path), c.expected);
    }
}

class NetworkDriveTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(GetDriveTypeA("N:\\"), static_cast<UINT>(DRIVE_REMOTE)) << "the test prefix lacks its network drive";
        ASSERT_TRUE(network_.installed());
    }
    void TearDown() override {
        Settings = nullptr;
        std::memset(ServerPlatformCode, 0, sizeof ServerPlatformCode);
    }
    NetworkScenario scenario_;
    NetworkDouble network_{scenario_};
};

TEST_F(NetworkDriveTest, MappedDrive) {
    const std::string share90 = "\\\\files\\" + std::string(90, 'v');
    const std::string rest200(200, 'd');
    struct Case {
        const char* name;
        std::string remote;
        std::vector<std::pair<std::string, std::string>> connections;
        std::string path;
        std::string expected;
        std::vector<DWORD> sizes;
    };
    const Case cases[] = {
        {"plain", "\\\\files\\vol1", {{"\\\\files\\vol1", "Microsoft Windows Network"}}, "N:\\db", "\\\\files\\vol1\\db", {260}},
        {"NetWare provider", "\\\\files\\vol1", {{"\\\\other\\x", "NetWare Services"}, {"\\\\FILES\\vol1", "NetWare Services"}},
         "N:\\db", "\\\\files\\vol1:\\db", {260}},
        {"no connection", "\\\\files\\vol1", {}, "N:\\db", "\\\\files\\vol1\\db", {260}},
        // The name does not fit 260 bytes: asked again with the size the router named.
        {"longer name", share90, {}, "N:\\" + rest200, share90 + "\\" + rest200,
         {260, static_cast<DWORD>(sizeof(UNIVERSAL_NAME_INFOA) + share90.size() + 1 + rest200.size() + 1)}},
        {"name over 780 bytes", "\\\\files\\" + std::string(772, 'v'), {}, "N:\\db", "InvalidPath", {260}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scenario_.remoteName = c.remote;
        scenario_.connections = c.connections;
        scenario_.nameSizes.clear();
        scenario_.sleeps.clear();
        EXPECT_EQ(Convert(c.path), c.expected);
        EXPECT_EQ(scenario_.nameSizes, c.sizes);
        EXPECT_EQ(scenario_.sleeps, std::vector<DWORD>(c.sizes.size() - 1, 50));
    }
}

TEST_F(NetworkDriveTest, BusyRouter) {
    scenario_.busyAnswers = {RPC_S_SERVER_TOO_BUSY, RPC_S_SERVER_TOO_BUSY, RPC_S_SERVER_TOO_BUSY};
    EXPECT_EQ(Convert("N:\\db"), "\\\\files\\vol1\\db");
    EXPECT_EQ(scenario_.sleeps, std::vector<DWORD>(3, 50));
    scenario_.sleeps.clear();
    scenario_.nameSizes.clear();
    scenario_.busyForever = true;
    EXPECT_EQ(Convert("N:\\db"), "InvalidPath");
    EXPECT_EQ(scenario_.nameSizes.size(), 21u);  // the first call and 20 more
    EXPECT_EQ(scenario_.sleeps, std::vector<DWORD>(20, 50));
}

TEST_F(NetworkDriveTest, ConnectionListEnds) {
    struct Case { const char* name; bool openFails; DWORD after; int batches; int closes; };
    const Case cases[] = {
        {"at its end", false, ERROR_NO_MORE_ITEMS, 2, 1},
        {"at another error", false, ERROR_BAD_NETPATH, 2, 1},
        {"not opened", true, ERROR_NO_MORE_ITEMS, 0, 0},
    };
    scenario_.connections = {{"\\\\elsewhere\\x", "NetWare Services"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scenario_.openFails = c.openFails;
        scenario_.afterFirstBatch = c.after;
        scenario_.batches = scenario_.closes = 0;
        EXPECT_EQ(Convert("N:\\db"), "\\\\files\\vol1\\db");
        EXPECT_EQ(scenario_.batches, c.batches);
        EXPECT_EQ(scenario_.closes, c.closes);
    }
}

TEST_F(NetworkDriveTest, TheDsnsNetWareServer) {
    DsnSettings record;
    std::memset(&record, 0, sizeof record);
    record.ServerName.set("FILES");
    Settings = &record;
    std::memcpy(ServerPlatformCode, "NWSR", 4);
    EXPECT_EQ(Convert("N:\\db"), "\\\\files\\vol1:\\db");
    EXPECT_EQ(Convert("N:\\db", 0), "\\\\files\\vol1\\db");
    std::memcpy(ServerPlatformCode, "NTSR", 4);
    EXPECT_EQ(Convert("N:\\db"), "\\\\files\\vol1\\db");
}

TEST_F(NetworkDriveTest, WindowsNinetyFiveFamilyAndOthers) {
    scenario_.platformId = VER_PLATFORM_WIN32_WINDOWS;
    scenario_.busyAnswers = {RPC_S_SERVER_TOO_BUSY};
    EXPECT_EQ(Convert("N:\\db"), "\\\\files\\vol1\\db");
    EXPECT_EQ(scenario_.nameSizes, (std::vector<DWORD>{260, 260}));
    scenario_.remoteName = "\\\\files\\" + std::string(260, 'v');
    EXPECT_EQ(Convert("N:\\db"), "InvalidPath");
    scenario_.platformId = 4;  // neither family
    scenario_.remoteName = "\\\\files\\vol1";
    EXPECT_EQ(Convert("N:\\db"), "InvalidPath");
    scenario_.platformId = VER_PLATFORM_WIN32_NT;
    scenario_.entriesMissing = true;
    EXPECT_EQ(Convert("N:\\db"), "InvalidPath");
    EXPECT_EQ(Convert("C:\\db"), "\\\\" + HostName() + "\\C$\\db");
}

// Without the client a second conversion does not look for it again.
TEST(NetWareMissingTest, LookedForOnce) {
    static int clientOpens = 0;
    static void* realOpen = nullptr;
    struct Counter {
        static QSResult Open(const wchar_t* name, QSHandle* library) {
            if (_wcsicmp(name, L"CLNWIN32.DLL") == 0) ++clientOpens;
            return reinterpret_cast<decltype(&QSLibOpen)>(realOpen)(name, library);
        }
    };
    ImportHook hook(GetModuleHandleA(nullptr), "w64qscore3.dll", "QSLibOpen", reinterpret_cast<void*>(&Counter::Open));
    ASSERT_TRUE(hook.installed());
    realOpen = hook.original();
    Convert("C:\\data");  // looks for the client unless an earlier conversion did
    EXPECT_EQ(NetWareProbed, 1);
    int opens = clientOpens;
    EXPECT_LE(opens, 1);
    EXPECT_EQ(Convert("VOL1:dir"), "InvalidPath");  // no client, and no network drive behind it
    EXPECT_EQ(Convert("C:\\data"), "\\\\" + HostName() + "\\C$\\data");
    EXPECT_EQ(clientOpens, opens);
}

// The encodings: the OEM name from the OEM code page, the default from the portability
// library, and both "ISO-8859-1" when the default has no converter.
TEST(TextEncodingsTest, Names) {
    static UINT oem = 850;
    static const wchar_t* reported = L"windows-1252";
    struct Fake {
        static UINT WINAPI OemCodePage() { return oem; }
        static QSResult Default(wchar_t* buffer) {
            if (reported == nullptr) return E_FAIL;
            std::wcscpy(buffer, reported);
            return 0;
        }
    };
    HMODULE program = GetModuleHandleA(nullptr);
    ImportHook oemHook(program, "kernel32.dll", "GetOEMCP", reinterpret_cast<void*>(&Fake::OemCodePage));
    ImportHook defaultHook(program, "w64qscore3.dll", "QSGetDefaultCharEncoding", reinterpret_cast<void*>(&Fake::Default));
    ASSERT_TRUE(oemHook.installed() && defaultHook.installed());
    EXPECT_EQ(InitTextEncodings(), 0);
    EXPECT_STREQ(Encodings.oemEncoding.c_str(), L"CP850");
    EXPECT_STREQ(Encodings.defaultEncoding.c_str(), L"windows-1252");
    reported = nullptr;  // a failing query keeps the name it had
    oem = 437;
    InitTextEncodings();
    EXPECT_STREQ(Encodings.defaultEncoding.c_str(), L"windows-1252");
    EXPECT_STREQ(Encodings.oemEncoding.c_str(), L"CP437");
    reported = L"no-such-encoding";
    InitTextEncodings();
    EXPECT_STREQ(Encodings.defaultEncoding.c_str(), L"ISO-8859-1");
    EXPECT_STREQ(Encodings.oemEncoding.c_str(), L"ISO-8859-1");
}

// Run alone in its process: the very first query fails, and the ANSI code page names the
// default encoding.
TEST(FirstEncodingQueryTest, FallsBackToTheAnsiCodePage) {
    struct Fake {
        static QSResult Default(wchar_t*) { return E_FAIL; }
    };
    ImportHook hook(GetModuleHandleA(nullptr), "w64qscore3.dll", "QSGetDefaultCharEncoding",
                    reinterpret_cast<void*>(&Fake::Default));
    ASSERT_TRUE(hook.installed());
    InitTextEncodings();
    EXPECT_EQ(std::wstring(Encodings.defaultEncoding.c_str()), L"CP" + std::to_wstring(GetACP()));
}

class NetWareClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        scenario_.write({{"netware",
                          {{"server", "NWSRV1"},
                           {"volumes", {"VOL1", "SYS"}},
                           {"drives", {{"P", "VOL1:\\apps"}}}}}});
    }
    ServerScenario scenario_{nlohmann::json::object()};
    NetworkScenario network_;
    NetworkDouble double_{network_};
};

TEST_F(NetWareClientTest, VolumePaths) {
    ASSERT_TRUE(double_.installed());
    network_.connections = {{"\\\\NWSRV1\\VOL1", "NetWare Services"}};
    struct Case { const char* path; const char* expected; const char* asked; };
    const Case cases[] = {
        {"VOL1:dir", "\\\\NWSRV1\\VOL1:\\dir", "564f4c313a646972"},
        {"vol1:\\dir\\sub", "\\\\NWSRV1\\VOL1:\\dir\\sub", "766f6c313a5c6469725c737562"},
        {"P:\\db", "\\\\NWSRV1\\VOL1:\\apps\\db", "503a5c6462"},
        {"VOL1:M\xFCller", "\\\\NWSRV1\\VOL1:\\M\xFCller", "564f4c313a4d816c6c6572"},  // ü is 0x81 in the OEM code page
        {"NOVOL:dir", "InvalidPath", "4e4f564f4c3a646972"},
        {"C:\\data", nullptr, "433a5c64617461"},  // not NetWare's: a local drive
    };
    int conversions = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::string expected = c.expected ? c.expected : "\\\\" + HostName() + "\\C$\\data";
        EXPECT_EQ(Convert(c.path), expected);
        ++conversions;
        nlohmann::json seen = scenario_.read();
        EXPECT_EQ(seen["netware"]["asked"].back(), c.asked);
        // Each conversion loads the client and starts it, and lets it go at its end.
        EXPECT_EQ(seen["counters"]["NWCallsInit"], conversions);
        EXPECT_EQ(GetModuleHandleA("CALWIN32.DLL"), nullptr);
        EXPECT_EQ(NetWareProbed, 0);
    }
}

TEST_F(NetWareClientTest, NoServerNamed) {
    scenario_.write({{"netware", {{"server", ""}, {"volumes", {"VOL1"}}}}});
    EXPECT_EQ(Convert("VOL1:dir"), "InvalidPath");
    EXPECT_EQ(Convert("NWSRV2/VOL1:dir"), "\\\\NWSRV2\\VOL1\\dir");
}

// Run alone in its process: a client that does not start is not looked for again.
TEST(NetWareStartFailsTest, LookedForOnce) {
    ServerScenario scenario(nlohmann::json{{"netware", {{"init", 5}, {"server", "NWSRV1"}, {"volumes", {"VOL1"}}}}});
    EXPECT_EQ(Convert("C:\\data"), "\\\\" + HostName() + "\\C$\\data");
    EXPECT_EQ(Convert("SRV/VOL1:dir"), "\\\\SRV\\VOL1\\dir");
    EXPECT_EQ(NetWareProbed, 1);
    EXPECT_EQ(GetModuleHandleA("CALWIN32.DLL"), nullptr);
    EXPECT_EQ(scenario.counter("NWCallsInit"), 1);
    EXPECT_EQ(scenario.counter("NWParsePath"), 0);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--netware-client") == 0)
            SetDllDirectoryA((ExecutableFolder() + "\\netware").c_str());
    return RUN_ALL_TESTS();
}
