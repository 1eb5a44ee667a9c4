// The administration library's loader and wrappers, the request builders, the engine interface
// and the server-type probe, against the stand-ins of a scenario file.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "remote/admin_library.h"
#include "remote/engine_interface.h"
#include "remote/request_builders.h"
#include "remote/server_probe.h"
#include "setup/call_values.h"
#include "tests/support/executable_folder.h"
#include "tests/support/file_text.h"
#include "tests/support/import_hook.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/server_scenario.h"

using nlohmann::json;
using Statuses = std::vector<int>;

namespace {

// While it lives, the library whose name holds the given part does not open, as if missing.
struct Refusal {
    static inline const wchar_t* part = nullptr;
    static inline void* realOpen = nullptr;
    static std::int32_t Open(const wchar_t* name, QSHandle* handle) {
        if (wcsstr(name, part)) return static_cast<std::int32_t>(0x8007007E);
        return reinterpret_cast<decltype(&QSLibOpen)>(realOpen)(name, handle);
    }
    ImportHook hook{GetModuleHandleW(nullptr), "w64qscore3.dll", "QSLibOpen", reinterpret_cast<void*>(&Open)};
    explicit Refusal(const wchar_t* refused) { part = refused, realOpen = hook.original(); }
};

// An installation whose bin folder holds a stand-in library under the product's name.
void InstallLibrary(const TempFolder& install, const char* standIn, const wchar_t* name) {
    CreateDirectoryW((install / L"bin").c_str(), nullptr);
    const std::string from = ExecutableFolder() + "\\" + standIn;
    ASSERT_TRUE(CopyFileW(std::wstring(from.begin(), from.end()).c_str(), (install / L"bin\\" + name).c_str(), FALSE));
    ProductRegistrySandbox::Set(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL Client\\"
                                L"InstallInfo", L"InstallDir64", install.path());
}

std::string Loader() {
    return "loaded " + std::to_string(AdminLibraryLoaded) + " users " + std::to_string(AdminLibraryUsers) +
           (GetModuleHandleW(L"w64rmadm.dll") ? " in memory" : " gone");
}

class RemoteTest : public ::testing::Test {
protected:
    void SetUp() override { ModuleInstance = GetModuleHandleW(nullptr); }
    void TearDown() override {
        for (scenario_.write(json::object()); AdminLibraryLoaded;) DBUStop(nullptr);  // closed for the next test
    }
    std::int32_t Connect() {
        std::int32_t session = kNoRemoteSession;
        EXPECT_EQ(DBUConnect("dbhost", "", "", &session), 0);
        return session;
    }
    ProductRegistrySandbox registry_;
    ServerScenario scenario_{json{{"servers", {DemoServer()}}}};
};

TEST_F(RemoteTest, LibraryOpensOnFirstUseAndClosesWithItsLastUser) {
    EXPECT_EQ(Statuses({DBUStart(nullptr), DBUStart(nullptr)}), Statuses({0, 0}));
    EXPECT_EQ(Loader(), "loaded 1 users 1 in memory");  // further calls neither open nor count
    for (int i = 0; i < 8; ++i) EXPECT_NE(AdminCallTable[i].address, nullptr) << i;
    EXPECT_EQ(DBUStop(nullptr), 0);
    EXPECT_EQ(Loader(), "loaded 0 users 0 gone");
    EXPECT_EQ(AdminLibraryHandle, reinterpret_cast<QSHandle>(-1));
    EXPECT_EQ(AdminCallTable[0].address, nullptr);
    EXPECT_EQ(scenario_.read()["counters"], json({{"DBUStart", 2}, {"DBUStop", 1}}));
}

TEST_F(RemoteTest, MissingLibraryAnswersNotAvailableEverywhere) {
    Refusal refusal(L"w64rmadm");
    std::int32_t session = kNoRemoteSession;
    std::uint64_t count = 99;
    EXPECT_EQ(Statuses({DBUStart(nullptr), DBUConnect("dbhost", "", "", &session), GetDatabaseCount(1, 1, &count),
                        DBUStop(nullptr)}),
              Statuses({8005, 8005, 8005, 8005}));
    EXPECT_EQ(count, 99u);
    EXPECT_EQ(Loader(), "loaded 0 users 0 gone");
    EXPECT_EQ(scenario_.counter("DBUStart"), 0);
}

TEST_F(RemoteTest, LibraryInTheInstallationBinWinsAndAMissingEntryAloneFails) {
    TempFolder install(L"dsnset-rmadm");
    InstallLibrary(install, "w64rmadm_without_setinfo.dll", L"w64rmadm.dll");
    std::int32_t session = Connect();
    wchar_t loaded[MAX_PATH] = {};
    GetModuleFileNameW(GetModuleHandleW(L"w64rmadm.dll"), loaded, MAX_PATH);
    EXPECT_EQ(std::wstring(loaded), install / L"bin\\w64rmadm.dll");
    DatabaseAttributes attributes{};
    std::uint64_t count = 0;
    EXPECT_EQ(Statuses({CreateDatabase(session, 1, "NEWDB", &attributes, 4, "C:\\d", 4, "C:\\d"),
                        DeleteEngineDsn(session, 1, "DEMO"), GetDatabaseCount(session, 1, &count), DBUDisconnect(&session)}),
              Statuses({8005, 8005, 0, 0}));
    EXPECT_EQ(count, 3u);
}

// Every wrapper hands its arguments over in order and the server's status back.
TEST_F(RemoteTest, BuildersReadAndChangeTheServer) {
    json s = scenario_.read();
    s["servers"][0]["logon"] = {{"user", "admin"}, {"password", "secret"}};
    scenario_.write(s);
    std::int32_t session = kNoRemoteSession, other = kNoRemoteSession;
    EXPECT_EQ(Statuses({DBUConnect("nowhere", "", "", &other), DBUConnect("dbhost", "admin", "wrong", &other),
                        DBUConnect("DBHOST", "admin", "secret", &session)}),
              Statuses({7101, 7102, 0}));
    std::uint64_t count = 0, length = 60, k = 22, d = 22;  // the demo database's texts fill both exactly
    std::string names(61, '\0');
    DatabaseAttributes attributes{}, created{1, 1, 1, 3, 1, 932};
    char dictionary[23] = {}, dataFiles[23] = {}, description[513] = {}, database[513] = {}, openMode[513] = {};
    std::uint16_t translation = 9;
    EXPECT_EQ(Statuses({GetDatabaseCount(session, 1, &count), GetDatabaseNames(session, 1, &length, &names[0]),
                        GetDatabaseInfo(session, 1, "DEMODATA", &attributes, &k, dictionary, &d, dataFiles),
                        CreateDatabase(session, 1, "SALES", &created, 9, "C:\\dict\\s", 11, "C:\\d1;C:\\d2"),
                        CreateDatabase(session, 1, "SALES", &created, 9, "C:\\dict\\s", 11, "C:\\d1;C:\\d2"),
                        CreateEngineDsn(session, 1, 2, "NEWDSN", "New data", "SALES", "-4"),
                        CreateEngineDsn(session, 1, 2, "NEWDSN", "New data", "SALES", "-4"),
                        ModifyEngineDsn(session, 1, 1, "NEWDSN", "Changed", "DEMODATA", "1"),
                        GetEngineDsn(session, 1, &translation, "NEWDSN", description, database, openMode)}),
              Statuses({0, 0, 0, 0, 2303, 0, 4111, 0, 0}));
    EXPECT_EQ(std::to_string(count) + " " + std::to_string(length) + " " + DatabaseNameAt(names.data(), 60, 1).c_str() +
                  " " + std::to_string(k) + " " + dictionary + " " + std::to_string(d) + " " + dataFiles + " " +
                  std::to_string(attributes.codePage),
              "3 60 TWENTYCHARACTERSNAME 22 \\\\dbhost\\data\\demodata 22 \\\\dbhost\\data\\demodata 1252");
    EXPECT_EQ(std::to_string(translation) + " " + description + " " + database + " " + openMode, "1 Changed DEMODATA 1");
    EXPECT_EQ(scenario_.read()["servers"][0]["databases"][3],
              json({{"name", "SALES"}, {"bound", 1}, {"integrity", 1}, {"createDictionary", 1}, {"security", 3},
                    {"longMetadata", 1}, {"codePage", 932}, {"dataFiles", "C:\\d1;C:\\d2"}, {"dictionary", "C:\\dict\\s"}}));
    std::strcpy(description, "kept");
    EXPECT_EQ(Statuses({DeleteEngineDsn(session, 1, "NEWDSN"),
                        GetEngineDsn(session, 1, &translation, "NEWDSN", description, database, openMode)}),
              Statuses({0, 7106}));
    EXPECT_STREQ(description, "kept");
    // Statuses the server injects come back; a record whose lengths its 16-bit fields cannot
    // carry answers 222 and never reaches the server (which would answer with its own status).
    s = scenario_.read();
    s["inject"] = {{"DBUGetInfo:4117", 2300}, {"DBUSetInfo:4166", 2305}, {"DBUSetInfo:5205", 4111},
                   {"DBUSetInfo:5202", 7106}, {"DBUGetInfo:5207", 7106}};
    scenario_.write(s);
    const std::string huge(70000, 'n');
    length = 40;
    EXPECT_EQ(Statuses({GetDatabaseNames(session, 1, &length, &names[0]),
                        CreateDatabase(session, 1, "X", &attributes, 1, "C", 1, "C"),
                        CreateDatabase(session, 1, "X", &attributes, 70000, "", 1, "C"),
                        CreateEngineDsn(session, 1, 0, huge.c_str(), "", "X", "0"), DeleteEngineDsn(session, 1, huge.c_str()),
                        GetEngineDsn(session, 1, &translation, huge.c_str(), description, database, openMode)}),
              Statuses({2300, 2305, 222, 222, 222, 222}));
    length = 65540;  // 3,277 names
    EXPECT_EQ(GetDatabaseNames(session, 1, &length, &names[0]), kStatusNoMemory);
    DBUDisconnect(&session);
}

TEST_F(RemoteTest, ServerTypeFromVersionAnswersAndTheEngine) {
    MessageBoxRecorder none(GetModuleHandleW(nullptr));
    EXPECT_EQ(ProbeServerType(nullptr, kNoRemoteSession), -1);  // no session asks nothing
    EXPECT_EQ(Loader() + " " + std::to_string(none.boxes().size()), "loaded 0 users 0 gone 0");
    const auto version = [](int major, const char* code) { return json{{"5", {{"major", major}, {"platform", code}}}}; };
    struct Case { const char* name; json versions, afterStart; int op26; std::string expected; };
    const Case cases[] = {
        {"type 1, major 9", {{"1", {{"major", 9}, {"platform", "WNT "}}}}, nullptr, 0, "1 WNT , engine 0"},
        {"type 1, major 10", {{"1", {{"major", 10}, {"platform", "WNT "}}}}, nullptr, 0, "25 WNT , engine 0"},
        {"type 5, major 8", version(8, "NWSR"), nullptr, 0, "5 NWSR, engine 0"},
        {"engine started", json::object(), version(9, "LOCL"), 0, "5 LOCL, engine 1"},
        {"engine started, major 11", json::object(), version(11, "LOCL"), 0, "25 LOCL, engine 1"},
        {"engine refuses", json::object(), version(9, "LOCL"), 7, "-1 , engine 1"},
        {"engine starts, server still silent", json::object(), nullptr, 0, "-1 , engine 1"},
    };
    PopupWindow window;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        json server = DemoServer();
        server["versions"] = c.versions;
        if (!c.afterStart.is_null()) server["versionsAfterEngineStart"] = c.afterStart;
        scenario_.write({{"servers", {server}}, {"engine", {{"op26Status", c.op26}}}});
        std::memset(ServerPlatformCode, 0, sizeof ServerPlatformCode);
        std::int32_t session = Connect();
        MessageBoxRecorder boxes(GetModuleHandleW(nullptr));
        const int type = ProbeServerType(window, session);
        const int engineStarts = scenario_.counter("vdexID:26");
        EXPECT_EQ(std::to_string(type) + " " + ServerPlatformCode + ", engine " + std::to_string(engineStarts), c.expected);
        EXPECT_EQ(boxes.boxes(), (type < 0 ? Boxes{{window, kEngineConnectionMessage, kSetupCaption, kStopBox}} : Boxes{}));
        EXPECT_EQ(EngineInterfaceUsers, 0);  // every engine call counted down again
        DBUDisconnect(&session);
    }
    EXPECT_EQ(EngineInterfaceLoaded, 1);  // stays open for the process
}

// The engine's load failure goes to the log, and to a box only when QMSW_DISP_LOAD_ERRS is set.
TEST_F(RemoteTest, MissingEngineIsLoggedAndShownOnlyWhenAskedFor) {
    TempFolder logs(L"dsnset-kfif-log");
    ProductRegistrySandbox::Set(HKEY_CURRENT_USER, L"SOFTWARE\\Quillmere Software\\Event Log\\Version 11\\Settings",
                                L"EventLogDirectory", logs.path());
    Refusal refusal(L"w64kfif");
    UnloadEngineInterface();  // so that the probe has to load it
    for (bool show : {false, true}) {
        SCOPED_TRACE(show);
        SetEnvironmentVariableA("QMSW_DISP_LOAD_ERRS", show ? "" : nullptr);  // set, even empty, is enough
        MessageBoxRecorder boxes(GetModuleHandleW(nullptr));
        std::uint8_t position[128] = {};
        std::int32_t length = 0;
        EXPECT_EQ(CallEngine(26, position, nullptr, &length, 75, nullptr, nullptr, 0, 0, ClientIdentity), 8020);
        EXPECT_EQ(boxes.boxes(), (show ? Boxes{{nullptr, "VDEXIfc: Returning Status: 8020", "KFIF", MB_OK | MB_TASKMODAL}}
                                       : Boxes{}));
        EXPECT_EQ(EngineInterfaceUsers, 0);
    }
    SetEnvironmentVariableA("QMSW_DISP_LOAD_ERRS", nullptr);
    const std::string log = ReadWholeFile(logs / L"qmsw.log");
    const std::size_t first = log.find("VDEXIfc: Returning Status: 8020"), line = log.rfind("\n", first) + 1;
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(log.find("VDEXIfc: Returning Status: 8020", first + 1), std::string::npos);  // once per attempt
    EXPECT_EQ(log.substr(line + 28, 16) + "|" + log.substr(first - 6, 6), "KFIF            |I     ");
}

// Without vdexID every call answers 8005 and leaves nothing taken.
TEST_F(RemoteTest, EngineWithoutItsEntryAnswersNotAvailableAndHoldsNothing) {
    TempFolder install(L"dsnset-kfif");
    InstallLibrary(install, "w64kfif_without_vdexid.dll", L"w64kfif.dll");
    UnloadEngineInterface(), EngineInterfaceUsers = 0;
    for (int call = 0; call < 2; ++call) {
        std::uint8_t position[128] = {};
        std::int32_t length = 75, zero = 0;
        EXPECT_EQ(CallEngine(26, position, nullptr, &length, 75, nullptr, &zero, 0, 0, ClientIdentity), 8005);
        EXPECT_EQ(std::to_string(EngineInterfaceLock) + " " + std::to_string(EngineInterfaceUsers), "0 0") << call;
        EngineInterfaceLock = 0;  // else the next call would spin for ever
    }
    EXPECT_EQ(EngineInterfaceLoaded, 1);
    UnloadEngineInterface();
}

// After a successful operation 25 the engine goes when no client of it is left.
TEST_F(RemoteTest, OperationTwentyFiveMayCloseTheEngine) {
    struct Case { json engine; int usersBefore; std::string after; };
    const Case cases[] = {
        {{{"activeClients", 0}}, 0, "loaded 0 users 0"}, {{{"activeClients", 2}}, 0, "loaded 1 users 0"},
        {{{"activeClients", 0}}, 1, "loaded 1 users 1"},  // another user still holds it
        {{{"adminStatus", 9}}, 0, "loaded 1 users 1"},    // the count stays raised when the query fails
        {{{"op25Status", 5}}, 0, "loaded 1 users 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.engine.dump() + " " + std::to_string(c.usersBefore));
        scenario_.write({{"servers", {DemoServer()}}, {"engine", c.engine}});
        EngineInterfaceUsers = c.usersBefore;
        std::uint8_t position[128] = {};
        std::int32_t length = 0;
        CallEngine(25, position, nullptr, &length, 0, nullptr, nullptr, 0, 0, ClientIdentity);
        EXPECT_EQ("loaded " + std::to_string(EngineInterfaceLoaded) + " users " + std::to_string(EngineInterfaceUsers),
                  c.after);
    }
    EngineInterfaceUsers = 0;
}

}  // namespace
