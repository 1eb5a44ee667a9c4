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

// The administration library's loader as one line.
std::string Loader() {
    int entries = 0;
    for (int i = 0; i < 8; ++i) entries += AdminCallTable[i].address != nullptr;
    return "loaded " + std::to_string(AdminLibraryLoaded) + " users " + std::to_string(AdminLibraryUsers) + ", " +
           std::to_string(entries) + " entries" + (GetModuleHandleW(L"w64rmadm.dll") ? " in memory" : "");
}

std::int32_t Engine(std::int32_t operation) {
    std::uint8_t position[128] = {};
    std::int32_t length = 75, zero = 0;
    return CallEngine(operation, position, nullptr, &length, 75, nullptr, &zero, 0, 0, ClientIdentity);
}

class RemoteTest : public ::testing::Test {
protected:
    void SetUp() override { ModuleInstance = GetModuleHandleW(nullptr); }
    void TearDown() override {
        for (scenario_.write(json::object()); AdminLibraryLoaded;) DBUStop(nullptr);  // closed for the next test
    }
    ProductRegistrySandbox registry_;
    ServerScenario scenario_{json{{"servers", {DemoServer()}}}};
    std::int32_t session_ = kNoRemoteSession;
};

TEST_F(RemoteTest, LibraryOpensOnFirstUseAndClosesWithItsLastUser) {
    EXPECT_EQ(Statuses({DBUStart(nullptr), DBUStart(nullptr)}), Statuses({0, 0}));
    EXPECT_EQ(Loader(), "loaded 1 users 1, 8 entries in memory");  // further calls neither open nor count
    EXPECT_EQ(DBUStop(nullptr), 0);
    EXPECT_EQ(Loader(), "loaded 0 users 0, 0 entries");
    Refusal refusal(L"w64rmadm");  // then missing: every call answers "not available"
    std::uint64_t count = 99;
    EXPECT_EQ(Statuses({DBUStart(nullptr), DBUConnect("dbhost", "", "", &session_), GetDatabaseCount(1, 1, &count),
                        DBUStop(nullptr)}),
              Statuses({8005, 8005, 8005, 8005}));
    EXPECT_EQ(Loader() + " " + std::to_string(count), "loaded 0 users 0, 0 entries 99");
    EXPECT_EQ(scenario_.read()["counters"], json({{"DBUStart", 2}, {"DBUStop", 1}}));
}

// Every builder hands its arguments over in order and the server's status back.
TEST_F(RemoteTest, BuildersReadAndChangeTheServer) {
    ASSERT_EQ(DBUConnect("DBHOST", "", "", &session_), 0);
    std::uint64_t count = 0, length = 60, k = 22, d = 22;  // the demo database's texts fill both exactly
    std::string names(61, '\0');
    DatabaseAttributes attributes{}, created{1, 1, 1, 3, 1, 932};
    char dictionary[23] = {}, dataFiles[23] = {}, description[513] = {}, database[513] = {}, openMode[513] = {};
    std::uint16_t translation = 9;
    const std::int32_t s = session_;
    EXPECT_EQ(Statuses({GetDatabaseCount(s, 1, &count), GetDatabaseNames(s, 1, &length, &names[0]),
                        GetDatabaseInfo(s, 1, "DEMODATA", &attributes, &k, dictionary, &d, dataFiles),
                        CreateDatabase(s, 1, "SALES", &created, 9, "C:\\dict\\s", 11, "C:\\d1;C:\\d2"),
                        CreateDatabase(s, 1, "SALES", &created, 9, "C:\\dict\\s", 11, "C:\\d1;C:\\d2"),
                        CreateEngineDsn(s, 1, 2, "NEWDSN", "New data", "SALES", "-4"),
                        CreateEngineDsn(s, 1, 2, "NEWDSN", "New data", "SALES", "-4"),
                        ModifyEngineDsn(s, 1, 1, "NEWDSN", "Changed", "DEMODATA", "1"),
                        GetEngineDsn(s, 1, &translation, "NEWDSN", description, database, openMode),
                        DeleteEngineDsn(s, 1, "NEWDSN"),  // then gone, and the texts read before stay
                        GetEngineDsn(s, 1, &translation, "NEWDSN", description, database, openMode),
                        // Lengths over their 16-bit fields: the record is never sent.
                        CreateDatabase(s, 1, "X", &attributes, 70000, "", 1, "C")}),
              Statuses({0, 0, 0, 0, 2303, 0, 4111, 0, 0, 0, 7106, 222}));
    EXPECT_EQ(std::to_string(count) + " " + std::to_string(length) + " " + DatabaseNameAt(names.data(), 60, 1).c_str() +
                  " " + std::to_string(k) + " " + dictionary + " " + std::to_string(d) + " " + dataFiles + " " +
                  std::to_string(attributes.codePage) + " " + std::to_string(translation) + " " + description + " " +
                  database + " " + openMode,
              "3 60 TWENTYCHARACTERSNAME 22 \\\\dbhost\\data\\demodata 22 \\\\dbhost\\data\\demodata 1252 "
              "1 Changed DEMODATA 1");
    EXPECT_EQ(scenario_.read()["servers"][0]["databases"][3],
              json({{"name", "SALES"}, {"bound", 1}, {"integrity", 1}, {"createDictionary", 1}, {"security", 3},
                    {"longMetadata", 1}, {"codePage", 932}, {"dataFiles", "C:\\d1;C:\\d2"},
                    {"dictionary", "C:\\dict\\s"}}));
}

TEST_F(RemoteTest, ServerTypeFromVersionAnswersAndTheEngine) {
    MessageBoxRecorder none(GetModuleHandleW(nullptr));
    EXPECT_EQ(ProbeServerType(nullptr, kNoRemoteSession), -1);  // no session asks nothing
    EXPECT_EQ(Loader() + " " + std::to_string(none.boxes().size()), "loaded 0 users 0, 0 entries 0");
    const auto version = [](const char* t, int major, const char* code) {
        return json{{t, {{"major", major}, {"platform", code}}}};
    };
    struct Case { json versions, afterStart; int op26; std::string expected; };
    const Case cases[] = {
        {version("1", 9, "W"), nullptr, 0, "1 W   , engine 0"}, {version("5", 8, "NW"), nullptr, 0, "5 NW  , engine 0"},
        {version("1", 10, "W"), nullptr, 0, "25 W   , engine 0"}, {{}, version("5", 9, "L"), 0, "5 L   , engine 1"},
        {{}, version("5", 9, "L"), 7, "-1 , engine 1"},  // the engine refuses
        {{}, nullptr, 0, "-1 , engine 1"},                  // the engine starts, the server stays silent
    };
    PopupWindow window;
    for (const Case& c : cases) {
        json server = DemoServer();
        server["versions"] = c.versions.is_null() ? json::object() : c.versions;
        if (!c.afterStart.is_null()) server["versionsAfterEngineStart"] = c.afterStart;
        scenario_.write({{"servers", {server}}, {"engine", {{"op26Status", c.op26}}}});
        std::memset(ServerPlatformCode, 0, sizeof ServerPlatformCode);
        ASSERT_EQ(DBUConnect("dbhost", "", "", &session_), 0);
        MessageBoxRecorder boxes(GetModuleHandleW(nullptr));
        const int type = ProbeServerType(window, session_);
        const int engineStarts = scenario_.counter("vdexID:26");
        EXPECT_EQ(std::to_string(type) + " " + ServerPlatformCode + ", engine " + std::to_string(engineStarts),
                  c.expected);
        const Boxes shown = {{window, kEngineConnectionMessage, kSetupCaption, kStopBox}};
        EXPECT_EQ(boxes.boxes(), type < 0 ? shown : Boxes{});
        EXPECT_EQ(EngineInterfaceUsers, 0) << c.expected;  // every engine call counted down again
        DBUDisconnect(&session_);
    }
    EXPECT_EQ(EngineInterfaceLoaded, 1);  // stays open for the process
}

// The engine's load failure goes to the log, and to a box only when QMSW_DISP_LOAD_ERRS is set.
TEST_F(RemoteTest, MissingEngineIsLoggedAndShownOnlyWhenAskedFor) {
    TempFolder logs(L"dsnset-kfif-log");
    ProductRegistrySandbox::Set(HKEY_CURRENT_USER, L"SOFTWARE\\Quillmere Software\\Event Log\\Version 11\\Settings",
                                L"EventLogDirectory", logs.path());
    Refusal refusal(L"w64kfif");
    UnloadEngineInterface();  // so that the call has to load it
    for (bool show : {false, true}) {
        SetEnvironmentVariableA("QMSW_DISP_LOAD_ERRS", show ? "" : nullptr);  // set, even empty, is enough
        MessageBoxRecorder boxes(GetModuleHandleW(nullptr));
        EXPECT_EQ(Engine(26), 8020);
        const Boxes shown = {{nullptr, "VDEXIfc: Returning Status: 8020", "KFIF", MB_OK | MB_TASKMODAL}};
        EXPECT_EQ(boxes.boxes(), show ? shown : Boxes{});
        EXPECT_EQ(EngineInterfaceUsers, 0);
    }
    SetEnvironmentVariableA("QMSW_DISP_LOAD_ERRS", nullptr);
    const std::string log = ReadWholeFile(logs / L"qmsw.log"), line = "I     VDEXIfc: Returning Status: 8020";
    const std::size_t first = log.find(line);
    EXPECT_TRUE(first != std::string::npos && log.find(line, first + 1) != std::string::npos) << log;  // once a try
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
        scenario_.write({{"servers", {DemoServer()}}, {"engine", c.engine}});
        EngineInterfaceUsers = c.usersBefore;
        Engine(25);
        EXPECT_EQ("loaded " + std::to_string(EngineInterfaceLoaded) + " users " + std::to_string(EngineInterfaceUsers),
                  c.after) << c.engine.dump() << " " << c.usersBefore;
    }
    EngineInterfaceUsers = 0;
}

}  // namespace
