// The setup dialog as a user meets it: the real installer's SQLConfigDataSource with an owner
// window and the driver registered by SQLInstallDriverEx, the dialog worked from another thread,
// "odbc.ini", the stand-in server and the stand-in ODBC driver read back afterwards.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <cstdlib>
#include <map>
#include <thread>

#include "resources/resource_ids.h"
#include "tests/support/dialog_bench.h"
#include "tests/support/file_text.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/odbc_profile.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/server_scenario.h"

namespace {

using nlohmann::json;
enum { DSN = IDC_SETUP_DSN, DESC = IDC_SETUP_DESCRIPTION, SERVER = IDC_SETUP_SERVER, HINT = IDC_SETUP_HINT,
       DB = IDC_SETUP_DATABASE, LIST = IDC_SETUP_GET_LIST, CREATE = IDC_SETUP_CREATE, TEST = IDC_SETUP_TEST,
       ADVANCED = IDC_SETUP_ADVANCED };
// A box's owner: the setup dialog, or a dialog it opened.
const HWND kTheDialog = reinterpret_cast<HWND>(1), kInner = reinterpret_cast<HWND>(2);
const std::string kDriver = kClientDriverName, kFirst = "Try TCPIP first, then SPX";
const Step kOk{'c', IDOK, "", "closed"}, kCancel{'c', IDCANCEL, "", "closed"}, kGetList{'c', LIST, "", ""};
std::string UnixFile(const char* variable) { return std::string("Z:") + std::getenv(variable); }

struct SetupDialogTest : ::testing::Test {
    static void SetUpTestSuite() { ASSERT_TRUE(RegisterClientDriver(ExecutableFolder())); }
    void TearDown() override { ForgetDsn("Sales"); }
    HMODULE library_ = LoadLibraryA((ExecutableFolder() + "\\DSNSET64.dll").c_str());
    PopupWindow owner_{100, 100, 500, 400};
};

TEST_F(SetupDialogTest, AddAndConfigureThroughTheInstaller) {
    ProductRegistrySandbox registry;
    registry.Set(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL Client\\InstallInfo",
                 L"InstallDir", L"C:\\Qm");
    const json version = {{"1", {{"major", 9}}}};
    const json servers = {DemoServer(), {{"names", {"onlysys"}}, {"versions", version}, {"databases", {{{"name",
        "QUILLMERESYSDB"}}}}}, {{"names", {"localhost"}}, {"versions", version}}, {{"names", {"noengine"}}}};
    const std::string help = "C:\\Qm\\bin|keyhh -qmsw -#mapid 30000", chm = " \"C:\\Qm\\Docs\\qmswdocs.chm>$global_qmhelp\"\n";
    const auto written = [](const std::string& dbq, const std::string& description, const std::string& hint) {
        return "ArrayBufferSize=8 ArrayFetchOn=1 DBQ=" + dbq + " Description=" + description + " QmTranslate= ServerDSN= "
               "ServerName=dbhost.1583 TCPPort=1583 TranslationDLL= TranslationOption= TransportHint=" + hint;
    };
    const auto shown = [](const std::string& server, const std::string& rest) {  // a new DSN's state line
        return ">'Sales' '" + kDriver + "' '" + server + "' '" + kFirst + "' " + rest;
    };
    const std::string added = written("DEMODATA", kDriver, "TCP:SPX");
    const std::string port = "The TCP/IP port number is empty. Please enter a port number in the Advanced Connection "
                             "Attributes, or choose Default there, and try again.";
    const std::vector<std::string> given = {"DSN=Sales", "ServerName=dbhost", "DBQ=DEMODATA"};
    const std::map<std::string, std::string> sales = {{"Description", "Sales data"}, {"ServerName", "dbhost.2000"},
        {"TCPPort", "2000"}, {"TransportHint", "SPX"}, {"DBQ", "DEMODATA"}, {"ArrayFetchOn", "0"}};
    struct Case { const char* name; WORD request; std::vector<std::string> attributes; std::map<std::string, std::string>
                  stored; std::vector<Step> steps; std::vector<int> answers; BOOL result; Boxes boxes; std::string keys,
                  starts = "", received = ""; };
    const Case cases[] = {
        {"add with no attributes: Get List, a database, OK", ODBC_ADD_DSN, {}, {},
         {{'-', 0, "", ">'' '" + kDriver + "' 'localhost' '" + kFirst + "' ''(disabled) Get List OK(disabled)"},
          {'t', DSN, "Sales", ""}, {'t', SERVER, "dbhost", ""}, kGetList, {'-', 0, "", shown("dbhost", "'DEFAULTDB' Get List OK")},
          {'s', DB, "DEMODATA", ""}, kOk}, {}, TRUE, {}, added},
        {"configure: every stored value shown, in Advanced too; help; a keystroke in the server box; Cancel", 2,
         {"DSN=Sales"}, sales,
         {{'-', 0, "", ">'Sales' 'Sales data' 'dbhost' 'Try SPX only' 'DEMODATA' Get List OK"}, {'o', ADVANCED, "", ""},
          {'-', 0, "", ">[ ] '2000' OK"}, {'h', 0, "", ""}, kCancel, {'h', 0, "", ""}, {'c', IDC_HELP_BUTTON, "", ""},
          {'t', SERVER, "dbhostX", ">'Sales' 'Sales data' 'dbhostX' 'Try SPX only' ''(disabled) Get List OK(disabled)"},
          kCancel}, {}, FALSE, {}, "ArrayFetchOn=0 DBQ=DEMODATA Description=Sales data ServerName=dbhost.2000 "
         "TCPPort=2000 TransportHint=SPX", help + "4" + chm + help + "8" + chm + help + "8" + chm},
        {"a stored server of five characters, a lower-case hint kept, an empty description said nothing of", 2,
         {"DSN=Sales"}, {{"ServerName", ".1583"}, {"TransportHint", "tcp:spx"}, {"Description", ""}, {"DBQ", "DEMODATA"}},
         {{'-', 0, "", ">'Sales' '' '' '' 'DEMODATA' Get List(disabled) OK(disabled)"}, {'t', SERVER, "dbhost", ""},
          kGetList, {'-', 0, "", ">'Sales' '' 'dbhost' '' 'DEMODATA' Get List OK"}, kOk}, {}, TRUE, {},
         written("DEMODATA", "", "tcp:spx")},
        {"nothing stored but the server: description, hint and database said missing", 2, {"DSN=Sales"},
         {{"ServerName", "dbhost.1583"}}, {{'-', 0, "", shown("dbhost", "''(disabled) Get List OK(disabled)")}, kCancel},
         {}, FALSE,
         {{kTheDialog, "The description of the DSN is not available. It may have been deleted.\n It is now set to the "
           "default description 'Quillmere ODBC Interface'.", kSetupCaption, MB_ICONINFORMATION},
          {kTheDialog, "The transport hint for the server name is not available. It is now set to the default value.",
           kSetupCaption, MB_ICONINFORMATION},
          {kTheDialog, "Neither the Engine DSN or the Database Name referenced by this Client DSN could be retrieved. "
           "The Engine DSN or the Database Name might have been deleted.", kSetupCaption, kStopBox}},
         "ServerName=dbhost.1583"},
        {"an engine DSN without a database: OK waits for one; its key goes", 2, {"DSN=Sales"},
         {{"ServerName", "dbhost.1583"}, {"ServerDSN", "DEMO"}, {"Description", "d"}, {"TransportHint", "TCP"}},
         {{'-', 0, "", ">'Sales' 'd' 'dbhost' 'Try TCPIP only' ''(disabled) Get List OK(disabled)"}, kGetList, kOk}, {},
         TRUE, {}, written("DEFAULTDB", "d", "TCP")},
        {"Get List finds a given name by its beginning from the second entry; none, or only the system's", 1,
         {"DSN=Sales", "ServerName=dbhost", "DBQ=DE"},
         {}, {{'-', 0, "", shown("dbhost", "'DE' Get List OK")}, kGetList, {'-', 0, "", shown("dbhost", "'DEMODATA' Get "
              "List OK")}, {'t', SERVER, "onlysys", ""}, kGetList, {'-', 0, "", shown("onlysys", "''(disabled) Get List "
              "OK(disabled)")}, kCancel}, {}, FALSE, {}, ""},
        {"a name nobody's begins with selects nothing; 32 and 80 characters typed at most", 1,
         {"DSN=Sales", "ServerName=dbhost", "DBQ=NOPE"}, {}, {kGetList, {'t', DESC, "", ""},
          {'k', DSN, std::string(33, 'N'), ""}, {'k', DESC, std::string(81, 'd'), ""}, {'-', 0, "", ">'" +
          std::string(32, 'N') + "' '" + std::string(80, 'd') + "' 'dbhost' '" + kFirst + "' ''(disabled) Get List "
          "OK(disabled)"}, kCancel}, {}, FALSE, {}, ""},
        {"a commit that fails keeps the dialog and the typing", 1, {"DSN=Sa;les", "ServerName=dbhost", "DBQ=DEMODATA"},
         {}, {{'c', IDOK, "", ">'Sa;les' '" + kDriver + "' 'dbhost' '" + kFirst + "' 'DEMODATA' Get List OK"},
              {'t', DSN, "Sales", ""}, kOk}, {}, TRUE, {{nullptr, "'Sa;les' cannot be used as a data source name. "
         "Make sure that the data source name does not contain more than 32 characters and it doesn't contain any of "
         "the following characters: [ ] { } ( ) ? * = ! @ , ;", kSetupCaption, kStopBox}}, added},
        {"Create: Logon for another computer; a refused name leaves no database given; the new one selected", 1,
         {"DSN=Sales", "ServerName=dbhost"},
         {}, {{'o', CREATE, "", ""}, {'t', IDC_LOGON_USER, "admin", ""}, {'c', IDOK, "", "closed"}, {'o', 0, "", ""},
              {'t', IDC_CREATE_NAME, "DEMODATA", ""}, {'t', IDC_CREATE_DICTIONARY, "\\\\srv\\d", ""},
              {'c', IDOK, "", ""}, {'c', IDCANCEL, "", "closed"}, kGetList, {'-', 0, "", shown("dbhost", "'DEFAULTDB' Get "
              "List OK")}, {'o', CREATE, "", ""}, {'t', IDC_LOGON_USER, "admin", ""}, {'c', IDOK, "", "closed"}, {'o', 0, "", ""},
              {'t', IDC_CREATE_NAME, "NEWDB", ">'NEWDB' OK(disabled)"}, {'t', IDC_CREATE_DICTIONARY, "\\\\srv\\d", ""},
              {'p', IDC_CREATE_BOUND, "", ""}, {'c', IDOK, "", "closed"},
              {'-', 0, "", shown("dbhost", "'NEWDB' Get List OK")}, kOk}, {}, TRUE, {{kInner, "The database name must be "
              "unique. The specified name already exists. Please specify another database name.", kSetupCaption,
              kStopBox}}, written("NEWDB", kDriver, "TCP:SPX")},
        {"Create on this computer: no Logon; a failed probe leaves no session; a server not reached", 1, {"DSN=Sales"},
         {}, {{'o', CREATE, "", ""}, {'-', 0, "", ">'' OK(disabled)"}, {'c', IDCANCEL, "", "closed"},
              {'t', SERVER, "noengine", ""}, kGetList, {'t', SERVER, "nowhere", ""}, kGetList, kCancel}, {}, FALSE,
         {{kTheDialog, "Cannot connect to Quillmere.SQL Server Engine, Workgroup Engine or Workstation Engine. Make sure "
           "either the Quillmere.SQL Server is started or Quillmere.SQL Workstation Engine is installed.", kSetupCaption,
           kStopBox}, {kTheDialog, "Failed to connect to local server. The server could not be reached.", kSetupCaption,
           kStopBox}}, ""},
        {"Test and OK agree on the port: a port cleared in Advanced is refused by both; Default brings it back", 1, given,
         {}, {{'o', ADVANCED, "", ""}, {'p', IDC_TCP_PORT_DEFAULT, "", "[x] '' OK(disabled)"}, kCancel,
              {'c', TEST, "", ""}, {'c', IDOK, "", ""}, {'o', ADVANCED, "", ""}, {'p', IDC_TCP_PORT_DEFAULT, "", ""},
              {'c', IDOK, "", "closed"}, {'c', TEST, "", ""}, kOk}, {}, TRUE,
         {{kTheDialog, port, kSetupCaption, kStopBox}, {kTheDialog, port, kSetupCaption, kStopBox},
          {kTheDialog, "Connection successful!", "Test Connection", MB_ICONINFORMATION}}, added, "",
         "DRIVER={" + kDriver + "};DBQ=DEMODATA;ServerName=dbhost.1583;TransportHint=TCP:SPX"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ServerScenario scenario(json{{"servers", servers}});
        ForgetDsn("Sales");
        ASSERT_TRUE(c.stored.empty() || CreateDsn("Sales", c.stored));
        MessageBoxRecorder recorder(library_);
        for (int answer : c.answers) recorder.answer(answer);
        const std::string list = AttributeList(c.attributes), receivedFile = UnixFile("QM_ODBC_RECEIVED");
        std::remove(receivedFile.c_str());
        std::ofstream(UnixFile("QM_ODBC_SCENARIO"), std::ios::binary) << "return success\n";
        HWND dialog = nullptr;
        const std::string starts = StartsOf([&] {
            EXPECT_EQ(DriveDialog(owner_, [&] { return INT_PTR(SQLConfigDataSource(owner_, c.request, kDriver.c_str(),
                                                                                   list.c_str())); },
                                  c.steps, {DSN, DESC, SERVER, HINT, DB, LIST, IDC_ARRAY_FETCH, IDC_TCP_PORT,
                                            IDC_CREATE_NAME, IDOK}, &dialog), c.result);
        }, library_);
        Boxes boxes = recorder.boxes();
        for (RecordedMessageBox& box : boxes) box.owner = box.owner == dialog ? kTheDialog : box.owner ? kInner : nullptr;
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(DsnKeys("Sales"), c.keys);
        EXPECT_EQ(starts, c.starts);
        EXPECT_EQ(GetFileAttributesA(receivedFile.c_str()) == INVALID_FILE_ATTRIBUTES ? "" : ReadWholeFile(receivedFile),
                  c.received);
        EXPECT_EQ(scenario.counter("openSessions"), 0);  // each command closed what it opened
    }
}

// A new name typed over a stored DSN renames it: the new name written whole, the old one gone.
TEST_F(SetupDialogTest, ANewNameRenamesTheDsn) {
    ServerScenario scenario(json{{"servers", {DemoServer()}}});
    ASSERT_TRUE(CreateDsn("Sales", {{"ServerName", "dbhost.1583"}, {"DBQ", "DEMODATA"}, {"Description", "d"},
                                    {"TransportHint", "TCP"}}));
    const std::string list = AttributeList({"DSN=Sales"});
    EXPECT_EQ(DriveDialog(owner_, [&] { return INT_PTR(SQLConfigDataSource(owner_, 2, kDriver.c_str(), list.c_str())); },
                          {{'t', DSN, "Sales2", ""}, kOk}, {}), TRUE);
    EXPECT_EQ(std::to_string(DsnListed("Sales")) + std::to_string(DsnListed("Sales2")) + " " +
              ReadDsnKey("Sales2", "Description"), "01 d");
    ForgetDsn("Sales2");
}

// The exported dialogs belong to the call's thread: run on another thread while a call shows
// its dialog, each closes at once and the call's dialog goes on as it was.
TEST_F(SetupDialogTest, ExportedDialogsOnAnotherThreadCloseAtOnce) {
    std::string results;
    std::thread other([&] {
        HWND setup = nullptr;
        for (int i = 0; i < 400 && !(setup = FindWindowA("#32770", kSetupCaption)); ++i) Sleep(50);
        for (auto [name, id] : {std::pair{"AdvancedDlgProc", 115}, {"LogonDlgProc", 111}, {"SetupDlgProc", 110}}) {
            auto procedure = reinterpret_cast<DLGPROC>(reinterpret_cast<void*>(GetProcAddress(library_, name)));
            results += std::to_string(DialogBoxParamA(library_, MAKEINTRESOURCEA(id), nullptr, procedure, 0)) + " ";
        }
        char name[64] = {};
        results += std::string(name, GetDlgItemTextA(setup, DSN, name, sizeof name));
        PostMessageA(setup, WM_COMMAND, IDCANCEL, 0);
    });
    const std::string list = AttributeList({"DSN=Sales", "ServerName=dbhost"});
    EXPECT_EQ(DriveDialog(owner_, [&] { return INT_PTR(SQLConfigDataSource(owner_, 1, kDriver.c_str(), list.c_str())); },
                          {}, {}), FALSE);
    other.join();
    EXPECT_EQ(results, "2 2 2 Sales");
    EXPECT_EQ(DsnKeys("Sales"), "");
}

}  // namespace
