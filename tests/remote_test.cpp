// The administration library's loader, the request builders and the server-type probe,
// against the stand-in server of a scenario file.
#include <gtest/gtest.h>

#include <string>

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

namespace {

std::string TextOfStatus(std::uint16_t status) {
    StatusText text = {};
    DBUGetString(status, text.data(), 1);
    text.terminate();
    return text.c_str();
}

// Refuses to open the library whose name holds the given part, as if its file were missing.
const wchar_t* refusedLibrary = nullptr;
void* realLibOpen = nullptr;
std::int32_t RefuseLibrary(const wchar_t* name, QSHandle* handle) {
    if (refusedLibrary && wcsstr(name, refusedLibrary)) return static_cast<std::int32_t>(0x8007007E);
    return reinterpret_cast<std::int32_t (*)(const wchar_t*, QSHandle*)>(realLibOpen)(name, handle);
}

// An installation whose bin folder holds the stand-in library under the product's name.
void InstallLibrary(const TempFolder& install, const char* standIn, const wchar_t* name) {
    CreateDirectoryW((install / L"bin").c_str(), nullptr);
    const std::string from = ExecutableFolder() + "\\" + standIn;
    ASSERT_TRUE(CopyFileW(std::wstring(from.begin(), from.end()).c_str(), (install / (L"bin\\" + std::wstring(name))).c_str(), FALSE));
    ProductRegistrySandbox::Set(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL Client\\InstallInfo",
                                L"InstallDir64", install.path());
}

class RemoteTest : public ::testing::Test {
protected:
    void SetUp() override { ModuleInstance = GetModuleHandleW(nullptr); }
    void TearDown() override {
        while (AdminLibraryLoaded) {  // leave the library closed for the next test
            scenario_.write(json::object());
            DBUStop(nullptr);
        }
    }
    std::int32_t Connect(const char* server = "dbhost") {
        std::int32_t session = kNoRemoteSession;
        EXPECT_EQ(DBUConnect(server, "", "", &session), 0);
        return session;
    }
    ProductRegistrySandbox registry_;
    ServerScenario scenario_{json{{"servers", {DemoServer()}}}};
};

TEST_F(RemoteTest, LibraryOpensOnFirstUseAndClosesWithItsLastUser) {
    EXPECT_EQ(AdminLibraryLoaded, 0);
    EXPECT_EQ(DBUStart(nullptr), 0);
    EXPECT_EQ(AdminLibraryLoaded, 1);
    EXPECT_EQ(AdminLibraryUsers, 1);
    EXPECT_NE(GetModuleHandleW(L"w64rmadm.dll"), nullptr);
    for (int i = 0; i < 8; ++i) EXPECT_NE(AdminCallTable[i].address, nullptr) << i;
    EXPECT_EQ(DBUStart(nullptr), 0);  // further calls neither open nor count
    EXPECT_EQ(AdminLibraryUsers, 1);

    EXPECT_EQ(DBUStop(nullptr), 0);
    EXPECT_EQ(AdminLibraryLoaded, 0);
    EXPECT_EQ(AdminLibraryUsers, 0);
    EXPECT_EQ(AdminLibraryHandle, reinterpret_cast<QSHandle>(-1));
    EXPECT_EQ(AdminCallTable[0].address, nullptr);
    EXPECT_EQ(GetModuleHandleW(L"w64rmadm.dll"), nullptr);
    EXPECT_EQ(scenario_.counter("DBUStart"), 2);
    EXPECT_EQ(scenario_.counter("DBUStop"), 1);
}

// A stop that fails keeps the library for the next call: proven through ConfigDSN by the
// entry's tests.

TEST_F(RemoteTest, MissingLibraryAnswersNotAvailableEverywhere) {
    ImportHook refuse(GetModuleHandleW(nullptr), "w64qscore3.dll", "QSLibOpen", reinterpret_cast<void*>(&RefuseLibrary));
    ASSERT_TRUE(refuse.installed());
    realLibOpen = refuse.original();
    refusedLibrary = L"w64rmadm";
    std::int32_t session = kNoRemoteSession;
    std::uint64_t count = 99;
    EXPECT_EQ(DBUStart(nullptr), 8005);
    EXPECT_EQ(DBUConnect("dbhost", "", "", &session), 8005);
    EXPECT_EQ(GetDatabaseCount(1, 1, &count), 8005);
    EXPECT_EQ(count, 99u);
    EXPECT_EQ(DBUStop(nullptr), 8005);
    EXPECT_EQ(AdminLibraryLoaded, 0);
    EXPECT_EQ(AdminLibraryUsers, 0);
    EXPECT_EQ(scenario_.counter("DBUStart"), 0);
    refusedLibrary = nullptr;
}

TEST_F(RemoteTest, LibraryInTheInstallationBinWinsAndAMissingEntryAloneFails) {
    TempFolder install(L"dsnset-rmadm");
    InstallLibrary(install, "w64rmadm_without_setinfo.dll", L"w64rmadm.dll");

    std::int32_t session = Connect();
    wchar_t loaded[MAX_PATH] = {};
    GetModuleFileNameW(GetModuleHandleW(L"w64rmadm.dll"), loaded, MAX_PATH);
    EXPECT_EQ(std::wstring(loaded), install / L"bin\\w64rmadm.dll");
    EXPECT_EQ(AdminCallTable[1].address, nullptr);
    DatabaseAttributes attributes{};
    EXPECT_EQ(CreateDatabase(session, 1, "NEWDB", &attributes, 4, "C:\\d", 4, "C:\\d"), 8005);
    EXPECT_EQ(DeleteEngineDsn(session, 1, "DEMO"), 8005);
    std::uint64_t count = 0;
    EXPECT_EQ(GetDatabaseCount(session, 1, &count), 0);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(DBUDisconnect(&session), 0);
    DBUStop(nullptr);
    EXPECT_EQ(GetModuleHandleW(L"w64rmadm.dll"), nullptr);

    QSHandle handle = nullptr;  // a name with a path is opened as it stands
    const std::string kfif = ExecutableFolder() + "\\w64kfif.dll";
    EXPECT_EQ(LoadRuntimeLibrary(std::wstring(kfif.begin(), kfif.end()).c_str(), &handle), 0);
    QSLibClose(handle);
}

TEST_F(RemoteTest, ConnectByNameAndCredentials) {
    json server = DemoServer();
    server["logon"] = {{"user", "admin"}, {"password", "secret"}, {"required", false}};
    json locked = {{"names", {"vault"}}, {"logon", {{"user", "admin"}, {"password", "secret"}, {"required", true}}}};
    scenario_.write({{"servers", {server, locked}}});
    struct Case { const char* server; const char* user; const char* password; std::uint16_t status; };
    const Case cases[] = {
        {"dbhost", "", "", 0}, {"DBHOST", "", "", 0}, {"10.1.2.3", "", "", 0}, {"dbhost", "admin", "secret", 0},
        {"dbhost", "admin", "wrong", 7102}, {"vault", "", "", 7102}, {"vault", "admin", "secret", 0},
        {"nowhere", "", "", 7101},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.server) + "/" + c.user);
        std::int32_t session = kNoRemoteSession;
        EXPECT_EQ(DBUConnect(c.server, c.user, c.password, &session), c.status);
        if (c.status == 0) {
            EXPECT_EQ(DBUDisconnect(&session), 0);
        }
    }
    EXPECT_EQ(TextOfStatus(7101), "The server could not be reached.");
}

TEST_F(RemoteTest, BuildersReadAndChangeTheServer) {
    std::int32_t session = Connect();
    std::uint64_t count = 0;
    ASSERT_EQ(GetDatabaseCount(session, 1, &count), 0);
    ASSERT_EQ(count, 3u);
    std::uint64_t length = 20 * count;
    std::string names(length + 1, '\0');
    ASSERT_EQ(GetDatabaseNames(session, 1, &length, &names[0]), 0);
    EXPECT_EQ(length, 60u);
    EXPECT_STREQ(DatabaseNameAt(names.data(), length, 1).c_str(), "TWENTYCHARACTERSNAME");

    DatabaseAttributes attributes{};
    std::uint64_t k = 256, d = 513;
    char dictionary[257] = {}, dataFiles[514] = {};
    ASSERT_EQ(GetDatabaseInfo(session, 1, "DEMODATA", &attributes, &k, dictionary, &d, dataFiles), 0);
    EXPECT_STREQ(dataFiles, "\\\\dbhost\\data\\demodata");
    EXPECT_EQ(d, std::strlen(dataFiles));
    EXPECT_EQ(attributes.codePage, 1252);
    k = 256; d = 513;
    EXPECT_EQ(GetDatabaseInfo(session, 1, "NOSUCHDB", &attributes, &k, dictionary, &d, dataFiles), 7105);
    EXPECT_EQ(k, 256u);  // untouched on failure

    DatabaseAttributes created{1, 1, 1, 3, 1, 932};
    EXPECT_EQ(CreateDatabase(session, 1, "SALES", &created, 9, "C:\\dict\\s", 11, "C:\\d1;C:\\d2"), 0);
    EXPECT_EQ(CreateDatabase(session, 1, "SALES", &created, 9, "C:\\dict\\s", 11, "C:\\d1;C:\\d2"), 2303);
    json sales = scenario_.read()["servers"][0]["databases"][3];
    EXPECT_EQ(sales, json({{"name", "SALES"}, {"bound", 1}, {"integrity", 1}, {"createDictionary", 1}, {"security", 3},
                           {"longMetadata", 1}, {"codePage", 932}, {"dataFiles", "C:\\d1;C:\\d2"},
                           {"dictionary", "C:\\dict\\s"}}));

    EXPECT_EQ(CreateEngineDsn(session, 1, 2, "NEWDSN", "New data", "SALES", "-4"), 0);
    EXPECT_EQ(CreateEngineDsn(session, 1, 2, "NEWDSN", "New data", "SALES", "-4"), 4111);
    EXPECT_EQ(ModifyEngineDsn(session, 1, 1, "NEWDSN", "Changed", "DEMODATA", "1"), 0);
    std::uint16_t translation = 9;
    char description[513], database[513], openMode[513];
    ASSERT_EQ(GetEngineDsn(session, 1, &translation, "NEWDSN", description, database, openMode), 0);
    EXPECT_EQ(translation, 1);
    EXPECT_STREQ(description, "Changed");
    EXPECT_STREQ(database, "DEMODATA");
    EXPECT_STREQ(openMode, "1");
    EXPECT_EQ(DeleteEngineDsn(session, 1, "NEWDSN"), 0);
    std::strcpy(description, "kept");
    EXPECT_EQ(GetEngineDsn(session, 1, &translation, "NEWDSN", description, database, openMode), 7106);
    EXPECT_STREQ(description, "kept");
    EXPECT_EQ(DBUDisconnect(&session), 0);
}

TEST_F(RemoteTest, InjectedStatusesAndLyingAnswers) {
    json s = scenario_.read();
    s["inject"] = {{"DBUGetInfo:4117", 2300}, {"DBUSetInfo:4166", 2305}, {"DBUSetInfo:5205", 4111}};
    s["answers"] = {{"4117.claimBytes", 500}, {"4116.answerD", 2}, {"5207.itemLength", 65000}};
    scenario_.write(s);
    std::int32_t session = Connect();

    std::uint64_t length = 40;
    std::string names(41, '\0');
    EXPECT_EQ(GetDatabaseNames(session, 1, &length, &names[0]), 2300);
    EXPECT_EQ(length, 40u);  // claimed 500 bytes: cut to the 40 asked
    EXPECT_EQ(names[40], '\0');

    DatabaseAttributes attributes{};
    std::uint64_t k = 256, d = 513;
    char dictionary[257] = {}, dataFiles[514] = {};
    ASSERT_EQ(GetDatabaseInfo(session, 1, "DEMODATA", &attributes, &k, dictionary, &d, dataFiles), 0);
    EXPECT_EQ(d, 2u);
    EXPECT_STREQ(dataFiles, "\\\\");  // the slot held only what the answered D allows

    std::uint16_t translation = 0;
    char description[513], database[513] = "x", openMode[513] = "x";
    ASSERT_EQ(GetEngineDsn(session, 1, &translation, "DEMO", description, database, openMode), 0);
    EXPECT_STREQ(description, "Demo data");
    EXPECT_STREQ(database, "");
    EXPECT_STREQ(openMode, "");

    EXPECT_EQ(CreateDatabase(session, 1, "X", &attributes, 1, "C", 1, "C"), 2305);
    // A record whose lengths its 16-bit fields cannot carry answers 222 and never reaches
    // the server (which would answer with a status of its own).
    const std::string huge(70000, 'n');
    EXPECT_EQ(CreateDatabase(session, 1, "X", &attributes, 70000, "", 1, "C"), kStatusNoMemory);
    EXPECT_EQ(CreateEngineDsn(session, 1, 0, huge.c_str(), "", "X", "0"), kStatusNoMemory);
    EXPECT_EQ(DeleteEngineDsn(session, 1, huge.c_str()), kStatusNoMemory);
    std::strcpy(description, "kept");
    EXPECT_EQ(GetEngineDsn(session, 1, &translation, huge.c_str(), description, database, openMode), kStatusNoMemory);
    EXPECT_STREQ(description, "kept");
    length = 65540;  // 3,277 names
    EXPECT_EQ(GetDatabaseNames(session, 1, &length, &names[0]), kStatusNoMemory);
    EXPECT_EQ(length, 65540u);
    EXPECT_EQ(CreateEngineDsn(session, 1, 0, "X", "", "X", "0"), 4111);
    DBUDisconnect(&session);
}

// --- Server type probe -------------------------------------------------------------------

struct ProbeCase {
    const char* name;
    json versions;
    json afterStart;  // versions once the engine has started, or null
    json engine;      // engine knobs
    int expected;
    bool connectionMessage;
    int engineCalls;
};

class ServerProbeTest : public RemoteTest {};

TEST_F(ServerProbeTest, TypesFromVersionAnswersAndTheEngine) {
    const ProbeCase cases[] = {
        {"type 1, major 9", {{"1", {{"major", 9}, {"platform", "WNT "}}}}, nullptr, nullptr, 1, false, 0},
        {"type 1, major 10", {{"1", {{"major", 10}, {"platform", "WNT "}}}}, nullptr, nullptr, 25, false, 0},
        {"type 5, major 12", {{"5", {{"major", 12}, {"platform", "NWSR"}}}}, nullptr, nullptr, 25, false, 0},
        {"type 5, major 8", {{"5", {{"major", 8}, {"platform", "NWSR"}}}}, nullptr, nullptr, 5, false, 0},
        {"engine started", json::object(), {{"5", {{"major", 9}, {"platform", "LOCL"}}}}, nullptr, 5, false, 1},
        {"engine started, major 11", json::object(), {{"5", {{"major", 11}, {"platform", "LOCL"}}}}, nullptr, 25, false, 1},
        {"engine refuses", json::object(), {{"5", {{"major", 9}}}}, {{"op26Status", 7}}, -1, true, 1},
        {"engine starts, server still silent", json::object(), nullptr, nullptr, -1, true, 1},
    };
    PopupWindow window;
    for (const ProbeCase& c : cases) {
        SCOPED_TRACE(c.name);
        json server = DemoServer();
        server["versions"] = c.versions;
        if (!c.afterStart.is_null()) server["versionsAfterEngineStart"] = c.afterStart;
        json s = {{"servers", {server}}};
        if (!c.engine.is_null()) s["engine"] = c.engine;
        scenario_.write(s);
        std::int32_t session = Connect();
        MessageBoxRecorder boxes(GetModuleHandleW(nullptr));
        EXPECT_EQ(ProbeServerType(window, session), c.expected);
        EXPECT_EQ(boxes.boxes(), (c.connectionMessage ? Boxes{{window, kEngineConnectionMessage, kSetupCaption, kStopBox}} : Boxes{}));
        EXPECT_EQ(scenario_.counter("vdexID:26"), c.engineCalls);
        EXPECT_EQ(EngineInterfaceUsers, 0);  // every engine call counted down again
        DBUDisconnect(&session);
    }
    EXPECT_EQ(EngineInterfaceLoaded, 1);  // stays open for the process
}

TEST_F(ServerProbeTest, NoSessionAsksNothing) {
    MessageBoxRecorder boxes(GetModuleHandleW(nullptr));
    EXPECT_EQ(ProbeServerType(nullptr, kNoRemoteSession), -1);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(AdminLibraryLoaded, 0);  // not even the library was needed
}

TEST_F(ServerProbeTest, MissingEngineIsLoggedAndShownOnlyWhenAskedFor) {
    TempFolder logs(L"dsnset-kfif-log");
    ProductRegistrySandbox::Set(HKEY_CURRENT_USER, L"SOFTWARE\\Quillmere Software\\Event Log\\Version 11\\Settings",
                                L"EventLogDirectory", logs.path());
    json server = DemoServer();
    server["versions"] = json::object();
    scenario_.write({{"servers", {server}}});
    ImportHook refuse(GetModuleHandleW(nullptr), "w64qscore3.dll", "QSLibOpen", reinterpret_cast<void*>(&RefuseLibrary));
    realLibOpen = refuse.original();
    refusedLibrary = L"w64kfif";
    // Closed first, so that the probe has to load it.
    EngineInterfaceLoaded = 0;

    for (bool show : {false, true}) {
        SCOPED_TRACE(show);
        SetEnvironmentVariableA("QMSW_DISP_LOAD_ERRS", show ? "" : nullptr);
        std::int32_t session = Connect();
        MessageBoxRecorder boxes(GetModuleHandleW(nullptr));
        EXPECT_EQ(ProbeServerType(nullptr, session), -1);
        Boxes expected = {{nullptr, kEngineConnectionMessage, kSetupCaption, kStopBox}};
        if (show) expected.insert(expected.begin(), {nullptr, "VDEXIfc: Returning Status: 8020", "KFIF", MB_OK | MB_TASKMODAL});
        EXPECT_EQ(boxes.boxes(), expected);
        EXPECT_EQ(EngineInterfaceUsers, 0);
        DBUDisconnect(&session);
    }
    SetEnvironmentVariableA("QMSW_DISP_LOAD_ERRS", nullptr);
    refusedLibrary = nullptr;

    std::string log = ReadWholeFile(logs / L"qmsw.log");
    std::size_t first = log.find("VDEXIfc: Returning Status: 8020");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(log.find("VDEXIfc: Returning Status: 8020", first + 1), std::string::npos);  // once per attempt
    std::size_t lineStart = log.rfind("\n", first) + 1;
    EXPECT_EQ(log.substr(lineStart + 28, 16), "KFIF            ");
    EXPECT_EQ(log.substr(first - 6, 6), "I     ");
}

// An engine library without vdexID: every call answers 8005 and leaves nothing taken.
TEST_F(ServerProbeTest, EngineWithoutItsEntryAnswersNotAvailableAndHoldsNothing) {
    TempFolder install(L"dsnset-kfif");
    InstallLibrary(install, "w64kfif_without_vdexid.dll", L"w64kfif.dll");
    UnloadEngineInterface();
    EngineInterfaceUsers = 0;
    for (int call = 0; call < 2; ++call) {
        SCOPED_TRACE(call);
        std::uint8_t position[128] = {};
        std::int32_t length = 75, zero = 0;
        EXPECT_EQ(CallEngine(26, position, nullptr, &length, 75, nullptr, &zero, 0, 0, ClientIdentity),
                  kStatusEntryNotAvailable);
        if (EngineInterfaceLock != 0) {
            ADD_FAILURE() << "the engine interface's spin lock was left taken";
            EngineInterfaceLock = 0;  // else the next call would spin for ever
        }
        EXPECT_EQ(EngineInterfaceUsers, 0);
    }
    EXPECT_EQ(EngineInterfaceLoaded, 1);
    UnloadEngineInterface();
}

TEST_F(ServerProbeTest, OperationTwentyFiveMayCloseTheEngine) {
    struct Case { json engine; bool stillLoaded; int users; };
    const Case cases[] = {
        {{{"activeClients", 0}}, false, 0},
        {{{"activeClients", 2}}, true, 0},
        {{{"adminStatus", 9}}, true, 1},   // the count stays raised when the query fails
        {{{"op25Status", 5}}, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.engine.dump());
        scenario_.write({{"servers", {DemoServer()}}, {"engine", c.engine}});
        EngineInterfaceUsers = 0;
        std::uint8_t position[128] = {};
        std::int32_t length = 0;
        CallEngine(25, position, nullptr, &length, 0, nullptr, nullptr, 0, 0, ClientIdentity);
        EXPECT_EQ(EngineInterfaceLoaded == 1, c.stillLoaded);
        EXPECT_EQ(EngineInterfaceUsers, c.users);
    }
    EngineInterfaceUsers = 0;
}

}  // namespace
