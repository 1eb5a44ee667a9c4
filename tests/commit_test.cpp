// The DSN commit: silently through the real installer's SQLConfigDataSource, and with a
// window by calling CommitDsn directly, against the stand-in server.
#include <gtest/gtest.h>
#include <cstring>
#include "remote/server_probe.h"
#include "setup/call_values.h"
#include "setup/config_dsn.h"
#include "setup/dsn_commit.h"
#include "tests/support/import_hook.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/odbc_profile.h"
#include "tests/support/server_scenario.h"

namespace {
nlohmann::json Scenario(const char* dbhost = "dbhost") {
    nlohmann::json servers = {DemoServer(), DemoServer()};
    servers[0]["names"] = {dbhost}, servers[1]["names"] = {"localhost"};
    return {{"servers", servers}};
}
// The installer as the linked commit sees it, refusing to register one name.
std::string refusedName;
FARPROC(WINAPI* realGetProcAddress)(HMODULE, LPCSTR) = nullptr;
BOOL(WINAPI* realWriteDsn)(LPCSTR, LPCSTR) = nullptr;
BOOL WINAPI WriteDsnRefusing(LPCSTR dsn, LPCSTR driver) { return dsn != refusedName && realWriteDsn(dsn, driver); }
FARPROC WINAPI GetProcAddressRefusing(HMODULE module, LPCSTR name) {
    FARPROC real = realGetProcAddress(module, name);
    if (HIWORD(reinterpret_cast<ULONG_PTR>(name)) == 0 || std::strcmp(name, "SQLWriteDSNToIni") != 0) return real;
    realWriteDsn = reinterpret_cast<BOOL(WINAPI*)(LPCSTR, LPCSTR)>(reinterpret_cast<void*>(real));
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&WriteDsnRefusing));
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
    }
    BOOL Silent(WORD request, const std::vector<std::string>& pairs) {
        return SQLConfigDataSource(nullptr, request, kClientDriverName, AttributeList(pairs).c_str());
    }
    // As the setup dialog's OK runs it, on a zero-filled record (as GlobalAlloc's).
    int WithWindow(bool add, const std::vector<std::string>& pairs, const std::string& initialName) {
        DsnSettings record;
        std::memset(&record, 0, sizeof record);
        ParseAttributeList(AttributeList(pairs).c_str(), *(Settings = &record));
        DriverName = kClientDriverName, IsAddRequest = add, InitialDsnName.assign(initialName.c_str());
        const int result = CommitDsn(owner_);
        return Settings = nullptr, result;
    }
    static inline HMODULE dll_ = nullptr;
    ServerScenario scenario_{Scenario()};
    PopupWindow owner_;
};

// Silently, an add writes defaults over what was stored; a configure keeps what it does not name.
TEST_F(CommitTest, SilentAddsAndConfiguresCheckThenWrite) {
    ASSERT_TRUE(CreateDsn("Sales", {{"DBQ", "OLD"}, {"Description", "old"}}));  // overwritten without asking
    const std::string head = "ArrayBufferSize=8 ArrayFetchOn=1 ", tail = " TranslationDLL= TranslationOption= "
                             "TransportHint=TCP:SPX", client = " Description=Quillmere ODBC Client Interface";
    struct Step { WORD request; std::vector<std::string> pairs; const char* dbhost; int connects; std::string keys; };
    const Step steps[] = {  // connects: the database check, and the engine check when a server is named
        {ODBC_ADD_DSN, {"DSN=Sales", "DBQ=DEMODATA"}, "dbhost", 1,
         "DBQ=DEMODATA" + client + " QmTranslate= ServerDSN= ServerName= TCPPort=1583"},
        {ODBC_ADD_DSN, {"DSN=Sales", "DBQ=DEMODATA", "ServerName=dbhost", "TCPPort=2000"}, "dbhost", 2,
         "DBQ=DEMODATA" + client + " QmTranslate= ServerDSN= ServerName=dbhost.2000 TCPPort=2000"},
        {ODBC_CONFIG_SYS_DSN, {"DSN=Sales", "Description=Changed"}, "dbhost", 0,
         "DBQ=DEMODATA Description=Changed QmTranslate= ServerDSN= ServerName=dbhost.2000 TCPPort=2000"},
        {ODBC_CONFIG_DSN, {"DSN=Sales", "DBQ=DEMODATA"}, "elsewhere", 1, ""},  // the stored server no longer answers
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.pairs[1]);
        scenario_.write(Scenario(step.dbhost));
        const std::string before = OdbcIniSnapshot();
        EXPECT_EQ(Silent(step.request, step.pairs), !step.keys.empty());
        EXPECT_EQ(scenario_.counter("DBUConnect"), step.connects);
        EXPECT_EQ(step.keys.empty() ? OdbcIniSnapshot() : (DsnListed("Sales") ? "listed " : "") + DsnKeys("Sales"),
                  step.keys.empty() ? before : "listed " + head + step.keys + tail);
    }
}

// Every check runs before anything is written: a failure leaves "odbc.ini" as it was, with a window as
// one box (silently none but the probe's). A rename registers the new name before the old one goes.
TEST_F(CommitTest, ChecksBeforeWritesMessagesAndRenames) {
    // WINE8: SQLWriteDSNToIni lists a DSN in the machine hive, but SQLGetPrivateProfileString
    // reads only the user hive: the entry is also written where the installer reads it.
    const char engine[] = "Quillmere ODBC Engine Interface";
    ASSERT_TRUE(CreateDsn("EngineHeld", {{"Description", "engine"}}, engine) &&
                SQLWritePrivateProfileString("ODBC Data Sources", "EngineHeld", engine, "odbc.ini"));
    const std::string address = "Failed to validate the server address supplied or the server address needed to "
                                "verify the ", longName(40, 'L');  // Wine's installer refuses a 40-character name
    const auto stop = [&](std::string text) { return RecordedMessageBox{owner_, text, kSetupCaption, kStopBox}; };
    const auto bad = [](const std::string& name) {
        return RecordedMessageBox{nullptr, "'" + name + "' cannot be used as a data source name. Make sure that the "
            "data source name does not contain more than 32 characters and it doesn't contain any of the following "
            "characters: [ ] { } ( ) ? * = ! @ , ;", kSetupCaption, kStopBox};
    };
    const auto ask = [&](const std::string& name) {
        return RecordedMessageBox{owner_, "Data source " + name + " already exists.\n Overwrite?", "<null>",
                                  MB_YESNO | MB_ICONQUESTION};
    };
    const auto record = [](const std::string& name) {
        return std::vector<std::string>{"DSN=" + name, "ServerDSN=DEMO", "ServerName=dbhost", "Description=new"};
    };
    // silent: 1 fails silently too, 2 with the box unowned; existing: there first, the initial name.
    struct Case { bool add; std::vector<std::string> pairs; int silent; std::string existing; bool refused; int answer;
                  int result; Boxes boxes; };
    const Case cases[] = {
        {true, {"DSN=Sales", "DBQ=DEMODATA", "ServerName=nowhere"}, 1, "", 0, 0, 0, {stop(address + "database name.")}},
        {false, {"DSN=Sales", "ServerDSN=DEMO"}, 1, "", 0, 0, 0, {stop(address + "server DSN.")}},  // none stored
        {true, {"DSN=Sales", "ServerDSN=NOPE", "ServerName=dbhost"}, 1, "", 0, 0, 0,
         {stop("Failed to validate the Engine DSN. The engine data source does not exist on the server.")}},
        {true, {"DSN=Sales", "ServerDSN=DEMO"}, 2, "", 0, 0, 0, {stop(kEngineConnectionMessage)}},
        {true, {"DSN=EngineHeld", "DBQ=DEMODATA"}, 1, "", 0, 0, 0, {{owner_, "The client data source 'EngineHeld' "
         "cannot be created because an engine data source with the same name already exists. Please rename the client "
         "data source name or the engine data source name and try again.", "<null>", MB_OK | MB_ICONINFORMATION}}},
        {true, {"DSN=Bad[Name", "DBQ=DEMODATA"}, 1, "", 0, 0, 0, {bad("Bad[Name")}},
        {true, {"DSN=" + longName, "DBQ=DEMODATA"}, 1, "", 0, 0, 0, {bad(longName)}},
        {true, {"DSN=Sales", "DBQ=DEMODATA", "ServerName=" + std::string(510, 'h')}, 1, "", 0, 0, 0,
         {stop("The server name and port cannot be stored: together they must not exceed 512 characters.")}},
        {true, {"DSN=Sales", "ServerName=dbhost"}, 1, "", 0, 0, 0, {}},  // neither a database nor an engine DSN
        {true, record("Sales"), 0, "Sales", 0, IDNO, 0, {ask("Sales")}},
        {true, record("Sales"), 0, "Sales", 0, IDYES, 1, {ask("Sales")}},
        {false, record("Sales"), 0, "Sales", 0, 0, 1, {}},  // a configure that keeps its name never asks
        {false, record("Bad[Name"), 0, "Sales", 0, 0, 0, {bad("Bad[Name")}},
        {false, record(longName), 0, "Sales", 0, 0, 0, {bad(longName)}},
        {false, record("Renamed"), 0, "Sales", true, 0, 0, {bad("Renamed")}},
        {false, record("SALES"), 0, "Sales", true, IDYES, 0, {ask("SALES"), bad("SALES")}},
        {false, record("Renamed"), 0, "Sales", 0, 0, 1, {}},
        {false, record("SALES"), 0, "Sales", 0, IDYES, 1, {ask("SALES")}},
        {false, record("S\xDC" "D"), 0, "S\xFC" "d", 0, IDYES, 1, {ask("S\xDC" "D")}},  // code page 1252
    };
    ImportHook getProcAddress(GetModuleHandleA(nullptr), "kernel32.dll", "GetProcAddress",
                              reinterpret_cast<void*>(&GetProcAddressRefusing));
    ASSERT_TRUE(getProcAddress.installed());
    realGetProcAddress = reinterpret_cast<FARPROC(WINAPI*)(HMODULE, LPCSTR)>(getProcAddress.original());
    for (const Case& c : cases) {
        const std::string name = c.pairs[0].substr(4);
        SCOPED_TRACE(name + (c.add ? " added" : " configured") + (c.existing.empty() ? "" : " over " + c.existing));
        nlohmann::json scenario = Scenario();
        if (c.silent == 2) scenario["inject"] = {{"DBUGetVersion", 7104}}, scenario["engine"] = {{"op26Status", 9}};
        scenario_.write(scenario);
        refusedName.clear();
        ASSERT_TRUE(c.existing.empty() ||
                    Silent(1, {"DSN=" + c.existing, "DBQ=DEMODATA", "ServerName=dbhost", "Description=old"}));
        const std::string before = OdbcIniSnapshot();
        if (c.silent) {
            MessageBoxRecorder boxes(dll_);
            EXPECT_FALSE(Silent(c.add ? ODBC_ADD_DSN : ODBC_CONFIG_DSN, c.pairs));
            Boxes unowned = c.silent == 2 ? c.boxes : Boxes{};
            for (RecordedMessageBox& box : unowned) box.owner = nullptr;
            EXPECT_EQ(boxes.boxes(), unowned);
        }
        refusedName = c.refused ? name : "";
        MessageBoxRecorder boxes(GetModuleHandleA(nullptr));
        boxes.answer(c.answer);
        EXPECT_EQ(WithWindow(c.add, c.pairs, c.existing), c.result);
        EXPECT_EQ(boxes.boxes(), c.boxes);
        // Done: only the new name, with the record's values; not done: all as it was.
        EXPECT_EQ(c.result ? std::string(name != c.existing && DsnListed(c.existing) ? "old " : "") +
                                 (DsnListed(name) ? "new " : "") + ReadDsnKey(name, "ServerName") + " " +
                                 ReadDsnKey(name, "Description") + " DBQ=" + ReadDsnKey(name, "DBQ")
                           : OdbcIniSnapshot(),
                  c.result ? "new dbhost.1583 new DBQ=" : before);
        for (const std::string& dsn : {c.existing, name}) ForgetDsn(dsn);
    }
}
}  // namespace
