// The DSN commit: silently through the real installer's SQLConfigDataSource, and with a
// window by calling CommitDsn directly, against the stand-in server.
#include <gtest/gtest.h>
#include <windows.h>
#include <odbcinst.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "tests/support/import_hook.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/odbc_profile.h"
#include "tests/support/server_scenario.h"

#include "setup/call_values.h"
#include "setup/config_dsn.h"
#include "setup/dsn_commit.h"

using nlohmann::json;

namespace {

const char kMessageA[] =
    "Failed to validate the server address supplied or the server address needed to verify the database name.";
const char kMessageB[] =
    "Failed to validate the server address supplied or the server address needed to verify the server DSN.";
const char kMissing[] = "<missing>";

json Scenario() {
    json dbhost = DemoServer();
    dbhost["names"] = {"dbhost", "fe80::1", "[fe80::1]", "host:1"};
    json local = DemoServer();
    local["names"] = {"localhost"};
    return {{"servers", {dbhost, local}}};
}

// An engine DSN of this name. WINE8: SQLWriteDSNToIni lists a DSN in the machine hive,
// but SQLGetPrivateProfileString reads only the user hive, so the list entry is also
// written where the installer reads it, as Windows' installer would find it.
bool CreateEngineHeldDsn() {
    return CreateDsn("EngineHeld", {{"Description", "engine"}}, "Quillmere ODBC Engine Interface") &&
           SQLWritePrivateProfileString("ODBC Data Sources", "EngineHeld", "Quillmere ODBC Engine Interface", "odbc.ini");
}

// A key as the installer reads it back; a removed key reads as "" under Wine (see README).
bool Absent(const std::string& value) { return value == kMissing || value.empty(); }

class CommitTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        AttachLibrary(GetModuleHandleA(nullptr));
        ASSERT_TRUE(RegisterClientDriver(ExecutableFolder()));
        dll_ = LoadLibraryA((ExecutableFolder() + "\\DSNSET64.dll").c_str());
        ASSERT_NE(dll_, nullptr);
    }
    void TearDown() override {
        for (const char* dsn : {"Sales", "Renamed", "EngineHeld", "Bad[Name"}) ForgetDsn(dsn);
        RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\ODBC\\ODBC.INI\\ODBC Data Sources", "EngineHeld");
    }
    BOOL Silent(WORD request, const std::vector<std::string>& pairs) {
        return SQLConfigDataSource(nullptr, request, kClientDriverName, AttributeList(pairs).c_str());
    }
    // Runs the commit with a window, as the setup dialog's OK does, on a record filled from
    // the pairs.
    int WithWindow(bool add, const std::vector<std::string>& pairs, const char* initialName = "") {
        DsnSettings record;
        std::memset(&record, 0, sizeof record);  // zero-filled like GlobalAlloc's block
        Settings = &record;
        std::string list = AttributeList(pairs);
        ParseAttributeList(list.c_str(), *Settings);
        DriverName = kClientDriverName;
        IsAddRequest = add ? 1 : 0;
        InitialDsnName.assign(initialName);
        int result = CommitDsn(owner_);
        Settings = nullptr;
        return result;
    }

    static HMODULE dll_;
    ServerScenario scenario_{Scenario()};
    PopupWindow owner_;
};
HMODULE CommitTest::dll_ = nullptr;

TEST_F(CommitTest, SilentAddWritesTheKeysAndDefaults) {
    struct Case {
        const char* name;
        std::vector<std::string> pairs;
        std::map<std::string, std::string> keys;  // kMissing: absent
        int connects;  // the database check, and the engine check when a server is named
        bool existing = false;  // a DSN of the name is there already, and is overwritten
    };
    const std::map<std::string, std::string> defaults = {
        {"Description", kClientDriverName}, {"ArrayFetchOn", "1"}, {"ArrayBufferSize", "8"}, {"TCPPort", "1583"},
        {"TransportHint", "TCP:SPX"}, {"TranslationDLL", ""}, {"TranslationOption", ""}, {"QmTranslate", ""},
        {"DictionaryLoc", kMissing}, {"DatafileLoc", kMissing}, {"OpenMode", kMissing}};
    const Case cases[] = {
        {"database only: checked on localhost", {"DSN=Sales", "DBQ=DEMODATA"},
         {{"DBQ", "DEMODATA"}, {"ServerName", kMissing}, {"ServerDSN", kMissing}}, 1},
        {"server and default port", {"DSN=Sales", "DBQ=DEMODATA", "ServerName=dbhost"}, {{"ServerName", "dbhost.1583"}}, 2},
        {"server and port", {"DSN=Sales", "DBQ=DEMODATA", "ServerName=dbhost", "TCPPort=2000"},
         {{"ServerName", "dbhost.2000"}, {"TCPPort", "2000"}}, 2},
        {"IPv6 address", {"DSN=Sales", "DBQ=DEMODATA", "ServerName=fe80::1"}, {{"ServerName", "[fe80::1].1583"}}, 2},
        {"bracketed already", {"DSN=Sales", "DBQ=DEMODATA", "ServerName=[fe80::1]"}, {{"ServerName", "[fe80::1].1583"}}, 2},
        {"one colon", {"DSN=Sales", "DBQ=DEMODATA", "ServerName=host:1"}, {{"ServerName", "host:1.1583"}}, 2},
        {"engine DSN", {"DSN=Sales", "ServerDSN=DEMO", "ServerName=dbhost"}, {{"ServerDSN", "DEMO"}, {"DBQ", kMissing}}, 2},
        {"given values win over defaults",
         {"DSN=Sales", "DBQ=DEMODATA", "Description=Main office", "ArrayFetchOn=0", "TransportHint=SPX:TCP",
          "QmTranslate=Auto", "ReplicationSystem=Yes", "DictionaryLoc=C:\\d", "OpenMode=1"},
         {{"Description", "Main office"}, {"ArrayFetchOn", "0"}, {"TransportHint", "SPX:TCP"}, {"QmTranslate", "Auto"},
          {"ReplicationSystem", "Yes"}}, 1},
        {"an existing DSN is overwritten", {"DSN=Sales", "DBQ=DEMODATA"}, {{"DBQ", "DEMODATA"}}, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ForgetDsn("Sales");
        ASSERT_TRUE(!c.existing || CreateDsn("Sales", {{"Description", "old"}, {"DBQ", "OLD"}}));
        const int connects = scenario_.counter("DBUConnect");
        ASSERT_TRUE(Silent(ODBC_ADD_DSN, c.pairs));
        EXPECT_EQ(scenario_.counter("DBUConnect") - connects, c.connects);
        EXPECT_TRUE(DsnListed("Sales"));
        std::map<std::string, std::string> expected = defaults;
        for (const auto& [k, v] : c.keys) expected[k] = v;
        for (const auto& [key, value] : expected) {
            std::string stored = ReadDsnKey("Sales", key);
            if (value == kMissing) EXPECT_TRUE(Absent(stored)) << key << "=" << stored;
            else EXPECT_EQ(stored, value) << key;
        }
    }
}

TEST_F(CommitTest, FailedChecksLeaveTheProfileExactlyAsItWas) {
    ASSERT_TRUE(CreateEngineHeldDsn());
    // Only the probe has a message of its own, shown even without a window.
    struct Case { const char* name; std::vector<std::string> pairs; json inject; json engine; bool probeMessage = false; };
    const Case cases[] = {
        {"unreachable server", {"DSN=Sales", "DBQ=DEMODATA", "ServerName=nowhere"}, nullptr, nullptr},
        {"connect refused", {"DSN=Sales", "DBQ=DEMODATA"}, {{"DBUConnect", 7102}}, nullptr},
        {"unknown engine DSN", {"DSN=Sales", "ServerDSN=NOPE", "ServerName=dbhost"}, nullptr, nullptr},
        {"engine DSN not readable", {"DSN=Sales", "ServerDSN=DEMO"}, {{"DBUGetInfo:5207", 7107}}, nullptr},
        {"probe fails", {"DSN=Sales", "ServerDSN=DEMO"}, {{"DBUGetVersion", 7104}}, {{"op26Status", 9}}, true},
        {"name held by an engine DSN", {"DSN=EngineHeld", "DBQ=DEMODATA"}, nullptr, nullptr},
        {"invalid name", {"DSN=2Sales", "DBQ=DEMODATA"}, nullptr, nullptr},
        {"forbidden character", {"DSN=Bad[Name", "DBQ=DEMODATA"}, nullptr, nullptr},
        {"installer refuses a long name", {"DSN=" + std::string(40, 'L'), "DBQ=DEMODATA"}, nullptr, nullptr},
        {"server too long to store", {"DSN=Sales", "DBQ=DEMODATA", "ServerName=" + std::string(510, 'h')}, nullptr, nullptr},
        {"no database and no engine DSN", {"DSN=Sales", "ServerName=dbhost"}, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        json s = Scenario();
        if (!c.inject.is_null()) s["inject"] = c.inject;
        if (!c.engine.is_null()) s["engine"] = c.engine;
        scenario_.write(s);
        const std::string before = OdbcIniSnapshot();
        MessageBoxRecorder boxes(dll_);
        EXPECT_FALSE(Silent(ODBC_ADD_DSN, c.pairs));
        EXPECT_EQ(OdbcIniSnapshot(), before);
        ASSERT_EQ(boxes.boxes().size(), c.probeMessage ? 1u : 0u);
        if (c.probeMessage) { EXPECT_EQ(boxes.boxes()[0].owner, nullptr); }
    }
}

TEST_F(CommitTest, SilentConfigureKeepsWhatItDoesNotName) {
    ASSERT_TRUE(Silent(ODBC_ADD_DSN, {"DSN=Sales", "DBQ=DEMODATA", "ServerName=dbhost", "TCPPort=2000"}));
    const int connects = scenario_.counter("DBUConnect");
    ASSERT_TRUE(Silent(ODBC_CONFIG_DSN, {"DSN=Sales", "Description=Changed"}));
    EXPECT_EQ(scenario_.counter("DBUConnect"), connects);  // no remote check ran
    EXPECT_EQ(ReadDsnKey("Sales", "Description"), "Changed");
    EXPECT_EQ(ReadDsnKey("Sales", "ServerName"), "dbhost.2000");
    EXPECT_EQ(ReadDsnKey("Sales", "DBQ"), "DEMODATA");
    EXPECT_EQ(ReadDsnKey("Sales", "TCPPort"), "2000");

    // Naming the database checks it on the stored server, which stays as stored.
    ASSERT_TRUE(Silent(ODBC_CONFIG_SYS_DSN, {"DSN=Sales", "DBQ=TWENTYCHARACTERSNAME"}));
    EXPECT_EQ(scenario_.counter("DBUConnect"), connects + 1);
    EXPECT_EQ(ReadDsnKey("Sales", "DBQ"), "TWENTYCHARACTERSNAME");
    EXPECT_EQ(ReadDsnKey("Sales", "ServerName"), "dbhost.2000");

    // A stored server that no longer answers fails the check and changes nothing.
    json s = Scenario();
    s["servers"][0]["names"] = {"elsewhere"};
    scenario_.write(s);
    const std::string before = OdbcIniSnapshot();
    EXPECT_FALSE(Silent(ODBC_CONFIG_DSN, {"DSN=Sales", "DBQ=DEMODATA"}));
    EXPECT_EQ(OdbcIniSnapshot(), before);
}

TEST_F(CommitTest, StoredServerReadBackDecidesWhereTheCheckConnects) {
    struct Case { const char* stored; bool reachable; };
    // "x.158" is five characters: nothing is left, the check uses localhost. Shorter texts
    // are cut at their last ".": "h.80" is server "h", which the scenario does not know.
    const Case cases[] = {{"dbhost.1583", true}, {"x.158", true}, {"h.80", false}, {"abc", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        ASSERT_TRUE(CreateDsn("Sales", {{"ServerName", c.stored}, {"DBQ", "DEMODATA"}}));
        EXPECT_EQ(Silent(ODBC_CONFIG_DSN, {"DSN=Sales", "DBQ=DEFAULTDB"}) != FALSE, c.reachable);
        EXPECT_EQ(ReadDsnKey("Sales", "ServerName"), c.stored);
        ForgetDsn("Sales");
    }
}

TEST_F(CommitTest, EveryFailureWithAWindowIsOneMessage) {
    ASSERT_TRUE(CreateEngineHeldDsn());
    const std::string engineHeld =
        "The client data source 'EngineHeld' cannot be created because an engine data source with the same name "
        "already exists. Please rename the client data source name or the engine data source name and try again.";
    const std::string badName =
        "'Bad[Name' cannot be used as a data source name. Make sure that the data source name does not contain more "
        "than 32 characters and it doesn't contain any of the following characters: [ ] { } ( ) ? * = ! @ , ;";
    struct Case { const char* name; bool add; std::vector<std::string> pairs; RecordedMessageBox box; };
    const Case cases[] = {
        {"server for the database", true, {"DSN=Sales", "DBQ=DEMODATA", "ServerName=nowhere"},
         {owner_, kMessageA, kSetupCaption, kStopBox}},
        {"no stored server", false, {"DSN=Sales", "DBQ=DEMODATA"}, {owner_, kMessageA, kSetupCaption, kStopBox}},
        {"server for the engine DSN", false, {"DSN=Sales", "ServerDSN=DEMO"}, {owner_, kMessageB, kSetupCaption, kStopBox}},
        {"engine DSN not found", true, {"DSN=Sales", "ServerDSN=NOPE", "ServerName=dbhost"},
         {owner_, "Failed to validate the Engine DSN. The engine data source does not exist on the server.", kSetupCaption,
          kStopBox}},
        {"name held by an engine DSN", true, {"DSN=EngineHeld", "DBQ=DEMODATA"},
         {owner_, engineHeld, "<null>", MB_OK | MB_ICONINFORMATION}},
        {"invalid name", true, {"DSN=Bad[Name", "DBQ=DEMODATA"}, {nullptr, badName, kSetupCaption, kStopBox}},
        {"server too long", true, {"DSN=Sales", "DBQ=DEMODATA", "ServerName=" + std::string(510, 'h')},
         {owner_, "The server name and port cannot be stored: together they must not exceed 512 characters.",
          kSetupCaption, kStopBox}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string before = OdbcIniSnapshot();
        MessageBoxRecorder boxes(GetModuleHandleA(nullptr));
        EXPECT_EQ(WithWindow(c.add, c.pairs, c.add ? "" : "Sales"), 0);
        EXPECT_EQ(boxes.boxes(), (Boxes{c.box}));
        EXPECT_EQ(OdbcIniSnapshot(), before);
    }
}

TEST_F(CommitTest, ExistingDsnIsOverwrittenOnlyWhenTheUserAgrees) {
    ASSERT_TRUE(CreateDsn("Sales", {{"DBQ", "OLD"}}));
    for (int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer);
        MessageBoxRecorder boxes(GetModuleHandleA(nullptr));
        boxes.answer(answer);
        EXPECT_EQ(WithWindow(true, {"DSN=Sales", "DBQ=DEMODATA"}), answer == IDYES ? 1 : 0);
        EXPECT_EQ(boxes.boxes(),
                  (Boxes{{owner_, "Data source Sales already exists.\n Overwrite?", "<null>", MB_YESNO | MB_ICONQUESTION}}));
        EXPECT_EQ(ReadDsnKey("Sales", "DBQ"), answer == IDYES ? "DEMODATA" : "OLD");
    }
    // A configure that keeps its name never asks, and with a window removes what is unset.
    MessageBoxRecorder boxes(GetModuleHandleA(nullptr));
    EXPECT_EQ(WithWindow(false, {"DSN=Sales", "Description=x"}, "Sales"), 1);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_TRUE(Absent(ReadDsnKey("Sales", "DBQ")));
}

// The installer as seen by the statically linked commit: registration of one chosen name
// is refused, everything else reaches Wine's installer.
struct RegistrationRefusal {
    static std::string refusedName;
    static FARPROC(WINAPI* realGetProcAddress)(HMODULE, LPCSTR);
    static BOOL(WINAPI* realWriteDsn)(LPCSTR, LPCSTR);
    static BOOL WINAPI WriteDsn(LPCSTR dsn, LPCSTR driver) {
        return dsn && refusedName == dsn ? FALSE : realWriteDsn(dsn, driver);
    }
    static FARPROC WINAPI GetProcAddressRefusing(HMODULE module, LPCSTR name) {
        FARPROC real = realGetProcAddress(module, name);
        if (HIWORD(reinterpret_cast<ULONG_PTR>(name)) == 0 || std::strcmp(name, "SQLWriteDSNToIni") != 0) return real;
        realWriteDsn = reinterpret_cast<BOOL(WINAPI*)(LPCSTR, LPCSTR)>(reinterpret_cast<void*>(real));
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&WriteDsn));
    }
};
std::string RegistrationRefusal::refusedName;
FARPROC(WINAPI* RegistrationRefusal::realGetProcAddress)(HMODULE, LPCSTR) = nullptr;
BOOL(WINAPI* RegistrationRefusal::realWriteDsn)(LPCSTR, LPCSTR) = nullptr;

// The DSN names "ODBC Data Sources" lists, spelled as stored.
std::vector<std::string> ListedNames() {
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\ODBC\\ODBC.INI\\ODBC Data Sources", 0, KEY_READ, &key) != 0)
        return names;
    char name[600];
    for (DWORD i = 0, n = sizeof name; RegEnumValueA(key, i, name, &n, nullptr, nullptr, nullptr, nullptr) == 0;
         ++i, n = sizeof name)
        names.push_back(name);
    RegCloseKey(key);
    return names;
}

// A rename never loses the old DSN: the new name is registered before the old one goes.
TEST_F(CommitTest, RenameKeepsTheOldDsnUnlessTheNewNameIsRegistered) {
    const std::string sued = "S\xFC" "d", suedUpper = "S\xDC" "D";  // code page 1252
    struct Case {
        const char* name;
        std::string initial;
        std::string renamed;
        bool installerRefuses;  // through the hook; a 40-character name Wine's installer refuses itself
        int result;
        std::size_t boxes;  // the name message on failure; a new spelling is first asked to overwrite
    };
    const Case cases[] = {
        {"forbidden character", "Sales", "Bad[Name", false, 0, 1},
        {"name the installer refuses", "Sales", std::string(40, 'L'), false, 0, 1},
        {"refused rename", "Sales", "Renamed", true, 0, 1},
        {"refused change of letter case", "Sales", "SALES", true, 0, 2},
        {"good rename", "Sales", "Renamed", false, 1, 0},
        {"change of letter case", "Sales", "SALES", false, 1, 1},
        {"change of case outside ASCII", sued, suedUpper, false, 1, 1},
    };
    ImportHook getProcAddress(GetModuleHandleA(nullptr), "kernel32.dll", "GetProcAddress",
                              reinterpret_cast<void*>(&RegistrationRefusal::GetProcAddressRefusing));
    ASSERT_TRUE(getProcAddress.installed());
    RegistrationRefusal::realGetProcAddress =
        reinterpret_cast<FARPROC(WINAPI*)(HMODULE, LPCSTR)>(getProcAddress.original());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const std::string& dsn : {c.initial, c.renamed}) ForgetDsn(dsn);
        RegistrationRefusal::refusedName.clear();
        ASSERT_TRUE(Silent(ODBC_ADD_DSN, {"DSN=" + c.initial, "DBQ=DEMODATA", "ServerName=dbhost", "Description=kept"}));
        const std::string before = OdbcIniSnapshot();
        if (c.installerRefuses) RegistrationRefusal::refusedName = c.renamed;

        MessageBoxRecorder boxes(GetModuleHandleA(nullptr));
        EXPECT_EQ(WithWindow(false, {"DSN=" + c.renamed, "DBQ=DEMODATA", "ServerName=dbhost", "Description=kept"},
                             c.initial.c_str()),
                  c.result);
        const std::vector<std::string> listed = ListedNames();
        auto isListed = [&](const std::string& n) { return std::find(listed.begin(), listed.end(), n) != listed.end(); };
        if (c.result == 0) {
            EXPECT_EQ(OdbcIniSnapshot(), before);  // the old DSN whole, nothing of the new name
        } else {
            EXPECT_TRUE(isListed(c.renamed));
            EXPECT_FALSE(isListed(c.initial));
            EXPECT_EQ(ReadDsnKey(c.renamed, "ServerName"), "dbhost.1583");
            EXPECT_EQ(ReadDsnKey(c.renamed, "Description"), "kept");
        }
        EXPECT_EQ(boxes.boxes().size(), c.boxes);
        for (const std::string& dsn : {c.initial, c.renamed}) ForgetDsn(dsn);
    }
}

}  // namespace
