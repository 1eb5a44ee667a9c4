// The engine DSN dialogs worked as a user would on a session to the stand-in server, whose engine DSNs
// and every engine DSN request, byte for byte, are read back; the opener through the library's export.
#include <gtest/gtest.h>
#include <windows.h>

#include "dialogs/engine_advanced_dialog.h"
#include "dialogs/engine_dsn_dialog.h"
#include "remote/admin_library.h"
#include "remote/server_probe.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"
#include "tests/support/dialog_bench.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/server_scenario.h"

using namespace std::string_literals;
using nlohmann::json;

namespace {

enum { NAME = IDC_ENGINE_NAME, DESCRIPTION = IDC_ENGINE_DESCRIPTION, DATABASE = IDC_ENGINE_DATABASE };
const HWND kTheDialog = reinterpret_cast<HWND>(1), kTheAdvanced = reinterpret_cast<HWND>(2);
const std::initializer_list<int> kIds = {NAME, DESCRIPTION, DATABASE, IDOK, IDC_ENGINE_DICTIONARY, IDC_ENGINE_LOCATIONS,
    IDC_ENGINE_INTEGRITY, IDC_ENGINE_BOUND, IDC_OPEN_NORMAL, IDC_OPEN_READ_ONLY, IDC_OPEN_ACCELERATED, IDC_OPEN_EXCLUSIVE,
    IDC_TRANSLATION_NONE, IDC_TRANSLATION_AUTO, IDC_TRANSLATION_OEM};
const std::string kDefault = "Quillmere ODBC Engine Interface", kDemo = "DEMO:Demo data:DEMODATA:0:0 ",
    kDemodata = "'\\\\dbhost\\data\\demodata' '\\\\dbhost\\data\\demodata' 'No' 'No'";

// 5205 and 5206 (translation, then the name, description, database and open mode items) and
// 5202 (the name item, nine reserved bytes), as the server received them.
std::string Hex(int code, const std::string& bytes) {
    std::string hex = std::to_string(code) + " ";
    for (unsigned char b : bytes) hex += {"0123456789ABCDEF"[b >> 4], "0123456789ABCDEF"[b & 15]};
    return hex + "\n";
}
std::string Item(const std::string& t) { return std::string{char(t.size() + 3), char((t.size() + 3) >> 8)} + t + '\0'; }
std::string Write(int code, char translation, const std::string& name, const std::string& description,
                  const std::string& database, const std::string& openMode) {
    return Hex(code, "\0\0"s + translation + '\0' + Item(name) + Item(description) + Item(database) + Item(openMode));
}
std::string Delete(const std::string& name) { return Hex(5202, "\0\0"s + Item(name) + std::string(9, '\0')); }

json Dsn(const std::string& name, const std::string& database, const std::string& description = "Demo data") {
    return {{"name", name}, {"description", description}, {"database", database}, {"openMode", "0"}, {"translation", 0}};
}

struct EngineDsnTest : ::testing::Test {
    void SetUp() override { record_ = {}, Settings = &record_, ModuleInstance = GetModuleHandleA(nullptr); }
    void TearDown() override { Settings = nullptr; }
    // The engine DSN requests the server received, then "|" and the engine DSNs it holds
    // ("name:description:database:open mode:translation" each).
    static std::string ServerSide(const json& data) {
        std::string held;
        for (const json& r : data.value("requests", json::array()))
            if (r.value("code", 0) / 100 == 52) held += std::to_string(r.value("code", 0)) + " " + r.value("bytes", "") + "\n";
        held += "|";
        for (const json& d : data["servers"][0].value("engineDsns", json::array()))
            held += d.value("name", "") + ":" + d.value("description", "") + ":" + d.value("database", "") + ":" +
                    d.value("openMode", "") + ":" + std::to_string(d.value("translation", 0)) + " ";
        return held;
    }
    DsnSettings record_;
    PopupWindow owner_{100, 100, 400, 300};
};

TEST_F(EngineDsnTest, UserCreatesModifiesRenamesAndOverwritesOnTheServer) {
    ProductRegistrySandbox registry;
    registry.Set(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL Client\\InstallInfo",
                 L"InstallDir", L"C:\\Qm");
    const auto help = [](int topic) {
        return "C:\\Qm\\bin|keyhh -qmsw -#mapid " + std::to_string(topic) + " \"C:\\Qm\\Docs\\qmswdocs.chm>$global_qmhelp\"\n";
    };
    const std::string name32(32, 'E'), d80(80, 'd'), demo = kDemo, demodata = kDemodata, other = "OTHER:Other:DEFAULTDB:0:0 ",
        noSession = "No session to the server is open.", createFailed = "Failed to create Engine DSN on remote server. ",
        noDatabase = "The named database does not exist on the server.";
    const auto box = [](const std::string& text, UINT flags = kStopBox) { return RecordedMessageBox{kTheDialog, text, kSetupCaption, flags}; };
    const auto bad = [&](const std::string& name) {
        return box("'" + name + "' cannot be used as a data source name. Make sure that the data source name does not contain "
                   "more than 32 characters and it doesn't contain any of the following characters: [ ] { } ( ) ? * = ! @ , ;",
                   MB_OK | MB_ICONINFORMATION);
    };
    const RecordedMessageBox exists{kTheDialog, "Data source OTHER already exists.\n Overwrite?", "<null>",
                                    MB_YESNO | MB_ICONQUESTION};
    const RecordedMessageBox noDetails = box("Failed to retrieve information on the remote database. " + noDatabase,
                                             MB_OK | MB_ICONINFORMATION);
    const Step ok{'c', IDOK, "", ""}, saved{'c', IDOK, "", "closed"}, cancel{'c', IDCANCEL, "", "closed"};
    const Step advancedOk{'c', IDOK, "", "closed"};
    struct Case { std::string name; const char* stored; json scenario, dsns; std::vector<Step> steps; std::vector<int> answers;
                  INT_PTR result; Boxes boxes; std::string requests, held, starts = ""; std::uint32_t saved = 0; };
    const std::vector<Case> cases = {
        {"create: defaults, details, a refused name, Advanced, help; a database gone at OK, then created", nullptr,
         {{"inject", {{"DBUSetInfo:5205", {7105}}}}}, {Dsn("DEMO", "DEMODATA")},
         {{'-', 0, "", ">'' '" + kDefault + "' '' OK(disabled) '' '' '' ''"},
          {'s', DATABASE, "TWENTYCHARACTERSNAME", ">'' '" + kDefault + "' 'TWENTYCHARACTERSNAME' OK(disabled) "
           "'C:\\t' 'C:\\t\r\nD:\\t' 'No' 'No'"},
          {'t', NAME, "1ST", ""}, ok, {'t', NAME, name32 + "E", ""}, ok, {'t', NAME, "", ""}, {'k', NAME, name32 + "E", ""},
          {'t', DESCRIPTION, d80 + "d", ""}, ok, {'t', DESCRIPTION, d80, ""},
          {'o', IDC_ENGINE_ADVANCED, "", ""}, {'-', 0, "", "OK >[x] [ ] [ ] [ ] [x] [ ] [ ]"}, {'p', IDC_OPEN_READ_ONLY, "", ""}, {'p', IDC_TRANSLATION_AUTO, "", ""},
          advancedOk, {'h', 0, "", ""}, {'c', IDC_HELP_BUTTON, "", ""}, ok, saved},
         {}, IDOK, {bad("1ST"), bad(name32 + "E"), box("The description can be at most 80 characters long. Please shorten it and try again."),
                    box(createFailed + noDatabase)},
         Write(5205, 2, name32, d80, "TWENTYCHARACTERSNAME", "1") + Write(5205, 2, name32, d80, "TWENTYCHARACTERSNAME", "1"),
         demo + name32 + ":" + d80 + ":TWENTYCHARACTERSNAME:1:2 ", help(300006) + help(300006), 1},
        {"create a name that exists: No keeps the dialog, Yes overwrites", nullptr, {}, {Dsn("DEMO", "DEMODATA"), Dsn("OTHER", "DEFAULTDB", "Other")},
         {{'t', NAME, "OTHER", ""}, {'s', DATABASE, "DEMODATA", ">'OTHER' '" + kDefault + "' 'DEMODATA' OK " + demodata}, ok, saved},
         {IDNO, IDYES}, IDOK, {exists, exists},
         Write(5205, 0, "OTHER", kDefault, "DEMODATA", "0") + Write(5205, 0, "OTHER", kDefault, "DEMODATA", "0") +
         Delete("OTHER") + Write(5205, 0, "OTHER", kDefault, "DEMODATA", "0"), demo + "OTHER:" + kDefault + ":DEMODATA:0:0 "},
        {"modify: loaded whole, Advanced cancelled changes nothing, a new description saved; help", "DEMO", {}, {Dsn("DEMO", "DEMODATA")},
         {{'-', 0, "", ">'DEMO' 'Demo data' 'DEMODATA' OK " + demodata}, {'o', IDC_ENGINE_ADVANCED, "", ""}, {'-', 0, "", "OK >[x] [ ] [ ] [ ] [x] [ ] [ ]"},
          {'p', IDC_OPEN_EXCLUSIVE, "", ""}, {'p', IDC_TRANSLATION_OEM, "", ""}, {'c', IDCANCEL, "", "closed"}, {'t', DESCRIPTION, "Changed", ""},
          {'h', 0, "", ""}, saved},
         {}, IDOK, {}, Write(5206, 0, "DEMO", "Changed", "DEMODATA", "0"), "DEMO:Changed:DEMODATA:0:0 ", help(300007), 1},
        {"modify: the stored database found by its beginning from the second entry on; details asked for as stored", "DEMO",
         {}, {Dsn("DEMO", "de")}, {{'-', 0, "", ">'DEMO' 'Demo data' 'DEMODATA' OK '' '' '' ''"}, saved}, {}, IDOK,
         {noDetails}, Write(5206, 0, "DEMO", "Demo data", "DEMODATA", "0"), demo, "", 1},
        {"modify: the stored database not listed: nothing chosen until the user chooses", "DEMO", {}, {Dsn("DEMO", "GONE")},
         {{'-', 0, "", ">'DEMO' 'Demo data' '' OK(disabled) '' '' '' ''"},
          {'s', DATABASE, "DEFAULTDB", ">'DEMO' 'Demo data' 'DEFAULTDB' OK 'C:\\d' 'C:\\d' 'No' 'No'"}, cancel}, {}, IDCANCEL,
         {noDetails}, "", "DEMO:Demo data:GONE:0:0 "},
        {"rename: the old name deleted, the new one created", "DEMO", {}, {Dsn("DEMO", "DEMODATA")},
         {{'t', NAME, "DEMO2", ""}, saved}, {}, IDOK, {}, Delete("DEMO") + Write(5205, 0, "DEMO2", "Demo data", "DEMODATA", "0"),
         "DEMO2:Demo data:DEMODATA:0:0 ", "", 1},
        {"renames that fail after the delete put the old engine DSN back: refused, an existing name kept", "DEMO",
         {{"inject", {{"DBUSetInfo:5205", {7103}}}}}, {Dsn("DEMO", "DEMODATA"), Dsn("OTHER", "DEFAULTDB", "Other")},
         {{'t', NAME, "DEMO2", ""}, {'t', DESCRIPTION, "New", ""}, ok, {'t', NAME, "OTHER", ""}, ok, cancel}, {IDOK, IDNO}, IDCANCEL,
         {box(createFailed + noSession), exists},
         Delete("DEMO") + Write(5205, 0, "DEMO2", "New", "DEMODATA", "0") + Write(5205, 0, "DEMO", "Demo data", "DEMODATA", "0") +
         Delete("DEMO") + Write(5205, 0, "OTHER", "New", "DEMODATA", "0") + Write(5205, 0, "DEMO", "Demo data", "DEMODATA", "0"),
         other + demo},
        {"failing requests: modify, the old name's delete, the overwrite (the old one put back)", "DEMO",
         {{"inject", {{"DBUSetInfo:5206", {7103}}, {"DBUSetInfo:5202", {7103, -1, 7103}}}}}, {Dsn("DEMO", "DEMODATA"), Dsn("OTHER", "DEFAULTDB", "Other")},
         {ok, {'t', NAME, "DEMO2", ""}, ok, {'t', NAME, "OTHER", ""}, ok, cancel}, {IDOK, IDOK, IDYES}, IDCANCEL,
         {box("Failed to modify the remote Engine DSN. " + noSession),
          box("Failed to modify DSN. The DSN may have been deleted on the remote server machine."), exists,
          box("Failed to overwrite the DSN.")},
         Write(5206, 0, "DEMO", "Demo data", "DEMODATA", "0") + Delete("DEMO") + Delete("DEMO") +
         Write(5205, 0, "OTHER", "Demo data", "DEMODATA", "0") + Delete("OTHER") + Write(5205, 0, "DEMO", "Demo data", "DEMODATA", "0"),
         other + demo},
        {"an engine DSN that cannot be read: empty fields; Advanced says the open mode is missing", "NOPE", {}, {},
         {{'-', 0, "", ">'' '' '' OK(disabled) '' '' '' ''"}, {'o', IDC_ENGINE_ADVANCED, "", ""}, {'-', 0, "", "OK >[x] [ ] [ ] [ ] [x] [ ] [ ]"},
          advancedOk, cancel}, {}, IDCANCEL,
         {box("Failed to retrieve information on the remote Engine DSN. The engine data source does not exist on the server."),
          {kTheAdvanced, "Failed to retrieve the DSN's OpenMode value. It might have been deleted. The OpenMode value is now set to the "
              "default 'NORMAL' mode.", kSetupCaption, MB_OK | MB_ICONINFORMATION}}, "", ""},
        {"a stored open mode out of range and translation 2: Normal said, Automatic shown; OEM/ANSI chosen", "DEMO", {},
         {{{"name", "DEMO"}, {"description", "D"}, {"database", "DEMODATA"}, {"openMode", "2"}, {"translation", 2}}},
         {{'o', IDC_ENGINE_ADVANCED, "", ""}, {'-', 0, "", "OK >[x] [ ] [ ] [ ] [ ] [x] [ ]"}, {'p', IDC_TRANSLATION_OEM, "", ""}, advancedOk, saved}, {}, IDOK,
         {{kTheAdvanced, "The OpenMode value for this DSN was not set or was out of range. The OpenMode value is now set to "
           "the default 'NORMAL' mode.", kSetupCaption, MB_OK | MB_ICONINFORMATION}}, Write(5206, 1, "DEMO", "D", "DEMODATA", "0"), "DEMO:D:DEMODATA:0:1 ", "", 1},
        {"a read answer whose database length lies: neither it nor what follows believed", "DEMO", {{"answers", {{"5207.itemLength",
         65000}}}}, {Dsn("DEMO", "DEMODATA")}, {{'-', 0, "", ">'DEMO' 'Demo data' '' OK(disabled) '' '' '' ''"}, cancel}, {}, IDCANCEL, {noDetails}, "", demo},
        {"the database count fails at start", nullptr, {{"inject", {{"DBUGetInfo:4115", 7103}}}}, {},
         {{'-', 0, "", ">'' '' '' OK(disabled) '' '' '' ''"}, cancel}, {}, IDCANCEL,
         {box("An error occurred while trying to retrieve database names on server machine. " + noSession)}, "", ""},
        {"Create... makes a database that is chosen at once", nullptr, {}, {},
         {{'o', IDC_ENGINE_CREATE, "", ""}, {'t', IDC_CREATE_NAME, "NEWDB", ""}, {'t', IDC_CREATE_DICTIONARY, "\\\\s\\new", ""},
          {'c', IDOK, "", "closed"}, {'t', NAME, "NEWDSN", ">'NEWDSN' '" + kDefault + "' 'NEWDB' OK '\\\\s\\new\\' "
           "'\\\\s\\new\\' 'Yes' 'No'"}, saved}, {}, IDOK, {}, Write(5205, 0, "NEWDSN", kDefault, "NEWDB", "0"),
         "NEWDSN:" + kDefault + ":NEWDB:0:0 ", "", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        json server = DemoServer();
        server["engineDsns"] = c.dsns.is_null() ? json::array() : c.dsns;
        json content = {{"servers", {server}}};
        ServerScenario scenario((content.update(c.scenario.is_null() ? json::object() : c.scenario), content));
        ASSERT_EQ(DBUConnect("dbhost", "", "", &RemoteSession), 0);
        record_ = {}, ServerType = 1, EngineDsnTranslation = 0, IsCreateEngineDsn = c.stored == nullptr, EngineDsnSaved = 0;
        if (c.stored) record_.ServerDSN.set(c.stored);
        MessageBoxRecorder recorder(ModuleInstance);
        for (int answer : c.answers) recorder.answer(answer);
        HWND dialog = nullptr;
        const std::string starts = StartsOf([&] {
            EXPECT_EQ(RunDialog(ModuleInstance, c.stored ? IDD_MODIFY_ENGINE_DSN : IDD_CREATE_ENGINE_DSN, owner_,
                                EngDSNDlgProc, c.steps, kIds, &dialog), c.result);
        });
        Boxes boxes = recorder.boxes();
        for (RecordedMessageBox& b : boxes) b.owner = b.owner == dialog ? kTheDialog : b.owner ? kTheAdvanced : nullptr;
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(ServerSide(scenario.read()), c.requests + "|" + c.held);
        EXPECT_EQ(starts, c.starts);
        EXPECT_EQ(EngineDsnSaved, c.saved);
        DBUDisconnect(&RemoteSession);
    }
}

// The opener through the library's export: Logon first for another computer, then the create or
// the modify dialog on the session it opened, which is closed again whatever the user did.
TEST_F(EngineDsnTest, OpenerLogsOnAndRunsTheDialogOnItsOwnSession) {
    HMODULE library = LoadLibraryA("DSNSET64.dll");
    const auto edit = reinterpret_cast<BOOL(WINAPI*)(HWND, LPCSTR, LPCSTR)>(
        reinterpret_cast<void*>(GetProcAddress(library, "EditEngineDsn")));
    ASSERT_NE(edit, nullptr);
    Settings = nullptr;  // the call makes its own record
    const std::vector<Step> logon = {{'t', IDC_LOGON_USER, "admin", ""}, {'t', IDC_LOGON_PASSWORD, "secret", ""},
                                     {'c', IDOK, "", "closed"}, {'o', 0, "", ""}};
    const Step cancel{'c', IDCANCEL, "", "closed"};
    for (auto [engineDsn, steps, result, held] : {
             std::tuple<const char*, std::vector<Step>, BOOL, std::string>{"", {{'s', DATABASE, "DEFAULTDB", ""},
                 {'t', NAME, "NEW", ""}, {'c', IDOK, "", "closed"}}, TRUE, kDemo + "NEW:" + kDefault + ":DEFAULTDB:0:0 "},
             {"DEMO", {{'-', 0, "", ">'DEMO' 'Demo data' 'DEMODATA' OK " + kDemodata}, cancel}, FALSE, kDemo}}) {
        SCOPED_TRACE(engineDsn);
        json server = DemoServer();
        server["logon"] = {{"user", "admin"}, {"password", "secret"}, {"required", true}};
        ServerScenario scenario(json{{"servers", {server}}});
        steps.insert(steps.begin(), logon.begin(), logon.end());
        BOOL answered = -1;
        DriveDialog(owner_, [&] { return answered = edit(owner_, "dbhost", engineDsn); }, steps, kIds);
        EXPECT_EQ(answered, result);
        EXPECT_EQ(ServerSide(scenario.read()), std::string(result ? Write(5205, 0, "NEW", kDefault, "DEFAULTDB", "0") : "") + "|" + held);
        EXPECT_EQ(scenario.counter("openSessions"), 0);
    }
    FreeLibrary(library);
}

}  // namespace
