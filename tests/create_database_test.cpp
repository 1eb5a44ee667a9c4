// The Create Database dialog worked as a user would, on a session to the stand-in server: the
// location list, the folder browser, the dictionary question in the prefix's real folders, and
// every request read back byte for byte as the server received it.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <deque>

#include "dialogs/create_database_dialog.h"
#include "platform/qscore.h"
#include "remote/admin_library.h"
#include "remote/server_probe.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"
#include "tests/support/dialog_bench.h"
#include "tests/support/import_hook.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/server_scenario.h"

using namespace std::string_literals;

namespace {

// A box's owner: the dialog under test, or the Add dialog it opened.
const HWND kTheDialog = reinterpret_cast<HWND>(1), kTheAddDialog = reinterpret_cast<HWND>(2);
enum { NAME = IDC_CREATE_NAME, DICT = IDC_CREATE_DICTIONARY, LIST = IDC_CREATE_LOCATIONS, ADD = IDC_CREATE_ADD,
       DEL = IDC_CREATE_DELETE, BOUND = IDC_CREATE_BOUND, BROWSE = IDC_CREATE_BROWSE, LOCATION = IDC_DATAFILE_LOCATION };
const char kEncodings[] = "windows-1252=1252;Zulu-encoding=9999;IBM850=850;Exactly-24-characters-xx=24;"
                          "A-very-long-encoding-name-beyond=1;A-very-long-encoding-name-other=2";
// A 4166 record laid out by hand: D, K, the attribute bytes, the name item, the data and dictionary slots.
std::string Request(const std::string& name, std::string attributes, const std::string& dictionary,
                    const std::string& data) {
    std::string bytes, hex;
    auto u16 = [&](std::size_t v) { bytes += {char(v & 255), char(v >> 8)}; };
    u16(data.size()), u16(dictionary.size()), bytes += attributes.append(10 - attributes.size(), '\0');
    for (const std::string* t : {&name, &data, &dictionary}) u16(t->size() + 3), bytes += *t + '\0';
    for (unsigned char b : bytes) hex += {"0123456789ABCDEF"[b >> 4], "0123456789ABCDEF"[b & 15]};
    return hex + "\n";
}

// The shell's folder browser, answered by script: a path, or none with that last error (~0: cancelled).
std::deque<std::pair<std::string, DWORD>> Browsed;
std::string BrowseSettings;
LPITEMIDLIST WINAPI Browse(LPBROWSEINFOA b) {
    BrowseSettings = std::string(b->hwndOwner ? "an owner" : "no owner") + (b->pidlRoot ? ", a root, '" : ", no root, '") +
                     b->lpszTitle + "', flags " + std::to_string(b->ulFlags);
    if (Browsed.empty() || Browsed.front().second == ~0u) return Browsed.pop_front(), nullptr;
    return static_cast<LPITEMIDLIST>(CoTaskMemAlloc(2));
}
BOOL WINAPI PathOf(PCIDLIST_ABSOLUTE, LPSTR path) {
    const auto [text, error] = Browsed.front();
    return Browsed.pop_front(), SetLastError(error), text.empty() ? FALSE : (lstrcpyA(path, text.c_str()), TRUE);
}

void* Crt(const char* name) { return reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("msvcrt"), name)); }

struct CreateDatabaseTest : ::testing::Test {
    void SetUp() override {
        Settings = &record_, ModuleInstance = GetModuleHandleA(nullptr), SetEnvironmentVariableA("QM_ENCODINGS", kEncodings);
    }
    void TearDown() override { Settings = nullptr; }
    DsnSettings record_;
    PopupWindow owner_{100, 100, 400, 300};
};

TEST_F(CreateDatabaseTest, UserBuildsTheRequestTheServerReceives) {
    ProductRegistrySandbox registry;
    registry.Set(HKEY_LOCAL_MACHINE, kClientInstallInfo, L"InstallDir", L"C:\\Qm");
    ImportHook browse("shell32.dll", "SHBrowseForFolderA", Browse), path("shell32.dll", "SHGetPathFromIDListA", PathOf);
    TempFolder folder(L"qmcreate");  // one folder without dictionary files, one with
    for (const wchar_t* f : {L"empty", L"ddf"}) CreateDirectoryW((folder / f).c_str(), nullptr);
    CloseHandle(CreateFileW((folder / L"ddf\\FILE.DDF").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, {}));
    DefineDosDeviceA(DDD_REMOVE_DEFINITION, "V:", nullptr);  // left by a run that was stopped
    ASSERT_TRUE(DefineDosDeviceA(0, "V:", "C:\\data"));
    char host[1026] = {};
    ASSERT_EQ(QSGetHostNameA(host, sizeof host), 0);
    const std::string H = "\\\\"s + host + "\\C$", a(249, 'a'), b(251, 'b'), n20(20, 'N'), unbound = "\x00\x01\x00\x00\x00"s;
    const std::string temp = std::string(folder.path().begin() + 2, folder.path().end()), sent = H + temp + "\\ddf";
    const std::string help = "C:\\Qm\\bin|keyhh -qmsw -#mapid 300002 \"C:\\Qm\\Docs\\qmswdocs.chm>$global_qmhelp\"\n";
    const std::string outside = "The database name and the locations can hold only characters of this computer's "
                                "code page: the server would receive others changed. Please change the text and try again.";
    const RecordedMessageBox question{kTheDialog, "Do you want to create data dictionary files in the specified data "
        "dictionary location for your unbound named database?", kSetupCaption, MB_YESNOCANCEL | MB_ICONQUESTION};
    const RecordedMessageBox notCreated{kTheDialog, "The database is not created. The dictionary path specified does not "
                                        "exist.", kSetupCaption, kStopBox};
    const Step ok{'c', IDOK, "", ""}, cancel{'c', IDCANCEL, "", "closed"}, created{'c', IDOK, "", "closed"};
    const Step add{'o', ADD, "", ""}, added{'c', IDOK, "", "closed"};  // the Add dialog opened, and OK pressed there
    // seen: the requests the server received, the programs started, the browser's settings.
    struct Case { std::string name; int inject; std::vector<Step> steps; std::vector<int> answers; INT_PTR result;
                  Boxes boxes; std::string seen; };
    std::vector<Case> cases = {
        {"the dictionary mirrored into the list; Add, Delete, Help, browsing; Cancel sends nothing", -1,
         {{'-', 0, "", ">'' '' {} OK(disabled) Delete(disabled)"}, {'t', DICT, "C:\\data", ""},
          {'t', DICT, "C:\\data2", ">'' 'C:\\data2' {C:\\data2} OK(disabled) Delete(disabled)"},
          {'t', NAME, "SALES", ">'SALES' 'C:\\data2' {C:\\data2} OK Delete(disabled)"}, {'o', ADD, "", ">'' OK(disabled)"},
          {'t', LOCATION, "D", ">'D' OK"}, {'t', LOCATION, "", ">'' OK(disabled)"}, {'t', LOCATION, "D:\\x", ""}, added, add,
          {'t', LOCATION, "F:\\no", ""}, cancel, add, {'t', LOCATION, "E:\\y", ""}, added,
          {'s', LIST, "C:\\data2", ">'SALES' 'C:\\data2' {*C:\\data2|D:\\x|E:\\y} OK Delete"}, {'s', LIST, "E:\\y", ""},
          {'c', DEL, "", ">'SALES' 'C:\\data2' {D:\\x} OK Delete(disabled)"},
          {'t', DICT, "C:\\data3", ">'SALES' 'C:\\data3' {C:\\data3|D:\\x} OK Delete(disabled)"},
          {'s', LIST, "C:\\data3", ""}, {'s', LIST, "D:\\x", ""}, {'c', DEL, "", ">'SALES' 'C:\\data3' {} OK(disabled) "
          "Delete(disabled)"}, {'h', 0, "", ""}, {'c', IDC_HELP_BUTTON, "", ""},
          // The browser cancelled, a folder chosen into box 123, an item without a path, a folder into 151 from Add.
          {'c', BROWSE, "", ""}, {'c', BROWSE, "", ">'SALES' 'C:\\picked' {C:\\picked} OK Delete(disabled)"},
          {'c', BROWSE, "", ""}, add, {'c', IDC_DATAFILE_BROWSE, "", ""}, added,
          {'c', BROWSE, "", ">'SALES' 'C:\\picked' {C:\\picked|D:\\picked} OK Delete(disabled)"}, cancel},
         {}, IDCANCEL, {{kTheDialog, "Failed to select a valid directory.", kSetupCaption, MB_ICONINFORMATION},
                        {kTheDialog, "Access denied.\r\nFailed to select a valid directory.", kSetupCaption,
                         MB_ICONINFORMATION}}, help + help + "no owner, no root, 'Select directory name:', flags 9"},
        {"unbound without dictionary files, the folder given with its backslash: asked; Cancel sends nothing, No 0, "
         "Yes 1; a failing status keeps the dialog open", 2305,
         {{'t', NAME, "U", ""}, {'t', DICT, "C:" + temp + "\\empty\\", ""}, {'s', IDC_CREATE_SECURITY,
          "Database (DB authentication and authorization)", ""}, {'s', IDC_CREATE_CODE_PAGE, "A-very-long-encoding-nam", ""},
          ok, ok, ok, cancel}, {IDCANCEL, IDNO, IDOK, IDYES}, IDCANCEL,
         {question, question, notCreated, question, notCreated},
         Request("U", "\x00\x01\x00\x03\x00\x01"s, H + temp + "\\empty\\", H + temp + "\\empty\\") +
             Request("U", "\x00\x01\x01\x03\x00\x01"s, H + temp + "\\empty\\", H + temp + "\\empty\\")},
        {"every attribute; paths without UNC form told without owner, nothing sent; then a local and a substituted "
         "drive in UNC form, joined in the list's order; a dictionary folder that does not exist: not asked", -1,
         {{'t', NAME, "SALES", ""}, {'t', DICT, "Q:\\x", ""}, {'p', IDC_CREATE_INTEGRITY, "", ""},
          {'p', IDC_CREATE_LONG_METADATA, "", ""}, {'s', IDC_CREATE_CODE_PAGE, "windows-1252", ""},
          {'s', IDC_CREATE_SECURITY, "Mixed (OS authentication, DB authorization)", ""}, add, {'t', LOCATION, "V:\\x", ""},
          added, ok, {'t', DICT, "C:\\missing", ""}, created}, {}, IDOK, Boxes(2, {nullptr, "Q:\\x is an invalid path. "
          "Please select a valid path and try again.", kSetupCaption, MB_ICONINFORMATION}),
         Request("SALES", "\x00\x00\x00\x01\x01\xE4\x04"s, H + "\\missing", H + "\\missing;" + H + "\\data\\x")},
        {"refused: input that would reach the server cut or changed, locations past 512; 512 and 20 sent whole, and "
         "a bound database's 2313 told", 2313,
         {{'t', NAME, n20 + "N", ""}, {'p', BOUND, "", ""}, {'t', DICT, "C:\\d", ""}, ok, {'t', NAME, "N\u0416", ""}, ok,
          {'t', NAME, n20, ""}, {'t', DICT, "C:\\" + std::string(253, 'd'), ""}, ok, {'t', DICT, "\\\\s\\d\\" + a, ""},
          add, {'t', LOCATION, std::string(513, 'L'), ""}, ok, {'t', LOCATION, "C:\\\u0416", ""}, ok,
          {'t', LOCATION, "\\\\s\\d\\" + b, ""}, added, ok, {'t', DICT, "\\\\s\\d\\" + a.substr(1), ""}, ok, cancel}, {},
         IDCANCEL,
         {{kTheDialog, "The database name can be at most 20 characters long. Please shorten it and try again.",
           kSetupCaption, kStopBox}, {kTheDialog, outside, kSetupCaption, kStopBox},
          {kTheDialog, "The dictionary location can be at most 255 characters long. Please shorten it and try again.",
           kSetupCaption, kStopBox}, {kTheAddDialog, "The data file location can be at most 512 characters long. "
           "Please shorten it and try again.", kSetupCaption, kStopBox}, {kTheAddDialog, outside, kSetupCaption, kStopBox},
          {kTheDialog, "The data file locations are longer than 512 characters together, as the server receives them. "
           "Please remove a location or choose shorter paths, and try again.", kSetupCaption, kStopBox},
          {kTheDialog, "Bound database not created. The data dictionary files specified are shared. Bound database "
           "cannot have shared data dictionary files. You must first remove the data dictionary at the specified "
           "location using the Quillmere Control Central, or you can create the named database as an unbound "
           "database, and then bind the named database using the Quillmere Control Central.", kSetupCaption,
           MB_ICONEXCLAMATION}},
         Request(n20, "\x01\x01\x01"s, "\\\\s\\d\\" + a.substr(1), "\\\\s\\d\\" + a.substr(1) + ";\\\\s\\d\\" + b)},
    };
    // Each failing status told with its own text and icon.
    for (auto [status, text, icon] : std::vector<std::tuple<int, std::string, UINT>>{
             {2313, "Database not created. The data dictionary files cannot be shared. The files might be used by a "
                    "bound database.", MB_ICONEXCLAMATION},
             {290, "Dictionary files are not created. They already exist at the specified location.", MB_ICONINFORMATION},
             {222, "Failed to create database on remote server. There is not enough memory to build the request.",
              kStopBox}})
        cases.push_back({"a failing status", status, {{'t', NAME, "U", ""}, {'t', DICT, "C:" + temp + "\\ddf", ""},
                         ok, cancel}, {}, IDCANCEL, {{kTheDialog, text, kSetupCaption, icon}},
                         Request("U", unbound, sent, sent)});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + " " + std::to_string(c.inject));  // -1: the server answers itself
        ServerScenario scenario(nlohmann::json{{"servers", {DemoServer()}}, {"inject", {{"DBUSetInfo:4166", c.inject}}}});
        ASSERT_EQ(DBUConnect("dbhost", "", "", &RemoteSession), 0);
        ServerType = 1, DatabaseCreated = 0, BrowseSettings.clear();
        Browsed = {{"", ~0u}, {"C:\\picked", 0}, {"", 0}, {"D:\\picked", 0}, {"", ERROR_ACCESS_DENIED}};
        MessageBoxRecorder recorder(ModuleInstance);
        for (int answer : c.answers) recorder.answer(answer);
        HWND dialog = nullptr;
        const std::string starts = StartsOf([&] {
            EXPECT_EQ(RunDialog(ModuleInstance, IDD_CREATE_DATABASE, owner_, CreateDBDlgProc, c.steps,
                                {NAME, DICT, LIST, LOCATION, IDOK, DEL}, &dialog), c.result);
        });
        Boxes boxes = recorder.boxes();
        for (RecordedMessageBox& box : boxes)
            box.owner = box.owner == dialog ? kTheDialog : box.owner == nullptr ? nullptr : kTheAddDialog;
        EXPECT_EQ(boxes, c.boxes);
        std::string seen;
        for (const auto& r : scenario.read().value("requests", nlohmann::json::array())) seen += r.value("bytes", "") + "\n";
        EXPECT_EQ(seen + starts + BrowseSettings, c.seen);
        EXPECT_EQ(DatabaseCreated, c.result == IDOK);
        DBUDisconnect(&RemoteSession);
    }
    DefineDosDeviceA(DDD_REMOVE_DEFINITION, "V:", nullptr);
}

// The table is rebuilt at every opening, the old one freed first: a hundred openings hold no
// more memory than one. Names are cut to 24 characters; a cut that repeats a name is not listed.
TEST_F(CreateDatabaseTest, CodePagesListedFreshAtEachOpening) {
    static long live = 0;  // blocks of this program's C library: allocated, not yet freed
    static auto* realMalloc = reinterpret_cast<decltype(&malloc)>(Crt("malloc"));
    static auto* realCalloc = reinterpret_cast<decltype(&calloc)>(Crt("calloc"));
    static auto* realFree = reinterpret_cast<decltype(&free)>(Crt("free"));
    const auto items = [&](const char* encodings) {  // the code page box's items, then its choice
        SetEnvironmentVariableA("QM_ENCODINGS", encodings);
        HWND dialog = CreateDialogParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_CREATE_DATABASE), owner_, CreateDBDlgProc, 0);
        std::string line;
        char text[64];
        for (int i = 0, n = int(SendDlgItemMessageA(dialog, IDC_CREATE_CODE_PAGE, CB_GETCOUNT, 0, 0)); i < n; ++i)
            SendDlgItemMessageA(dialog, IDC_CREATE_CODE_PAGE, CB_GETLBTEXT, i, LPARAM(text)), line += text + "|"s;
        GetDlgItemTextA(dialog, IDC_CREATE_CODE_PAGE, text, sizeof text);
        DestroyWindow(dialog);
        return line + " > " + text;
    };
    EXPECT_EQ(items(kEncodings), "A-very-long-encoding-nam|Exactly-24-characters-xx|IBM850|Server Default|"
                                 "windows-1252|Zulu-encoding| > Server Default");
    for (const char* failing : {"*count=0x80004005;IBM850=850", "*fill=0x8007000E;IBM850=850"})
        EXPECT_EQ(items(failing), "Server Default| > Server Default") << failing;
    ImportHook allocate("msvcrt.dll", "malloc", +[](size_t n) { return ++live, realMalloc(n); });
    ImportHook zeroed("msvcrt.dll", "calloc", +[](size_t n, size_t size) { return ++live, realCalloc(n, size); });
    ImportHook release("msvcrt.dll", "free", +[](void* p) { live -= p != nullptr, realFree(p); });
    items(kEncodings);
    const long afterOne = live;
    for (int i = 0; i < 99; ++i) items(kEncodings);
    EXPECT_EQ(live, afterOne);
}

}  // namespace
