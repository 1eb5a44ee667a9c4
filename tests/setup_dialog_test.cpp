// The setup dialog as a user meets it: the real installer's SQLConfigDataSource with an owner
// window and the driver registered by SQLInstallDriverEx, the dialog worked from another thread,
// "odbc.ini", the stand-in server and the stand-in ODBC driver read back afterwards.
#include <gtest/gtest.h>
#include <windows.h>

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
enum { DSN = IDC_SETUP_DSN, DESC = IDC_SETUP_DESCRIPTION, SERVER = IDC_SETUP_SERVER, DB = IDC_SETUP_DATABASE,
       LIST = IDC_SETUP_GET_LIST, TEST = IDC_SETUP_TEST, ADVANCED = IDC_SETUP_ADVANCED };
// A box's owner: the setup dialog, or a dialog it opened.
const HWND kTheDialog = reinterpret_cast<HWND>(1), kInner = reinterpret_cast<HWND>(2);
const std::string kDriver = kClientDriverName, kFirst = "Try TCPIP first, then SPX";
const Step kOk{'c', IDOK, "", "closed"}, kCancel{'c', IDCANCEL, "", "closed"}, kGetList{'c', LIST, "", ""};
std::string UnixFile(const char* variable) { return std::string("Z:") + std::getenv(variable); }

struct SetupDialogTest : ::testing::Test {
    static void SetUpTestSuite() { ASSERT_TRUE(RegisterClientDriver(ExecutableFolder())); }
    void TearDown() override { ForgetDsn("Sales"), ForgetDsn("Sales2"); }
    HMODULE library_ = LoadLibraryA((ExecutableFolder() + "\\DSNSET64.dll").c_str());
    PopupWindow owner_{100, 100, 500, 400};
};

TEST_F(SetupDialogTest, AddAndConfigureThroughTheInstaller) {
    ProductRegistrySandbox registry;
    registry.Set(HKEY_LOCAL_MACHINE, kClientInstallInfo, L"InstallDir", L"C:\\Qm");
    const json servers = {DemoServer(), {{"names", {"localhost"}}, {"versions", {{"1", {{"major", 9}}}}}},
                          {{"names", {"noengine"}}}};
    const std::string help = "C:\\Qm\\bin|keyhh -qmsw -#mapid 300008 \"C:\\Qm\\Docs\\qmswdocs.chm>$global_qmhelp\"\n";
    const auto written = [](const std::string& dbq, const std::string& description, const std::string& hint) {
        return "ArrayBufferSize=8 ArrayFetchOn=1 DBQ=" + dbq + " Description=" + description + " QmTranslate= ServerDSN= "
               "ServerName=dbhost.1583 TCPPort=1583 TranslationDLL= TranslationOption= TransportHint=" + hint;
    };
    const std::string fresh = "' '" + kDriver + "' '";  // a new DSN's description in a state line
    const RecordedMessageBox port{kTheDialog, "The TCP/IP port number is empty. Please enter a port number in the Advanced "
        "Connection Attributes, or choose Default there, and try again.", kSetupCaption, kStopBox};
    const Step create{'o', IDC_SETUP_CREATE, "", ""}, logon{'t', IDC_LOGON_USER, "admin", ""}, shows{'o', 0, "", ""};
    // seen: the DSN's keys in "odbc.ini" (a renamed one's after them), the programs started, what the driver received.
    struct Case { const char* name; WORD request; std::vector<std::string> attributes; std::map<std::string, std::string>
                  stored; std::vector<Step> steps; BOOL result; Boxes boxes; std::string seen; };
    const Case cases[] = {
        {"add with no attributes: 32 and 80 characters typed at most; Create: Logon for another computer, a refused "
         "name leaves no database given (Get List selects the first name), the new one selected", 1, {}, {},
         {{'-', 0, "", ">'" + fresh + "localhost' '" + kFirst + "' ''(disabled) Get List OK(disabled)"},
          {'k', DSN, std::string(33, 'N'), ""}, {'t', DESC, "", ""}, {'k', DESC, std::string(81, 'd'), ""},
          {'t', SERVER, "dbhost", ""}, create, logon, kOk, shows, {'t', IDC_CREATE_NAME, "DEMODATA", ""},
          {'t', IDC_CREATE_DICTIONARY, "\\\\srv\\d", ""}, {'c', IDOK, "", ""}, kCancel, kGetList, {'-', 0, "", ">'" +
          std::string(32, 'N') + "' '" + std::string(80, 'd') + "' 'dbhost' '" + kFirst + "' 'DEFAULTDB' Get List OK"},
          create, logon, kOk, shows, {'t', IDC_CREATE_NAME, "NEWDB", ""}, {'t', IDC_CREATE_DICTIONARY, "\\\\srv\\d", ""},
          kOk, {'t', DSN, "Sales", ""}, kOk}, TRUE, {{kInner, "The database name must be unique. The specified name "
          "already exists. Please specify another database name.", kSetupCaption, kStopBox}},
         written("NEWDB", std::string(80, 'd'), "TCP:SPX")},
        {"configure: every stored value shown, in Advanced too; help; a keystroke in the server box; Cancel", 2,
         {"DSN=Sales"}, {{"Description", "Sales data"}, {"ServerName", "dbhost.2000"}, {"TCPPort", "2000"},
         {"TransportHint", "SPX"}, {"DBQ", "DEMODATA"}, {"ArrayFetchOn", "0"}},
         {{'-', 0, "", ">'Sales' 'Sales data' 'dbhost' 'Try SPX only' 'DEMODATA' Get List OK"}, {'o', ADVANCED, "", ""},
          {'-', 0, "", ">[ ] '2000' OK"}, kCancel, {'h', 0, "", ""}, {'c', IDC_HELP_BUTTON, "", ""},
          {'t', SERVER, "dbhostX", ">'Sales' 'Sales data' 'dbhostX' 'Try SPX only' ''(disabled) Get List OK(disabled)"},
          kCancel}, FALSE, {}, "ArrayFetchOn=0 DBQ=DEMODATA Description=Sales data ServerName=dbhost.2000 TCPPort=2000 "
         "TransportHint=SPX" + help + help},
        {"stored: a server of five characters, a lower-case hint, an empty description, an engine DSN without a "
         "database, none said missing; OK drops the engine DSN's key; a new name renames the DSN", 2, {"DSN=Sales"},
         {{"ServerName", ".1583"}, {"TransportHint", "tcp:spx"}, {"Description", ""}, {"ServerDSN", "DEMO"}},
         {{'-', 0, "", ">'Sales' '' '' '' ''(disabled) Get List(disabled) OK(disabled)"}, {'t', SERVER, "dbhost", ""},
          kGetList, {'t', DSN, "Sales2", ""}, kOk}, TRUE, {}, "Sales2: " + written("DEFAULTDB", "", "tcp:spx")},
        {"nothing stored but the server: description, hint and database said missing; Create on this computer: no "
         "Logon; a failed probe leaves no session; a server not reached", 2, {"DSN=Sales"}, {{"ServerName",
         "localhost.1583"}}, {{'-', 0, "", ">'Sales" + fresh + "localhost' '" + kFirst + "' ''(disabled) Get List "
          "OK(disabled)"}, create, {'-', 0, "", ">'' OK(disabled)"}, kCancel, {'t', SERVER, "noengine", ""}, kGetList,
          {'t', SERVER, "nowhere", ""}, kGetList, kCancel}, FALSE,
         {{kTheDialog, "The description of the DSN is not available. It may have been deleted.\n It is now set to "
           "the default description 'Quillmere ODBC Interface'.", kSetupCaption, MB_ICONINFORMATION},
          {kTheDialog, "The transport hint for the server name is not available. It is now set to the default value.",
           kSetupCaption, MB_ICONINFORMATION},
          {kTheDialog, "Neither the Engine DSN or the Database Name referenced by this Client DSN could be retrieved. "
           "The Engine DSN or the Database Name might have been deleted.", kSetupCaption, kStopBox},
          {kTheDialog, "Cannot connect to Quillmere.SQL Server Engine, Workgroup Engine or Workstation Engine. Make "
           "sure either the Quillmere.SQL Server is started or Quillmere.SQL Workstation Engine is installed.",
           kSetupCaption, kStopBox}, {kTheDialog, "Failed to connect to local server. The server could not be reached.",
           kSetupCaption, kStopBox}}, "ServerName=localhost.1583"},
        {"Get List finds a given name by its beginning from the second entry; Test and OK agree on the port: a port "
         "cleared in Advanced is refused by both, and OK keeps the dialog and the typing; Default brings it back", 1,
         {"DSN=Sales", "ServerName=dbhost", "DBQ=DE"}, {}, {{'-', 0, "", ">'Sales" + fresh + "dbhost' '" + kFirst +
          "' 'DE' Get List OK"}, kGetList, {'o', ADVANCED, "", ""}, {'p', IDC_TCP_PORT_DEFAULT, "", "[x] '' OK(disabled)"},
          kCancel, {'c', TEST, "", ""}, {'c', IDOK, "", ""}, {'o', ADVANCED, "", ""}, {'p', IDC_TCP_PORT_DEFAULT, "", ""},
          kOk, {'c', TEST, "", ""}, kOk},
         TRUE, {port, port, {kTheDialog, "Connection successful!", "Test Connection", MB_ICONINFORMATION}},
         written("DEMODATA", kDriver, "TCP:SPX") + "DRIVER={" + kDriver + "};DBQ=DEMODATA;ServerName=dbhost.1583;"
         "TransportHint=TCP:SPX"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ServerScenario scenario(json{{"servers", servers}});
        ForgetDsn("Sales"), ForgetDsn("Sales2");
        ASSERT_TRUE(c.stored.empty() || CreateDsn("Sales", c.stored));
        MessageBoxRecorder recorder(library_);
        const std::string list = AttributeList(c.attributes), received = UnixFile("QM_ODBC_RECEIVED");
        DeleteFileA(received.c_str());
        std::ofstream(UnixFile("QM_ODBC_SCENARIO"), std::ios::binary) << "return success\n";
        HWND dialog = nullptr;
        const auto call = [&] { return INT_PTR(SQLConfigDataSource(owner_, c.request, kDriver.c_str(), list.c_str())); };
        const std::string starts = StartsOf([&] {
            EXPECT_EQ(DriveDialog(owner_, call, c.steps, {DSN, DESC, SERVER, IDC_SETUP_HINT, DB, LIST, IDC_ARRAY_FETCH,
                                                          IDC_TCP_PORT, IDC_CREATE_NAME, IDOK}, &dialog), c.result);
        }, library_);
        Boxes boxes = recorder.boxes();
        for (RecordedMessageBox& box : boxes) box.owner = box.owner == dialog ? kTheDialog : box.owner ? kInner : nullptr;
        EXPECT_EQ(boxes, c.boxes);
        // WINE8: the installer's remove leaves a DSN's keys behind: a DSN counts while it is listed.
        EXPECT_EQ((DsnListed("Sales") ? DsnKeys("Sales") : "") + (DsnListed("Sales2") ? "Sales2: " + DsnKeys("Sales2") :
                  "") + starts + ReadWholeFile(received), c.seen);
        EXPECT_EQ(scenario.counter("openSessions"), 0);  // each command closed what it opened
    }
}

// The exported dialogs belong to the call's thread: run on another thread while a call shows
// its dialog, each closes at once (IDCANCEL) and the call's dialog goes on as it was.
TEST_F(SetupDialogTest, ExportedDialogsOnAnotherThreadCloseAtOnce) {
    std::string results;
    std::thread other([&] {
        HWND setup = nullptr;
        for (int i = 0; i < 400 && !(setup = FindWindowA("#32770", kSetupCaption)); ++i) Sleep(50);
        for (auto [name, id] : {std::pair{"AdvancedDlgProc", 115}, {"LogonDlgProc", 111}, {"SetupDlgProc", 110}})
            results += std::to_string(DialogBoxParamA(library_, MAKEINTRESOURCEA(id), nullptr, reinterpret_cast<DLGPROC>(
                           reinterpret_cast<void*>(GetProcAddress(library_, name))), 0)) + " ";
        char name[64] = {};
        results += std::string(name, GetDlgItemTextA(setup, DSN, name, sizeof name));
        PostMessageA(setup, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(SQLConfigDataSource(owner_, 1, kDriver.c_str(), AttributeList({"DSN=Sales"}).c_str()), FALSE);
    other.join();
    EXPECT_EQ(results, "2 2 2 Sales");
}

}  // namespace
