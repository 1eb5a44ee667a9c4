// The DSN commit: silently through the real installer's SQLConfigDataSource, and with a
// window by calling CommitDsn directly, against the stand-in server.
#include <gtest/gtest.h>
#include <windows.h>
#include <odbcinst.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "remote/server_probe.h"
#include "setup/call_values.h"
#include "setup/config_dsn.h"
#include "setup/dsn_commit.h"
#include "tests/support/import_hook.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/odbc_profile.h"
#include "tests/support/server_scenario.h"

using nlohmann::json;

namespace {

json Scenario(json inject = nullptr, json engine = nullptr) {
    json dbhost = DemoServer(), local = DemoServer();
    dbhost["names"] = {"dbhost"};
    local["names"] = {"localhost"};
    json s = {{"servers", {dbhost, local}}};
    if (!inject.is_null()) s["inject"] = inject;
    if (!engine.is_null()) s["engine"] = engine;
    return s;
}

// A fresh add's keys as DsnKeys reads them (Wine lists them sorted; a removed key reads as
// empty), with a case's own values.
std::string AddedKeys(const std::map<std::string, std::string>& own) {
    std::map<std::string, std::string> keys = {{"ArrayBufferSize", "8"}, {"ArrayFetchOn", "1"}, {"DBQ", ""},
        {"Description", kClientDriverName}, {"QmTranslate", ""}, {"ServerDSN", ""}, {"ServerName", ""},
        {"TCPPort", "1583"}, {"TranslationDLL", ""}, {"TranslationOption", ""}, {"TransportHint", "TCP:SPX"}};
    std::string line;
    for (const auto& [key, value] : own) keys[key] = value;
    for (const auto& [key, value] : keys) line += (line.empty() ? "" : " ") + key + "=" + value;
    return line;
}

// The installer as the statically linked commit sees it: registration of one chosen name
// is refused, everything else reaches Wine's installer.
std::string refusedName;
FARPROC(WINAPI* realGetProcAddress)(HMODULE, LPCSTR) = nullptr;
BOOL(WINAPI* realWriteDsn)(LPCSTR, LPCSTR) = nullptr;
BOOL WINAPI WriteDsnRefusing(LPCSTR dsn, LPCSTR driver) { return dsn == refusedName ? FALSE : realWriteDsn(dsn, driver); }
FARPROC WINAPI GetProcAddressRefusing(HMODULE module, LPCSTR name) {
    FARPROC real = realGetProcAddress(module, name);
    if (HIWORD(reinterpret_cast<ULONG_PTR>(name)) == 0 || std::strcmp(name, "SQLWriteDSNToIni") != 0) return real;
    realWriteDsn = reinterpret_cast<BOOL(WINAPI*)(LPCSTR, LPCSTR)>(reinterpret_cast<void*>(real));
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&WriteDsnRefusing));
}

// True when "ODBC Data Sources" lists the name spelled exactly so (the registry's own
// lookups ignore case).
bool ListedAs(const std::string& dsn) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\ODBC\\ODBC.INI\\ODBC Data Sources", 0, KEY_READ, &key)) return false;
    char name[600];
    bool found = false;
    for (DWORD i = 0, n = sizeof name; !found && RegEnumValueA(key, i, name, &n, 0, 0, 0, 0) == 0; ++i, n = sizeof name)
        found = dsn == name;
    return RegCloseKey(key), found;
}

class CommitTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        AttachLibrary(GetModuleHandleA(nullptr));
        ASSERT_TRUE(RegisterClientDriver(ExecutableFolder()));
        ASSERT_NE(dll_ = LoadLibraryA((ExecutableFolder() + "\\DSNSET64.dll").c_str()), nullptr);
    }
    void TearDown() override {
        for (const char* dsn : {"Sales", "Renamed", "EngineHeld", "Bad[Name"}) ForgetDsn(dsn);
        RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\ODBC\\ODBC.INI\\ODBC Data Sources", "EngineHeld");
    }
    BOOL Silent(WORD request, const std::vector<std::string>& pairs) {
        return SQLConfigDataSource(nullptr, request, kClientDriverName, AttributeList(pairs).c_str());
    }
    // The commit with a window, as the setup dialog's OK runs it, on a record of the pairs.
    int WithWindow(bool add, const std::vector<std::string>& pairs, const std::string& initialName = "") {
        DsnSettings record;
        std::memset(&record, 0, sizeof record);  // zero-filled like GlobalAlloc's block
        ParseAttributeList(AttributeList(pairs).c_str(), *(Settings = &record));
        DriverName = kClientDriverName;
        IsAddRequest = add ? 1 : 0;
        InitialDsnName.assign(initialName.c_str());
        const int result = CommitDsn(owner_);
        Settings = nullptr;
        return result;
    }
    static HMODULE dll_;
    ServerScenario scenario_{Scenario()};
    PopupWindow owner_;
};
HMODULE CommitTest::dll_ = nullptr;

TEST_F(CommitTest, SilentAddChecksThenWritesTheKeysAndDefaults) {
    struct Case { std::vector<std::string> pairs; std::map<std::string, std::string> keys; int connects; bool existing; };
    const Case cases[] = {  // connects: the database check, and the engine check when a server is named
        {{"DSN=Sales", "DBQ=DEMODATA"}, {{"DBQ", "DEMODATA"}}, 1, false},
        {{"DSN=Sales", "DBQ=DEMODATA"}, {{"DBQ", "DEMODATA"}}, 1, true},  // overwritten without asking
        {{"DSN=Sales", "DBQ=DEMODATA", "ServerName=dbhost", "TCPPort=2000"},
         {{"TCPPort", "2000"}, {"ServerName", "dbhost.2000"}, {"DBQ", "DEMODATA"}}, 2, false},
        {{"DSN=Sales", "ServerDSN=DEMO", "ServerName=dbhost"}, {{"ServerName", "dbhost.1583"}, {"ServerDSN", "DEMO"}}, 2,
         false},
        {{"DSN=Sales", "DBQ=DEMODATA", "Description=Main", "ArrayFetchOn=0", "TransportHint=SPX:TCP", "QmTranslate=Auto",
          "ReplicationSystem=Yes", "TranslationOption=2", "DictionaryLoc=C:\\d", "OpenMode=1"},
         {{"DBQ", "DEMODATA"}, {"Description", "Main"}, {"ArrayFetchOn", "0"}, {"TransportHint", "SPX:TCP"},
          {"QmTranslate", "Auto"}, {"ReplicationSystem", "Yes"}, {"TranslationOption", "2"}}, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pairs.back());
        ForgetDsn("Sales");
        ASSERT_TRUE(!c.existing || CreateDsn("Sales", {{"DBQ", "OLD"}, {"Description", "old"}}));
        const int connects = scenario_.counter("DBUConnect");
        ASSERT_TRUE(Silent(ODBC_ADD_DSN, c.pairs));
        EXPECT_EQ(scenario_.counter("DBUConnect") - connects, c.connects);
        EXPECT_EQ(std::string(DsnListed("Sales") ? "listed " : "") + DsnKeys("Sales"), "listed " + AddedKeys(c.keys));
    }
}

// Every check runs before anything is written: a failure leaves "odbc.ini" exactly as it
// was, silently (only the probe has a message of its own, shown without an owner), and with
// a window as one message box.
TEST_F(CommitTest, EveryFailureChangesNothingAndIsOneMessageWithAWindow) {
    ASSERT_TRUE(CreateDsn("EngineHeld", {{"Description", "engine"}}, "Quillmere ODBC Engine Interface"));
    // WINE8: SQLWriteDSNToIni lists a DSN in the machine hive, but SQLGetPrivateProfileString
    // reads only the user hive: the entry is also written where the installer reads it.
    ASSERT_TRUE(SQLWritePrivateProfileString("ODBC Data Sources", "EngineHeld", "Quillmere ODBC Engine Interface",
                                             "odbc.ini"));
    const std::string database = "Failed to validate the server address supplied or the server address needed to "
                                 "verify the database name.",
                      badName = "' cannot be used as a data source name. Make sure that the data source name does not "
                                "contain more than 32 characters and it doesn't contain any of the following "
                                "characters: [ ] { } ( ) ? * = ! @ , ;",
                      longName(40, 'L');
    const RecordedMessageBox none = {nullptr, "", "", 0};
    struct Case { bool add; std::vector<std::string> pairs; json inject, engine; RecordedMessageBox box; bool probe; };
    const Case cases[] = {
        {true, {"DSN=Sales", "DBQ=DEMODATA", "ServerName=nowhere"}, {}, {}, {owner_, database, kSetupCaption, kStopBox}},
        {true, {"DSN=Sales", "DBQ=DEMODATA"}, {{"DBUConnect", 7102}}, {}, {owner_, database, kSetupCaption, kStopBox}},
        {false, {"DSN=Sales", "DBQ=DEMODATA"}, {}, {}, {owner_, database, kSetupCaption, kStopBox}},  // none stored
        {false, {"DSN=Sales", "ServerDSN=DEMO"}, {}, {}, {owner_, "Failed to validate the server address supplied or "
         "the server address needed to verify the server DSN.", kSetupCaption, kStopBox}},
        {true, {"DSN=Sales", "ServerDSN=NOPE", "ServerName=dbhost"}, {}, {}, {owner_, "Failed to validate the Engine "
         "DSN. The engine data source does not exist on the server.", kSetupCaption, kStopBox}},
        {true, {"DSN=Sales", "ServerDSN=DEMO"}, {{"DBUGetInfo:5207", 7107}}, {}, {owner_, "Failed to validate the "
         "Engine DSN. The server could not read the request.", kSetupCaption, kStopBox}},
        {true, {"DSN=Sales", "ServerDSN=DEMO"}, {{"DBUGetVersion", 7104}}, {{"op26Status", 9}},
         {owner_, kEngineConnectionMessage, kSetupCaption, kStopBox}, true},
        {true, {"DSN=EngineHeld", "DBQ=DEMODATA"}, {}, {}, {owner_, "The client data source 'EngineHeld' cannot be "
         "created because an engine data source with the same name already exists. Please rename the client data "
         "source name or the engine data source name and try again.", "<null>", MB_OK | MB_ICONINFORMATION}},
        {true, {"DSN=2Sales", "DBQ=DEMODATA"}, {}, {}, {nullptr, "'2Sales" + badName, kSetupCaption, kStopBox}},
        {true, {"DSN=Bad[Name", "DBQ=DEMODATA"}, {}, {}, {nullptr, "'Bad[Name" + badName, kSetupCaption, kStopBox}},
        {true, {"DSN=" + longName, "DBQ=DEMODATA"}, {}, {}, {nullptr, "'" + longName + badName, kSetupCaption, kStopBox}},
        {true, {"DSN=Sales", "DBQ=DEMODATA", "ServerName=" + std::string(510, 'h')}, {}, {}, {owner_, "The server name "
         "and port cannot be stored: together they must not exceed 512 characters.", kSetupCaption, kStopBox}},
        {true, {"DSN=Sales", "ServerName=dbhost"}, {}, {}, none},  // neither a database nor an engine DSN
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box.text.empty() ? c.pairs.back() : c.box.text);
        scenario_.write(Scenario(c.inject, c.engine));
        const std::string before = OdbcIniSnapshot();
        RecordedMessageBox unowned = c.box;
        unowned.owner = nullptr;
        {
            MessageBoxRecorder boxes(dll_);
            EXPECT_FALSE(Silent(c.add ? ODBC_ADD_DSN : ODBC_CONFIG_DSN, c.pairs));
            EXPECT_EQ(boxes.boxes(), c.probe ? Boxes{unowned} : Boxes{});
        }
        MessageBoxRecorder boxes(GetModuleHandleA(nullptr));
        EXPECT_EQ(WithWindow(c.add, c.pairs, c.add ? "" : "Sales"), 0);
        EXPECT_EQ(boxes.boxes(), c.box.flags ? Boxes{c.box} : Boxes{});
        EXPECT_EQ(OdbcIniSnapshot(), before);
    }
}

// A silent configure keeps what it does not name; naming the database checks it on the
// stored server, which stays as stored.
TEST_F(CommitTest, SilentConfigureChecksOnTheStoredServerAndKeepsWhatItDoesNotName) {
    ASSERT_TRUE(Silent(ODBC_ADD_DSN, {"DSN=Sales", "DBQ=DEMODATA", "ServerName=dbhost", "TCPPort=2000"}));
    struct Step { std::vector<std::string> pairs; const char* server; BOOL result; int connects; const char* dbq; };
    const Step steps[] = {
        {{"Description=Changed"}, "dbhost", TRUE, 0, "DEMODATA"},
        {{"DBQ=TWENTYCHARACTERSNAME"}, "dbhost", TRUE, 1, "TWENTYCHARACTERSNAME"},
        {{"DBQ=DEMODATA"}, "elsewhere", FALSE, 1, ""},  // the stored server no longer answers
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.pairs[0]);
        json s = Scenario();
        s["servers"][0]["names"] = {step.server};
        scenario_.write(s);
        const std::string before = OdbcIniSnapshot(), keys = DsnKeys("Sales");
        std::vector<std::string> pairs = step.pairs;
        pairs.insert(pairs.begin(), "DSN=Sales");
        EXPECT_EQ(Silent(ODBC_CONFIG_SYS_DSN, pairs), step.result);
        EXPECT_EQ(scenario_.counter("DBUConnect"), step.connects);
        EXPECT_EQ(step.result ? DsnKeys("Sales") : OdbcIniSnapshot(),
                  step.result ? AddedKeys({{"Description", "Changed"}, {"TCPPort", "2000"}, {"ServerName", "dbhost.2000"},
                                           {"DBQ", step.dbq}}) : before);
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
    EXPECT_EQ(boxes.boxes(), Boxes{});
    EXPECT_EQ(DsnKeys("Sales"), AddedKeys({{"Description", "x"}}));
}

// A rename never loses the old DSN: the new name is registered before the old one goes.
TEST_F(CommitTest, RenameKeepsTheOldDsnUnlessTheNewNameIsRegistered) {
    const std::string sued = "S\xFC" "d", suedUpper = "S\xDC" "D";  // code page 1252
    struct Case { std::string initial, renamed; bool refused; int result; std::size_t boxes; };
    // refused: through the hook (Wine's installer refuses a 40-character name itself). Boxes:
    // the name message on failure; a new spelling is first asked to overwrite.
    const Case cases[] = {
        {"Sales", "Bad[Name", false, 0, 1}, {"Sales", std::string(40, 'L'), false, 0, 1},
        {"Sales", "Renamed", true, 0, 1}, {"Sales", "SALES", true, 0, 2}, {"Sales", "Renamed", false, 1, 0},
        {"Sales", "SALES", false, 1, 1}, {sued, suedUpper, false, 1, 1},
    };
    ImportHook getProcAddress(GetModuleHandleA(nullptr), "kernel32.dll", "GetProcAddress",
                              reinterpret_cast<void*>(&GetProcAddressRefusing));
    ASSERT_TRUE(getProcAddress.installed());
    realGetProcAddress = reinterpret_cast<FARPROC(WINAPI*)(HMODULE, LPCSTR)>(getProcAddress.original());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.renamed + (c.refused ? " refused" : ""));
        const std::vector<std::string> keys = {"DBQ=DEMODATA", "ServerName=dbhost", "Description=kept"};
        std::vector<std::string> pairs = keys;
        pairs.insert(pairs.begin(), "DSN=" + c.initial);
        refusedName.clear();
        ASSERT_TRUE(Silent(ODBC_ADD_DSN, pairs));
        const std::string before = OdbcIniSnapshot();
        refusedName = c.refused ? c.renamed : "";
        MessageBoxRecorder boxes(GetModuleHandleA(nullptr));
        pairs[0] = "DSN=" + c.renamed;
        EXPECT_EQ(WithWindow(false, pairs, c.initial), c.result);
        EXPECT_EQ(boxes.boxes().size(), c.boxes);
        // Refused: the old DSN whole, nothing of the new name. Done: the new name only.
        EXPECT_EQ(c.result ? std::string(ListedAs(c.initial) ? "old " : "") + (ListedAs(c.renamed) ? "new " : "") +
                                 ReadDsnKey(c.renamed, "ServerName") + " " + ReadDsnKey(c.renamed, "Description")
                           : OdbcIniSnapshot(),
                  c.result ? "new dbhost.1583 kept" : before);
        for (const std::string& dsn : {c.initial, c.renamed}) ForgetDsn(dsn);
    }
}

}  // namespace
