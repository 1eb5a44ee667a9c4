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
#include <memory>
#include <string>
#include <vector>

#include "paths/text_conversion.h"
#include "paths/text_encodings.h"
#include "paths/unc_conversion.h"
#include "paths/unc_resolver.h"
#include "platform/qscore.h"
#include "remote/server_probe.h"
#include "setup/call_values.h"
#include "tests/support/executable_folder.h"
#include "tests/support/import_hook.h"
#include "tests/support/server_scenario.h"

namespace {

std::string Convert(const std::string& path, std::uint32_t lookUp = 1) {
    ProfileText output;
    output.assign("untouched");
    const int result = ConvertToUnc(path.c_str(), output, lookUp);
    return result == 0 ? output.c_str() : std::to_string(result) + " " + output.c_str();
}

const std::string kInvalid = std::to_string(InvalidPath) + " untouched";

std::string Host() {
    char name[1026];
    EXPECT_EQ(QSGetHostNameA(name, sizeof name), 0);
    return "\\\\" + std::string(name);
}

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
    const std::string host = Host();
    const std::pair<std::string, std::string> cases[] = {
        {"data", host + "\\C$\\windows\\data"}, {"\\data", host + "\\C$\\data"},
        {"C:", host + "\\C$\\windows\\"},             // WINE8: the current folder of a drive ends with "\\"
        {"C:\\M\xFCller", host + "\\C$\\M\xFCller"},  // ANSI through UTF-8 and back
        {"S:\\x", host + "\\C$\\data\\x"}, {host + "\\S$\\x", host + "\\C$\\data\\x"},
        {"T:\\x", host + "\\C$\\data\\deeper\\x"}, {"R:\\x", host + "\\C$\\x"}, {"Q:\\x", kInvalid},
        {"//srv/share/dir", "\\\\srv\\share\\dir"},  // Wine has no connection list: the plain form
    };
    for (const auto& c : cases) EXPECT_EQ(Convert(c.first), c.second) << c.first;
}

// The router as a mapped drive N: and a connection list make it answer: the name entries
// (reached through QSLibGetSymbol), the connection enumeration and GetVersionExA, each
// replaced in the program's imports while the hooks live.
struct Router {
    std::string remoteName = "\\\\files\\vol1";                    // what N: is mapped to
    std::vector<std::pair<std::string, std::string>> connections;  // remote name, provider: one a batch
    int busy = 0;                  // RPC_S_SERVER_TOO_BUSY answers before the name; -1: for ever
    bool entriesMissing = false, openFails = false;
    DWORD platformId = VER_PLATFORM_WIN32_NT;
    std::size_t batches = 0;
};
Router* Net = nullptr;
void* RealGetSymbol = nullptr;

DWORD Name(LPCSTR local, LPDWORD size, DWORD header, std::string& name) {
    if (Net->busy < 0 || (Net->busy > 0 && Net->busy--)) return RPC_S_SERVER_TOO_BUSY;
    if (std::toupper(local[0]) != 'N' || local[1] != ':') return ERROR_NOT_CONNECTED;
    name = Net->remoteName + (header ? local + 2 : "");
    const DWORD needed = static_cast<DWORD>(header + name.size() + 1);
    return *size < needed ? (*size = needed, ERROR_MORE_DATA) : NO_ERROR;
}
DWORD APIENTRY UniversalName(LPCSTR local, DWORD level, LPVOID buffer, LPDWORD size) {
    std::string unc;
    auto* info = static_cast<UNIVERSAL_NAME_INFOA*>(buffer);
    DWORD e = level != UNIVERSAL_NAME_INFO_LEVEL ? ERROR_NOT_SUPPORTED : Name(local, size, sizeof *info, unc);
    if (!e) info->lpUniversalName = std::strcpy(reinterpret_cast<char*>(info + 1), unc.c_str());
    return e;
}
DWORD APIENTRY ConnectionName(LPCSTR local, LPSTR remote, LPDWORD size) {
    std::string name;
    DWORD e = Name(local, size, 0, name);
    if (!e) std::strcpy(remote, name.c_str());
    return e;
}
QSResult GetSymbol(QSHandle library, const wchar_t* name, void** entry) {
    const bool universal = std::wcscmp(name, L"WNetGetUniversalNameA") == 0;
    if (!universal && std::wcscmp(name, L"WNetGetConnectionA") != 0)
        return reinterpret_cast<decltype(&QSLibGetSymbol)>(RealGetSymbol)(library, name, entry);
    *entry = universal ? reinterpret_cast<void*>(&UniversalName) : reinterpret_cast<void*>(&ConnectionName);
    return Net->entriesMissing ? E_FAIL : 0;
}
DWORD APIENTRY OpenEnum(DWORD scope, DWORD type, DWORD usage, LPNETRESOURCEA, LPHANDLE list) {
    *list = &Net;
    Net->batches = 0;
    return Net->openFails || scope != RESOURCE_CONNECTED || type != RESOURCETYPE_ANY || usage ? ERROR_NO_NETWORK : 0;
}
DWORD APIENTRY EnumResource(HANDLE list, LPDWORD count, LPVOID buffer, LPDWORD size) {
    if (list != &Net || Net->batches == Net->connections.size()) return ERROR_NO_MORE_ITEMS;
    const auto& c = Net->connections[Net->batches++];
    auto* r = static_cast<NETRESOURCEA*>(buffer);
    *r = {};
    r->lpRemoteName = std::strcpy(reinterpret_cast<char*>(r + 1), c.first.c_str());
    r->lpProvider = std::strcpy(r->lpRemoteName + c.first.size() + 1, c.second.c_str());
    *count = 1;
    return *size < 100 ? ERROR_MORE_DATA : NO_ERROR;
}
DWORD APIENTRY CloseEnum(HANDLE list) { return list == &Net ? NO_ERROR : ERROR_INVALID_HANDLE; }
BOOL WINAPI Version(LPOSVERSIONINFOA info) {
    *info = OSVERSIONINFOA{info->dwOSVersionInfoSize, 6, 0, 0, Net->platformId, {}};
    return info->dwOSVersionInfoSize == sizeof(OSVERSIONINFOA);
}

std::vector<std::unique_ptr<ImportHook>> RouterDouble(Router& router) {
    Net = &router;
    std::vector<std::unique_ptr<ImportHook>> hooks;
    auto hook = [&](const char* dll, const char* name, auto to) {
        hooks.push_back(std::make_unique<ImportHook>(GetModuleHandleA(nullptr), dll, name, reinterpret_cast<void*>(to)));
        EXPECT_TRUE(hooks.back()->installed()) << name;
        return hooks.back()->original();
    };
    RealGetSymbol = hook("w64qscore3.dll", "QSLibGetSymbol", &GetSymbol);
    hook("mpr.dll", "WNetOpenEnumA", &OpenEnum), hook("mpr.dll", "WNetEnumResourceA", &EnumResource);
    hook("mpr.dll", "WNetCloseEnum", &CloseEnum), hook("kernel32.dll", "GetVersionExA", &Version);
    return hooks;
}

TEST(NetworkDriveTest, RouterAnswers) {
    ASSERT_EQ(GetDriveTypeA("N:\\"), static_cast<UINT>(DRIVE_REMOTE)) << "the test prefix lacks its network drive";
    Router router;
    const auto hooks = RouterDouble(router);
    const std::string plain = "\\\\files\\vol1\\db", netWare = "\\\\files\\vol1:\\db";
    const std::string longer = "\\\\files\\" + std::string(90, 'v') + "\\" + std::string(200, 'd');
    struct Case { const char* name; std::function<void(Router&)> set; std::string expected; std::uint32_t lookUp = 1; };
    const Case cases[] = {
        {"plain", [](Router& n) { n.connections = {{"\\\\files\\vol1", "Microsoft Windows Network"}}; }, plain},
        {"NetWare provider in the second batch",
         [](Router& n) { n.connections = {{"\\\\o\\x", "NetWare Services"}, {"\\\\FILES\\vol1", "NetWare"}}; }, netWare},
        {"list not opened", [](Router& n) { n.openFails = true, n.connections = {{"\\\\files\\v", "NetWare"}}; }, plain},
        // The name does not fit 260 bytes: asked again with the room the router names, up to 780.
        {"longer name", [&](Router& n) { n.remoteName = longer; }, longer + "\\db"},
        {"name over 780 bytes", [](Router& n) { n.remoteName = "\\\\f\\" + std::string(765, 'v'); }, kInvalid},
        {"busy 20 times", [](Router& n) { n.busy = 20; }, plain},
        {"busy for ever", [](Router& n) { n.busy = -1; }, kInvalid},
        {"the DSN's NetWare server", [](Router&) { DsnServer("FILES", "NWSR"); }, netWare},
        {"connections not looked up", [](Router&) { DsnServer("FILES", "NWSR"); }, plain, 0},
        {"Windows 95 family", [](Router& n) { n.platformId = VER_PLATFORM_WIN32_WINDOWS, n.busy = 1; }, plain},
        {"Windows 95, name over 260 bytes",
         [](Router& n) { n.platformId = VER_PLATFORM_WIN32_WINDOWS, n.remoteName = "\\\\f\\" + std::string(256, 'v'); },
         kInvalid},
        {"neither family", [](Router& n) { n.platformId = 4; }, kInvalid},
        {"mpr.dll without the name entries", [](Router& n) { n.entriesMissing = true; }, kInvalid},
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
    static int clientOpens = 0;
    static void* realOpen = nullptr;
    struct Counter {
        static QSResult Open(const wchar_t* name, QSHandle* library) {
            clientOpens += _wcsicmp(name, L"CLNWIN32.DLL") == 0;
            return reinterpret_cast<decltype(&QSLibOpen)>(realOpen)(name, library);
        }
    };
    ImportHook hook(GetModuleHandleA(nullptr), "w64qscore3.dll", "QSLibOpen", reinterpret_cast<void*>(&Counter::Open));
    ASSERT_TRUE(hook.installed());
    realOpen = hook.original();
    EXPECT_EQ(Convert("VOL1:dir"), kInvalid);  // looks for the client unless an earlier conversion did
    EXPECT_EQ(Convert("VOL1:dir"), kInvalid);  // no client, and no network drive behind it
    EXPECT_EQ(std::to_string(NetWareProbed) + " " + std::to_string(clientOpens), "1 1");
}

// The OEM name from the OEM code page, the default from the portability library, and both
// "ISO-8859-1" when the default has no converter.
TEST(TextEncodingsTest, Names) {
    static UINT oem;
    static const wchar_t* reported;
    oem = 850, reported = L"windows-1252";
    struct Fake {
        static UINT WINAPI OemCodePage() { return oem; }
        static QSResult Default(wchar_t* buffer) { return reported ? (std::wcscpy(buffer, reported), 0) : E_FAIL; }
    };
    HMODULE program = GetModuleHandleA(nullptr);
    ImportHook oemHook(program, "kernel32.dll", "GetOEMCP", reinterpret_cast<void*>(&Fake::OemCodePage));
    ImportHook defaultHook(program, "w64qscore3.dll", "QSGetDefaultCharEncoding", reinterpret_cast<void*>(&Fake::Default));
    ASSERT_TRUE(oemHook.installed() && defaultHook.installed());
    const auto names = [] {
        InitTextEncodings();
        return std::wstring(Encodings.defaultEncoding.c_str()) + L" " + Encodings.oemEncoding.c_str();
    };
    EXPECT_EQ(names(), L"windows-1252 CP850");
    reported = nullptr, oem = 437;  // a failing query keeps the name it had
    EXPECT_EQ(names(), L"windows-1252 CP437");
    reported = L"no-such-encoding";
    EXPECT_EQ(names(), L"ISO-8859-1 ISO-8859-1");
}

// Alone in its process: the very first query fails, and the ANSI code page names the default.
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

// Each conversion loads the client, starts it, asks it in the OEM code page, and lets it go.
TEST(NetWareClientTest, VolumePaths) {
    ServerScenario scenario(nlohmann::json{{"netware", {{"server", "NWSRV1"}, {"volumes", {"VOL1"}}, {"drives", {{"P", "VOL1:\\a"}}}}}});
    DsnServer("NWSRV1", "NWSR");  // the NetWare form
    const std::pair<std::string, std::string> cases[] = {
        {"VOL1:dir", "\\\\NWSRV1\\VOL1:\\dir asked 564f4c313a646972"},
        {"P:\\db", "\\\\NWSRV1\\VOL1:\\a\\db asked 503a5c6462"},
        {"VOL1:M\xFCller", "\\\\NWSRV1\\VOL1:\\M\xFCller asked 564f4c313a4d816c6c6572"},  // ü is 0x81 in OEM
        {"NOVOL:dir", kInvalid + " asked 4e4f564f4c3a646972"},
        {"C:\\data", Host() + "\\C$\\data asked 433a5c64617461"},  // not NetWare's: a local drive
    };
    int conversions = 0;
    for (const auto& c : cases) {
        const std::string result = Convert(c.first);
        const nlohmann::json seen = scenario.read();
        EXPECT_EQ(result + " asked " + seen["netware"]["asked"].back().get<std::string>(), c.second);
        EXPECT_EQ(seen["counters"]["NWCallsInit"], ++conversions) << c.first;
        EXPECT_EQ(GetModuleHandleA("CALWIN32.DLL"), nullptr) << c.first;
        EXPECT_EQ(NetWareProbed, 0) << c.first;
    }
}

// Alone in its process: a client that does not start is not looked for again.
TEST(NetWareStartFailsTest, LookedForOnce) {
    ServerScenario scenario(nlohmann::json{{"netware", {{"init", 5}, {"server", "NWSRV1"}, {"volumes", {"VOL1"}}}}});
    EXPECT_EQ(Convert("C:\\data"), Host() + "\\C$\\data");
    EXPECT_EQ(Convert("SRV/VOL1:dir"), "\\\\SRV\\VOL1\\dir");
    EXPECT_EQ(std::to_string(NetWareProbed) + " " + (GetModuleHandleA("CALWIN32.DLL") ? "loaded" : "gone"), "1 gone");
    EXPECT_EQ(scenario.read()["counters"], nlohmann::json({{"NWCallsInit", 1}}));
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--netware-client") == 0) SetDllDirectoryA((ExecutableFolder() + "\\netware").c_str());
    return RUN_ALL_TESTS();
}
