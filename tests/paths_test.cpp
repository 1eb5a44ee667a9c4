// ConvertToUnc on real Wine drives (this computer's, substituted ones, the prefix's network
// drive N:), with the network router's answers from a double and the NetWare client from
// stand-ins. The client is looked for once per process: each NetWare situation runs in a
// process of its own, chosen by the gtest filter; --netware-client adds the client's folder.
#include <gtest/gtest.h>
#include <windows.h>
#include <winnetwk.h>
#include <cctype>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>
#include "paths/text_conversion.h"
#include "paths/text_encodings.h"
#include "paths/unc_conversion.h"
#include "paths/unc_resolver.h"
#include "platform/qscore.h"
#include "remote/server_probe.h"
#include "setup/call_values.h"
#include "tests/support/executable_folder.h"
#include "tests/support/library_opens.h"
#include "tests/support/server_scenario.h"

namespace {

std::string Convert(const std::string& path, std::uint32_t lookUp = 1) {
    ProfileText output;
    output.assign("untouched");
    const int result = ConvertToUnc(path.c_str(), output, lookUp);
    return result == 0 ? output.c_str() : std::to_string(result) + " " + output.c_str();
}

const std::string kInvalid = std::to_string(InvalidPath) + " untouched";

const std::string kHost = [] {
    char name[1026] = {};
    return QSGetHostNameA(name, sizeof name) == 0 ? "\\\\" + std::string(name) : "no host name";
}();

// Sets the DSN's server and the platform code its probe found, or clears both.
void DsnServer(const char* name = nullptr, const char* code = "") {
    static DsnSettings record = {};
    if (name) record.ServerName.set(name);
    Settings = name ? &record : nullptr;
    std::strncpy(ServerPlatformCode, code, sizeof ServerPlatformCode);
}

TEST(ConvertToUncTest, ThisComputersDrives) {
    struct Substitution {
        const char *drive, *target;
        ~Substitution() { DefineDosDeviceA(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, drive, target); }
    } s{"S:", "C:\\data"}, t{"T:", "S:\\deeper"}, r{"R:", "C:\\"};
    for (const Substitution* d : {&s, &t, &r}) ASSERT_TRUE(DefineDosDeviceA(0, d->drive, d->target)) << d->drive;
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\windows"));
    const std::pair<std::string, std::string> cases[] = {
        {"data", kHost + "\\C$\\windows\\data"}, {"Q:\\x", kInvalid},
        {"C:", kHost + "\\C$\\windows\\"},             // WINE8: the current folder of a drive ends with "\\"
        {"C:\\M\xFCller", kHost + "\\C$\\M\xFCller"},  // ANSI through UTF-8 and back
        {kHost + "\\S$\\x", kHost + "\\C$\\data\\x"}, {"T:\\x", kHost + "\\C$\\data\\deeper\\x"},
        {"R:\\x", kHost + "\\C$\\x"}, {"//srv/share/dir", "\\\\srv\\share\\dir"},  // Wine has no connection list
    };
    for (const auto& c : cases) EXPECT_EQ(Convert(c.first), c.second) << c.first;
}

// The router as a mapped drive N: and a connection list make it answer: its universal name
// entry (reached through QSLibGetSymbol) and the connection enumeration, replaced in the
// program's imports while the hooks live.
struct Router {
    std::string remoteName = "\\\\files\\vol1";                    // what N: is mapped to
    std::vector<std::pair<std::string, std::string>> connections;  // remote name, provider: one a batch
    int busy = 0;  // RPC_S_SERVER_TOO_BUSY answers before the name
    bool entryMissing = false, openFails = false;
    std::size_t batches = 0;
};
Router* Net = nullptr;
void* RealGetSymbol = nullptr;

DWORD APIENTRY UniversalName(LPCSTR local, DWORD level, LPVOID buffer, LPDWORD size) {
    if (Net->busy > 0 && Net->busy--) return RPC_S_SERVER_TOO_BUSY;
    if (level != UNIVERSAL_NAME_INFO_LEVEL || std::toupper(local[0]) != 'N') return ERROR_NOT_CONNECTED;
    auto* info = static_cast<UNIVERSAL_NAME_INFOA*>(buffer);
    const std::string unc = Net->remoteName + (local + 2);
    const DWORD needed = static_cast<DWORD>(sizeof *info + unc.size() + 1);
    if (*size < needed) return *size = needed, ERROR_MORE_DATA;
    info->lpUniversalName = std::strcpy(reinterpret_cast<char*>(info + 1), unc.c_str());
    return NO_ERROR;
}
QSResult GetSymbol(QSHandle library, const wchar_t* name, void** entry) {
    if (std::wcscmp(name, L"WNetGetUniversalNameA") != 0)
        return reinterpret_cast<decltype(&QSLibGetSymbol)>(RealGetSymbol)(library, name, entry);
    *entry = reinterpret_cast<void*>(&UniversalName);
    return Net->entryMissing ? E_FAIL : 0;
}
DWORD APIENTRY OpenEnum(DWORD scope, DWORD type, DWORD usage, LPNETRESOURCEA, LPHANDLE list) {
    *list = &Net;
    Net->batches = 0;
    return Net->openFails || scope != RESOURCE_CONNECTED || type != RESOURCETYPE_ANY || usage ? ERROR_NO_NETWORK : 0;
}
DWORD APIENTRY EnumResource(HANDLE list, LPDWORD count, LPVOID buffer, LPDWORD) {
    if (list != &Net || Net->batches == Net->connections.size()) return ERROR_NO_MORE_ITEMS;
    const auto& c = Net->connections[Net->batches++];
    auto* r = static_cast<NETRESOURCEA*>(buffer);
    *r = {};
    r->lpRemoteName = std::strcpy(reinterpret_cast<char*>(r + 1), c.first.c_str());
    r->lpProvider = std::strcpy(r->lpRemoteName + c.first.size() + 1, c.second.c_str());
    return *count = 1, NO_ERROR;
}
DWORD APIENTRY CloseEnum(HANDLE list) { return list == &Net ? NO_ERROR : ERROR_INVALID_HANDLE; }

TEST(NetworkDriveTest, RouterAnswers) {
    ASSERT_EQ(GetDriveTypeA("N:\\"), static_cast<UINT>(DRIVE_REMOTE)) << "the test prefix lacks its network drive";
    Router router;
    Net = &router;
    const ImportHook getSymbol("w64qscore3.dll", "QSLibGetSymbol", &GetSymbol),
        open("mpr.dll", "WNetOpenEnumA", &OpenEnum), close("mpr.dll", "WNetCloseEnum", &CloseEnum),
        enumerate("mpr.dll", "WNetEnumResourceA", &EnumResource);
    RealGetSymbol = getSymbol.original();
    const std::string plain = "\\\\files\\vol1\\db", netWare = "\\\\files\\vol1:\\db";
    const std::string longer = "\\\\files\\" + std::string(90, 'v') + "\\" + std::string(200, 'd');
    struct Case { const char* name; std::function<void(Router&)> set; std::string expected; std::uint32_t lookUp = 1; };
    const Case cases[] = {
        {"plain", [](Router& n) { n.connections = {{"\\\\files\\vol1", "Microsoft Windows Network"}}; }, plain},
        {"NetWare provider in the second batch",
         [](Router& n) { n.connections = {{"\\\\o\\x", "NetWare Services"}, {"\\\\FILES\\v", "NetWare"}}; }, netWare},
        {"not opened", [](Router& n) { n.openFails = true, n.connections = {{"\\\\files\\v", "NetWare"}}; }, plain},
        // The name does not fit 260 bytes: asked again with the room the router names, up to 780.
        {"longer name", [&](Router& n) { n.remoteName = longer; }, longer + "\\db"},
        {"busy 20 times", [](Router& n) { n.busy = 20; }, plain},
        {"the DSN's NetWare server", [](Router&) { DsnServer("FILES", "NWSR"); }, netWare},
        {"connections not looked up", [](Router&) { DsnServer("FILES", "NWSR"); }, plain, 0},
        {"mpr.dll without the name entry", [](Router& n) { n.entryMissing = true; }, kInvalid},
    };
    for (const Case& c : cases) {
        router = Router();
        DsnServer();
        c.set(router);
        EXPECT_EQ(Convert("N:\\db", c.lookUp), c.expected) << c.name;
    }
    DsnServer();
}

// Without the client a second conversion does not look for it again.
TEST(NetWareMissingTest, LookedForOnce) {
    LibraryOpens client(L"CLNWIN32", false);
    EXPECT_EQ(Convert("VOL1:dir"), kInvalid);  // no client, and no network drive behind it
    EXPECT_EQ(Convert("VOL1:dir"), kInvalid);
    EXPECT_EQ(std::to_string(NetWareProbed) + " " + std::to_string(client.count), "1 1");
}

// The encodings: the OEM one from the OEM code page, the default one from the portability
// library, and both "ISO-8859-1" when the default has no converter.
UINT Oem;
const wchar_t* Reported;
UINT WINAPI OemCodePage() { return Oem; }
QSResult DefaultEncoding(wchar_t* name) { return Reported ? (std::wcscpy(name, Reported), 0) : E_FAIL; }

TEST(TextEncodingsTest, Names) {
    Oem = 850, Reported = L"windows-1252";
    const ImportHook oem("kernel32.dll", "GetOEMCP", &OemCodePage),
        defaultName("w64qscore3.dll", "QSGetDefaultCharEncoding", &DefaultEncoding);
    const auto names = [] {
        InitTextEncodings();
        return std::wstring(Encodings.defaultEncoding.c_str()) + L" " + Encodings.oemEncoding.c_str();
    };
    EXPECT_EQ(names(), L"windows-1252 CP850");
    Reported = L"no-such-encoding";
    EXPECT_EQ(names(), L"ISO-8859-1 ISO-8859-1");
}

// Alone in its process: the very first query fails, and the ANSI code page names the default.
TEST(FirstEncodingQueryTest, FallsBackToTheAnsiCodePage) {
    Reported = nullptr;
    const ImportHook defaultName("w64qscore3.dll", "QSGetDefaultCharEncoding", &DefaultEncoding);
    InitTextEncodings();
    EXPECT_EQ(std::wstring(Encodings.defaultEncoding.c_str()), L"CP" + std::to_wstring(GetACP()));
}

// Each conversion loads the client, starts it, asks it in the OEM code page, and lets it go.
TEST(NetWareClientTest, VolumePaths) {
    ServerScenario scenario(nlohmann::json{{"netware", {{"server", "NWSRV1"}, {"volumes", {"VOL1"}}}}});
    DsnServer("NWSRV1", "NWSR");  // the NetWare form
    const std::pair<std::string, std::string> cases[] = {
        {"VOL1:M\xFCller", "\\\\NWSRV1\\VOL1:\\M\xFCller asked 564f4c313a4d816c6c6572"},  // ü is 0x81 in OEM
        {"NOVOL:dir", kInvalid + " asked 4e4f564f4c3a646972"},
        {"C:\\data", kHost + "\\C$\\data asked 433a5c64617461"},  // not NetWare's: a local drive
    };
    for (const auto& c : cases) {
        const std::string result = Convert(c.first);
        EXPECT_EQ(result + " asked " + scenario.read()["netware"]["asked"].back().get<std::string>(), c.second);
    }
    EXPECT_EQ(scenario.counter("NWCallsInit"), 3);  // started once a conversion
    EXPECT_EQ(std::to_string(NetWareProbed) + (GetModuleHandleA("CALWIN32.DLL") ? " loaded" : " gone"), "0 gone");
}

// Alone in its process: a client that does not start is not looked for again.
TEST(NetWareStartFailsTest, LookedForOnce) {
    ServerScenario scenario(nlohmann::json{{"netware", {{"init", 5}, {"server", "NWSRV1"}, {"volumes", {"VOL1"}}}}});
    EXPECT_EQ(Convert("C:\\data"), kHost + "\\C$\\data");
    EXPECT_EQ(Convert("SRV/VOL1:dir"), "\\\\SRV\\VOL1\\dir");
    EXPECT_EQ(std::to_string(NetWareProbed) + (GetModuleHandleA("CALWIN32.DLL") ? " loaded" : " gone"), "1 gone");
    static bool firstRun = true;  // a repeated run in the same process finds the client known missing
    EXPECT_EQ(scenario.counter("NWCallsInit"), std::exchange(firstRun, false) ? 1 : 0);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--netware-client") == 0) SetDllDirectoryA((ExecutableFolder() + "\\netware").c_str());
    return RUN_ALL_TESTS();
}
