// The library's dialogs worked as a user would: the real templates run modally over an owner,
// typed into and clicked from another thread, the record they edit and the stand-in server's
// view read afterwards; the setup dialog's database list and Test Connection (through Wine's
// odbc32, the host's unixODBC and the stand-in driver); help and a host's centred dialog.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>

#include "dialogs/advanced_dialog.h"
#include "dialogs/database_list.h"
#include "dialogs/help.h"
#include "dialogs/logon_dialog.h"
#include "dialogs/setup_dialog.h"
#include "dialogs/test_connection.h"
#include "remote/admin_library.h"
#include "remote/server_probe.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"
#include "tests/support/dialog_bench.h"
#include "tests/support/file_text.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/odbc_profile.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/server_scenario.h"

using nlohmann::json;

namespace {

enum { FETCH = IDC_ARRAY_FETCH, SIZE = IDC_ARRAY_BUFFER_SIZE, STD = IDC_TCP_PORT_DEFAULT, PORT = IDC_TCP_PORT };
enum { SERVER = IDC_LOGON_SERVER, USER = IDC_LOGON_USER, PASSWORD = IDC_LOGON_PASSWORD };
const Step kOk{'c', IDOK, "", "closed"}, kCancel{'c', IDCANCEL, "", "closed"};

struct DialogTest : ::testing::Test {
    void SetUp() override { ModuleInstance = GetModuleHandleA(nullptr); }  // the templates and the caption
    void TearDown() override { Settings = nullptr, DriverName = nullptr, HasServerName = 0; }
    INT_PTR Advanced(const char* fetch, const char* size, const char* port, const std::vector<Step>& steps) {
        record_ = {}, Settings = &record_;
        for (auto [f, value] : {std::pair{&record_.DSN, "Sales"}, {&record_.ArrayFetchOn, fetch},
                                {&record_.ArrayBufferSize, size}, {&record_.TCPPort, port}})
            if (value) f->set(value);
        return RunDialog(ModuleInstance, IDD_ADVANCED, owner_, AdvancedDlgProc, steps, {FETCH, SIZE, STD, PORT, IDOK},
                         &dialog_);
    }
    // Test Connection on a record of the attributes, the driver answering as the scenario says (in Unix
    // files the environment names; Z: is "/"): the result, and what the driver received, if anything.
    int Tested(const char* attributes, const std::string& scenario, std::string& received) {
        const auto unixFile = [](const char* variable) { return std::string("Z:") + std::getenv(variable); };
        record_ = {}, Settings = &record_, DriverName = QM_TEST_DRIVER;
        ParseAttributeList(attributes, record_);
        const std::string path = unixFile("QM_ODBC_RECEIVED");
        std::remove(path.c_str());
        std::ofstream(unixFile("QM_ODBC_SCENARIO"), std::ios::binary) << scenario;
        const int result = TestConnection(owner_);
        received = GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES ? "<not reached>" : ReadWholeFile(path);
        return result;
    }
    std::string Record() const {  // "=" when given, "~" when not
        std::string text;
        for (auto [name, f] : {std::pair{"fetch", &record_.ArrayFetchOn}, {"size", &record_.ArrayBufferSize},
                               {"port", &record_.TCPPort}})
            text += std::string(text.empty() ? "" : " ") + name + (f->isSet ? "=" : "~") + f->value.c_str();
        return text;
    }
    DsnSettings record_;
    HWND dialog_ = nullptr;
    PopupWindow owner_{100, 100, 400, 300};
};

TEST_F(DialogTest, AdvancedNetworkBoxesEditTheRecord) {
    const std::string big(512, '9');
    const auto Refused = [](const std::string& size) {
        return "The array fetch buffer size must be a number in the range 1 to 64.\n " + size + " is not acceptable. "
               "Please reenter.";
    };
    struct Case { const char *name, *fetch, *size, *port; std::vector<Step> steps; INT_PTR result; std::string record;
                  std::vector<std::string> boxes; };
    const Case cases[] = {
        {"nothing given: on, 8 KB", nullptr, nullptr, nullptr, {{'-', 0, "", ">[x] '8' [ ] '' OK(disabled)"}, kCancel},
         IDCANCEL, "fetch~ size=8 port~", {}},
        {"standard port a toggle; OK wants a port, and a size while on", "1", "8", "1583",
         {{'-', 0, "", ">[x] '8' [x] '1583'(disabled) OK"}, {'p', STD, "", "[x] '8' >[ ] '' OK(disabled)"},
          {'t', PORT, "2000", "[x] '8' >[ ] '2000' OK"}, {'t', SIZE, "", "[x] '' >[ ] '2000' OK(disabled)"},
          {'p', FETCH, "", ">[ ] ''(disabled) [ ] '2000' OK"}, {'p', FETCH, "", ">[x] '8' [ ] '2000' OK"},
          {'t', PORT, "", ">[x] '8' [ ] '' OK(disabled)"}, kCancel},
         IDCANCEL, "fetch=1 size=8 port~", {}},
        {"a stored port that only begins the standard one", "1", "8", "158",
         {{'-', 0, "", ">[x] '8' [ ] '158' OK"}, kCancel}, IDCANCEL, "fetch=1 size=8 port=158", {}},
        {"sizes past 1 to 64 refused, 64 taken", "1", "0", "1583",
         {{'c', IDOK, "", ">[x] '0' [x] '1583'(disabled) OK"}, {'t', SIZE, "65", ""},
          {'c', IDOK, "", ">[x] '65' [x] '1583'(disabled) OK"}, {'t', SIZE, "64", ""}, kOk},
         IDOK, "fetch=1 size=64 port=1583", {Refused("0"), Refused("65")}},
        {"a stored size past the typing limit, quoted whole", "1", big.c_str(), "1583", {{'c', IDOK, "", ""}, kCancel},
         IDCANCEL, "fetch=1 size~" + big + " port=1583", {Refused(big)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageBoxRecorder recorder(ModuleInstance);
        EXPECT_EQ(Advanced(c.fetch, c.size, c.port, c.steps), c.result);
        EXPECT_EQ(Record(), c.record);
        Boxes boxes;
        for (const std::string& text : c.boxes) boxes.push_back({dialog_, text, kSetupCaption, kStopBox});
        EXPECT_EQ(recorder.boxes(), boxes);
    }
}

// The Help button and F1 each start the keyword launcher from the recorded installation's "bin"
// folder, or nothing when no installation the launcher can take is recorded.
TEST_F(DialogTest, AdvancedHelpButtonAndF1StartTheLauncherFromTheInstallation) {
    ProductRegistrySandbox registry;
    const auto launch = [](const std::string& dir) {  // a recorded trailing backslash is not doubled
        return dir + "\\bin|keyhh -qmsw -#mapid 300004 \"" + dir + "\\Docs\\qmswdocs.chm>$global_qmhelp\"\n";
    };
    const std::wstring longest = L"C:\\" + std::wstring(250, L'd'), tooLong = longest + L"d";
    struct Case { const char* name; const wchar_t* dir; std::string started; };
    const Case cases[] = {
        {"none recorded", nullptr, ""}, {"empty", L"", ""}, {"one past what the launcher takes", tooLong.c_str(), ""},
        {"trailing backslash", L"C:\\Prog\\", launch("C:\\Prog")},
        {"the longest the launcher takes", longest.c_str(), launch("C:\\" + std::string(250, 'd'))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProductRegistrySandbox::Clear();
        if (c.dir) ProductRegistrySandbox::Set(HKEY_LOCAL_MACHINE, kClientInstallInfo, L"InstallDir", c.dir);
        const std::vector<Step> helpAndF1 = {{'c', IDC_HELP_BUTTON, "", ""}, {'h', 0, "", ""}, kCancel};
        EXPECT_EQ(StartsOf([&] { Advanced("1", "8", "1583", helpAndF1); }), c.started + c.started);
    }
}

// In order: the first case leaves a user name typed, which must not enable OK in the next dialog.
TEST_F(DialogTest, LogonOkWaitsForServerAndUserAndConnectsWithWhatWasTyped) {
    const std::string password = "Secret-7431", u512(512, 'u'), both = "admin " + password + ";",
                      invalid = "Failed to connect to server. The user name or password is not valid on the server.";
    const json logon = {{"user", "admin"}, {"password", password}};
    const json server = {{"servers", {{{"names", {"dbhost"}}, {"logon", logon}}}}};
    ServerScenario scenario(server);
    // storedServer none: no server name from the setup dialog; connects: "server user password;" each.
    struct Case { const char *name, *storedServer; std::vector<Step> steps; INT_PTR result;
                  std::vector<std::string> boxes; std::string connects, server; };
    const Case cases[] = {
        {"no server: OK waits for both boxes, no password needed", nullptr,
         {{'-', 0, "", ">'' '' '' OK(disabled)"}, {'t', USER, "admin", ">'' 'admin' '' OK(disabled)"},
          {'t', SERVER, "dbhost", ">'dbhost' 'admin' '' OK"}, {'t', USER, "", ">'dbhost' '' '' OK(disabled)"},
          {'t', USER, "admin", ">'dbhost' 'admin' '' OK"}, {'t', SERVER, "", ">'' 'admin' '' OK(disabled)"},
          kCancel}, IDCANCEL, {}, "", ""},
        {"a wrong password keeps the dialog and the typing; the right one connects", "dbhost",
         {{'-', 0, "", ">'dbhost' '' '' OK(disabled)"}, {'t', USER, "admin", ""}, {'t', PASSWORD, "wrong", ""},
          {'c', IDOK, "", ">'dbhost' 'admin' 'wrong' OK"}, {'t', PASSWORD, password, ""}, kOk},
         IDOK, {invalid}, "dbhost admin wrong;dbhost " + both, "dbhost"},
        {"past 512 characters refused, not cut; 512 sent whole", nullptr,
         {{'t', SERVER, "dbhost", ""}, {'t', USER, u512, ""}, {'t', PASSWORD, std::string(513, 'p'), ""},
          {'c', IDOK, "", ""}, {'t', PASSWORD, "wrong", ""}, {'c', IDOK, "", ""}, kCancel},
         IDCANCEL, {"The server name, user name and password can each be at most 512 characters long. Please "
                    "shorten them and try again.", invalid}, "dbhost " + u512 + " wrong;", "dbhost"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scenario.write(server);
        record_ = {}, Settings = &record_, RemoteSession = kNoRemoteSession;
        if ((HasServerName = c.storedServer != nullptr)) record_.ServerName.set(c.storedServer);
        MessageBoxRecorder recorder(ModuleInstance);
        EXPECT_EQ(RunDialog(ModuleInstance, IDD_LOGON, owner_, LogonDlgProc, c.steps, {SERVER, USER, PASSWORD, IDOK},
                            &dialog_), c.result);
        Boxes boxes;
        for (const std::string& t : c.boxes) boxes.push_back({dialog_, t, kSetupCaption, kStopBox});
        EXPECT_EQ(recorder.boxes(), boxes);
        std::string connects;
        for (const auto& e : scenario.read().value("connects", json::array()))
            connects += e.value("server", "") + " " + e.value("user", "") + " " + e.value("password", "") + ";";
        EXPECT_EQ(connects, c.connects);
        EXPECT_EQ(record_.ServerName.value.c_str(), c.server);
        EXPECT_EQ(RemoteSession != kNoRemoteSession, c.result == IDOK);
        if (RemoteSession != kNoRemoteSession) DBUDisconnect(&RemoteSession);
        // The password is kept nowhere the product writes: the record, the profile, its keys.
        EXPECT_EQ(std::string(reinterpret_cast<char*>(&record_), sizeof record_).find(password), std::string::npos);
        for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
            for (const char* key : {"Software\\ODBC", "Software\\Quillmere Software"})
                EXPECT_EQ(RegistryText(hive, key).find(password), std::string::npos) << key;
    }
}

// Get List: a sorted combo box of the connected server's databases, the engine's own left out,
// every failure one message box.
TEST_F(DialogTest, DatabaseListIsSortedWithoutTheSystemDatabase) {
    HWND combo = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST | CBS_SORT, 0, 0, 200, 100, owner_,
                                 reinterpret_cast<HMENU>(INT_PTR{105}), nullptr, nullptr);
    const json mixed = {"zeta", "QUILLMERESYSDB", "DEMODATA", "Quillmeresysdb_old", "TWENTYCHARACTERSNAME",
                        "a.QuillmereSysDB", "ABCDEFQUILLMERESYSDB"};
    const std::string count = "An error occurred while trying to retrieve database names on server machine. ";
    struct Case { const char* name; json databases, inject, answers; std::string items, box; };
    const Case cases[] = {
        {"none", json::array(), {}, {}, "", ""},
        {"system database hidden by substring in any case, up to 20 characters", mixed, {}, {},
         "DEMODATA|TWENTYCHARACTERSNAME|zeta|", ""},
        {"2300 with two slots", mixed, {{"DBUGetInfo:4117", 2300}}, {{"4117.claimBytes", 40}}, "zeta|", ""},
        {"a partial slot read as far as delivered", {"FIRSTDATABASE", "SECONDDATABASE"}, {}, {{"4117.claimBytes", 30}},
         "FIRSTDATABASE|SECONDDATA|", ""},
        {"count fails", mixed, {{"DBUGetInfo:4115", 7103}}, {}, "", count + "No session to the server is open."},
        {"names fail", mixed, {{"DBUGetInfo:4117", 7107}}, {}, "",
         "Failed to retrieve database names from remote server. The server could not read the request."},
        // More databases than one request can carry: the first 3,276 the server sends.
        {"65,535 databases", nullptr, {}, {}, "3276 names", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        json server = {{"names", {"dbhost"}}, {"databases", json::array()},
                       {"generatedDatabases", {{"count", c.databases.is_null() ? 65535 : 0}}}};
        for (const json& name : c.databases) server["databases"].push_back({{"name", name}});
        ServerScenario scenario(json{{"servers", {server}}, {"inject", c.inject}, {"answers", c.answers}});
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("left over"));
        ASSERT_EQ(DBUConnect("dbhost", "", "", &RemoteSession), 0);
        ServerType = 1;
        MessageBoxRecorder boxes(ModuleInstance);
        EXPECT_EQ(FillDatabaseList(owner_, 105), c.box.empty() ? 1 : 0);
        std::string items;
        const LRESULT n = SendMessageA(combo, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n && n < 100; ++i) {
            char text[64] = {};
            SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            items += text + std::string("|");
        }
        EXPECT_EQ(n < 100 ? items : std::to_string(n) + " names", c.items);
        EXPECT_EQ(boxes.boxes(), (c.box.empty() ? Boxes{} : Boxes{{owner_, c.box, kSetupCaption, kStopBox}}));
        DBUDisconnect(&RemoteSession);
    }
}

// HelpDlgProc serves a host's modeless dialog (made in memory: no template of the library
// uses it): centred on its owner, or on the desktop without one; gone on OK or Cancel.
TEST_F(DialogTest, HelpDlgProcCentresAHostsDialogOnItsOwnerAndClosesOnOkOrCancel) {
    struct { DLGTEMPLATE header; WORD menu, windowClass, title; } form = {{WS_POPUP, 0, 0, 0, 0, 100, 60}, 0, 0, 0};
    for (auto [parent, close] : {std::pair{HWND(owner_), IDOK}, {nullptr, IDCANCEL}}) {
        HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), &form.header, parent, HelpDlgProc, 0);
        RECT own, around;
        GetWindowRect(dialog, &own), GetWindowRect(parent ? parent : GetDesktopWindow(), &around);
        EXPECT_NEAR(own.left + own.right, around.left + around.right, 1) << parent;  // the same middle
        EXPECT_NEAR(own.top + own.bottom, around.top + around.bottom, 1) << parent;
        SendMessageA(dialog, WM_COMMAND, close, 0);
        EXPECT_FALSE(IsWindow(dialog));
    }
}

const char kPlain[] = "DRIVER={" QM_TEST_DRIVER "};DBQ=DEMODATA;ServerName=dbhost.1583;TransportHint=TCP:SPX";
const char kRecord[] = "DBQ=DEMODATA\0ServerName=dbhost\0TCPPort=1583\0TransportHint=TCP:SPX\0";
const char kTest[] = "Test Connection", kErrors[] = "Errors during connection", kNotReached[] = "<not reached>";
const UINT kNotice = MB_OK | MB_ICONINFORMATION;

// A connection that cannot be allocated (through the test program's imports): the
// environment's error record, as a Driver Manager keeps one, answered through SQLError.
int ErrorsLeft = 0;
SQLRETURN SQL_API FailConnectAllocation(SQLHENV, SQLHDBC*) { return SQL_ERROR; }
SQLRETURN SQL_API EnvironmentError(SQLHENV, SQLHDBC connection, SQLHSTMT, SQLCHAR*, SQLINTEGER*, SQLCHAR* text,
                                   SQLSMALLINT, SQLSMALLINT*) {
    if (connection != SQL_NULL_HDBC || ErrorsLeft-- <= 0) return SQL_NO_DATA;
    return std::strcpy(reinterpret_cast<char*>(text), "No more connections."), SQL_SUCCESS;
}
struct NoConnection {
    ImportHook failing{"odbc32.dll", "SQLAllocConnect", &FailConnectAllocation};
    ImportHook errors{"odbc32.dll", "SQLError", &EnvironmentError};
};

// The driver's records are listed in the scenario first to last. unixODBC 2.3's SQLError
// (what Wine's odbc32 reaches) hands a connection's records out newest first, so the boxes,
// which follow SQLError, come last to first.
TEST_F(DialogTest, TestConnectionReportsWhatTheDriverAnswers) {
    ASSERT_NE(std::getenv("QM_ODBC_SCENARIO"), nullptr) << "ctest sets the driver's files";
    const std::string e510(510, 'e'), tooLong = "DBQ=" + std::string(512, 'D') + '\0';
    struct Case { const char *name, *attributes; std::string scenario; const char* received; int result; Boxes boxes;
                  bool noConnection = false; };
    const Case cases[] = {
        {"success", kRecord, "return success\n", kPlain, 1, {{owner_, "Connection successful!", kTest, kNotice}}},
        {"success with two messages", kRecord,
         "return info\ndiag 01000 11 Server dbhost answers slowly.\ndiag 01004 12 Client name cut to 15 characters.\n",
         kPlain, 1,
         {{owner_, "Connection completed successful, possibly with a nonfatal error. ", kTest, kNotice},
          {nullptr, "Client name cut to 15 characters.", kErrors, kStopBox},
          {nullptr, "Server dbhost answers slowly.", kErrors, kStopBox}}},
        {"three errors, the longest text whole", kRecord,
         "return error\ndiag 08001 21 Server dbhost not found.\ndiag 28000 22 Logon refused.\ndiag HY000 23 " + e510,
         kPlain, 0,
         {{nullptr, e510, kErrors, kStopBox}, {nullptr, "Logon refused.", kErrors, kStopBox},
          {nullptr, "Server dbhost not found.", kErrors, kStopBox}}},
        {"settings past 512 characters are not sent cut", tooLong.c_str(), "return success\n", kNotReached, 0,
         {{owner_, "The connection string would be longer than 512 characters; shorten the settings to test them.",
           kErrors, kStopBox}}},
        {"no connection handle", kRecord, "return success\n", kNotReached, 0,
         {{nullptr, "No more connections.", kErrors, kStopBox}}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<NoConnection> hooks;
        if (c.noConnection) hooks.emplace(), ErrorsLeft = 1;
        MessageBoxRecorder recorder(ModuleInstance);
        std::string received;
        EXPECT_EQ(Tested(c.attributes, c.scenario, received), c.result);
        EXPECT_EQ(received, c.received);
        EXPECT_EQ(recorder.boxes(), c.boxes);
    }
}

}  // namespace
