// The Create Database dialog worked as a user would, on a session to the stand-in server: the
// location list, the folder browser, the dictionary question in the prefix's real folders, and
// every request read back byte for byte as the server received it.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <deque>

#include "dialogs/code_page_list.h"
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
const std::string kHost = [] {
    char name[1026] = {};
    return QSGetHostNameA(name, sizeof name) == 0 ? "\\\\" + std::string(name) : "no host name";
}();

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
    Browsed.pop_front();
    return SetLastError(error), text.empty() ? FALSE : (lstrcpyA(path, text.c_str()), TRUE);
}

void* Crt(const char* name) { return reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("msvcrt"), name)); }

struct CreateDatabaseTest : ::testing::Test {
    void SetUp() override {
        record_ = {}, Settings = &record_, ModuleInstance = GetModuleHandleA(nullptr);
        SetEnvironmentVariableA("QM_ENCODINGS", kEncodings);
    }
    void TearDown() override { Settings = nullptr; }
    DsnSettings record_;
    PopupWindow owner_{100, 100, 400, 300};
};

TEST_F(CreateDatabaseTest, UserBuildsTheRequestTheServerReceives) {
    ProductRegistrySandbox registry;
    registry.Set(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL Client\\"
                                L"InstallInfo", L"InstallDir", L"C:\\Qm");
    ImportHook browse(ModuleInstance, "shell32.dll", "SHBrowseForFolderA", reinterpret_cast<void*>(Browse));
    ImportHook path(ModuleInstance, "shell32.dll", "SHGetPathFromIDListA", reinterpret_cast<void*>(PathOf));
    TempFolder folder(L"qmcreate");  // one folder without dictionary files, one with
    for (const wchar_t* f : {L"empty", L"ddf"}) CreateDirectoryW((folder / f).c_str(), nullptr);
    CloseHandle(CreateFileW((folder / L"ddf\\FILE.DDF").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, {}));
    DefineDosDeviceA(DDD_REMOVE_DEFINITION, "V:", nullptr);  // left by a run that was stopped
    ASSERT_TRUE(DefineDosDeviceA(0, "V:", "C:\\data"));
    const std::string H = kHost + "\\C$", a(249, 'a'), b(251, 'b'), n20(20, 'N'), unbound = "\x00\x01\x00\x00\x00"s;
    const std::string temp = std::string(folder.path().begin() + 2, folder.path().end()), empty = "C:" + temp + "\\empty";
    const std::string ddf = "C:" + temp + "\\ddf", sent = H + temp + "\\ddf", failed = "Failed to create database on remote "
        "server. ", help = "C:\\Qm\\bin|keyhh -qmsw -#mapid 300002 \"C:\\Qm\\Docs\\qmswdocs.chm>$global_qmhelp\"\n";
    const std::string outside = "The database name and the locations can hold only characters of this computer's "
                                "code page: the server would receive others changed. Please change the text and try again.";
    const RecordedMessageBox question{kTheDialog, "Do you want to create data dictionary files in the specified data "
        "dictionary location for your unbound named database?", kSetupCaption, MB_YESNOCANCEL | MB_ICONQUESTION};
    const Step ok{'c', IDOK, "", ""}, cancel{'c', IDCANCEL, "", "closed"}, created{'c', IDOK, "", "closed"};
    struct Case { std::string name; int inject; std::vector<Step> steps; std::vector<int> answers; INT_PTR result;
                  Boxes boxes; std::string requests, starts = ""; bool browsed = false; };
    const Step add{'o', ADD, "", ""}, added{'c', IDOK, "", "closed"};  // the Add dialog opened, and OK pressed there
    std::vector<Case> cases = {
        {"the dictionary mirrored into the list; Add, Delete, Help, browsing; Cancel sends nothing", 0,
         {{'-', 0, "", ">'' '' {} OK(disabled) Delete(disabled)"}, {'t', DICT, "C:\\data", ""},
          {'t', DICT, "C:\\data2", ">'' 'C:\\data2' {C:\\data2} OK(disabled) Delete(disabled)"},
          {'t', NAME, "SALES", ">'SALES' 'C:\\data2' {C:\\data2} OK Delete(disabled)"}, {'o', ADD, "", ">'' OK(disabled)"},
          {'t', LOCATION, "D", ">'D' OK"}, {'t', LOCATION, "", ">'' OK(disabled)"}, {'t', LOCATION, "D:\\x", ""}, added, add, {'t', LOCATION, "F:\\no", ""}, cancel, add, {'t', LOCATION, "E:\\y", ""}, added,
          {'s', LIST, "C:\\data2", ">'SALES' 'C:\\data2' {*C:\\data2|D:\\x|E:\\y} OK Delete"}, {'s', LIST, "E:\\y", ""},
          {'c', DEL, "", ">'SALES' 'C:\\data2' {D:\\x} OK Delete(disabled)"},
          {'t', DICT, "C:\\data3", ">'SALES' 'C:\\data3' {C:\\data3|D:\\x} OK Delete(disabled)"},
          {'s', LIST, "C:\\data3", ""}, {'s', LIST, "D:\\x", ""}, {'c', DEL, "", ">'SALES' 'C:\\data3' {} OK(disabled) Delete(disabled)"},
          {'t', DICT, "", ">'SALES' '' {} OK(disabled) Delete(disabled)"}, {'h', 0, "", ""}, {'c', IDC_HELP_BUTTON, "", ""},
          // The browser cancelled, a folder chosen into box 123, an item without a path, a folder into 151 from Add.
          {'c', BROWSE, "", ""}, {'c', BROWSE, "", ">'SALES' 'C:\\picked' {C:\\picked} OK Delete(disabled)"},
          {'c', BROWSE, "", ""}, add, {'c', IDC_DATAFILE_BROWSE, "", ""}, added,
          {'c', BROWSE, "", ">'SALES' 'C:\\picked' {C:\\picked|D:\\picked} OK Delete(disabled)"}, cancel},
         {}, IDCANCEL, {{kTheDialog, "Failed to select a valid directory.", kSetupCaption, MB_ICONINFORMATION},
                        {kTheDialog, "Access denied.\r\nFailed to select a valid directory.", kSetupCaption,
                         MB_ICONINFORMATION}}, "", help + help, true},
        {"bound, every attribute: a local and a substituted drive in UNC form, joined in the list's order", 0,
         {{'t', NAME, "SALES", ""}, {'t', DICT, "C:\\data", ""}, {'p', BOUND, "", ""}, {'p', IDC_CREATE_INTEGRITY, "", ""},
          {'p', IDC_CREATE_LONG_METADATA, "", ""}, {'s', IDC_CREATE_CODE_PAGE, "windows-1252", ""},
          {'s', IDC_CREATE_SECURITY, "Mixed (OS authentication, DB authorization)", ""}, add, {'t', LOCATION, "V:\\x", ""},
          added, created}, {}, IDOK, {},
         Request("SALES", "\x01\x00\x01\x01\x01\xE4\x04"s, H + "\\data", H + "\\data;" + H + "\\data\\x")},
        {"unbound without dictionary files: asked; Cancel sends nothing, No sends 0", 0,
         {{'t', NAME, "U", ""}, {'t', DICT, empty, ""}, {'s', IDC_CREATE_SECURITY, "Database (DB authentication and "
          "authorization)", ""}, {'s', IDC_CREATE_CODE_PAGE, "A-very-long-encoding-nam", ""}, ok, created},
         {IDCANCEL, IDNO}, IDOK, {question, question},
         Request("U", "\x00\x01\x00\x03\x00\x01"s, H + temp + "\\empty", H + temp + "\\empty")},
        {"the folder given with its backslash: asked once, Yes sends 1", 0,
         {{'t', NAME, "U", ""}, {'t', DICT, empty + "\\", ""}, created}, {IDYES}, IDOK, {question},
         Request("U", "\x00\x01\x01"s, H + temp + "\\empty\\", H + temp + "\\empty\\")},
        {"paths without UNC form told without owner, nothing sent; a dictionary folder that does not exist: not asked", 0,
         {{'t', NAME, "U", ""}, {'t', DICT, "Q:\\x", ""}, add, {'t', LOCATION, "V:\\x", ""}, added, ok,
          {'t', DICT, "C:\\missing", ""}, created}, {}, IDOK, Boxes(2, {nullptr, "Q:\\x is an invalid path. Please select a valid path and try "
          "again.", kSetupCaption, MB_ICONINFORMATION}), Request("U", unbound, H + "\\missing", H + "\\missing;" + H + "\\data\\x")},
        {"refused: input that would reach the server cut or changed, locations past 512; 512 and 20 sent whole", 0,
         {{'t', NAME, n20 + "N", ""}, {'p', BOUND, "", ""}, {'t', DICT, "C:\\d", ""}, ok, {'t', NAME, "N\u0416", ""}, ok,
          {'t', NAME, n20, ""}, {'t', DICT, "C:\\" + std::string(253, 'd'), ""}, ok, {'t', DICT, "\\\\s\\d\\" + a, ""},
          add, {'t', LOCATION, std::string(513, 'L'), ""}, ok, {'t', LOCATION, "C:\\\u0416", ""}, ok,
          {'t', LOCATION, "\\\\s\\d\\" + b, ""}, added, ok, {'t', DICT, "\\\\s\\d\\" + a.substr(1), ""}, created}, {}, IDOK,
         {{kTheDialog, "The database name can be at most 20 characters long. Please shorten it and try again.",
           kSetupCaption, kStopBox}, {kTheDialog, outside, kSetupCaption, kStopBox},
          {kTheDialog, "The dictionary location can be at most 255 characters long. Please shorten it and try again.",
           kSetupCaption, kStopBox}, {kTheAddDialog, "The data file location can be at most 512 characters long. "
           "Please shorten it and try again.", kSetupCaption, kStopBox}, {kTheAddDialog, outside, kSetupCaption, kStopBox},
          {kTheDialog, "The data file locations are longer than 512 characters together, as the server receives them. "
           "Please remove a location or choose shorter paths, and try again.", kSetupCaption, kStopBox}},
         Request(n20, "\x01\x01\x01"s, "\\\\s\\d\\" + a.substr(1), "\\\\s\\d\\" + a.substr(1) + ";\\\\s\\d\\" + b)},
    };
    // A failing status keeps the dialog open with what was typed; a second OK reads it afresh.
    const auto failing = [&](int status, bool bound, const std::string& text, UINT icon) {
        std::vector<Step> steps = {{'t', NAME, "U", ""}, {'t', DICT, ddf, ""}, ok, {'t', NAME, "V", ""}, ok, cancel};
        if (bound) steps.insert(steps.begin(), {'p', BOUND, "", ""});
        const std::string attributes = bound ? "\x01\x01\x01"s : unbound;
        cases.push_back({"a failing status", status, steps, {}, IDCANCEL, Boxes(2, {kTheDialog, text, kSetupCaption, icon}),
                         Request("U", attributes, sent, sent) + Request("V", attributes, sent, sent)});
    };
    failing(2303, false, "The database name must be unique. The specified name already exists. Please specify "
                         "another database name.", kStopBox);
    failing(2305, false, "The database is not created. The dictionary path specified does not exist.", kStopBox);
    failing(2313, false, "Database not created. The data dictionary files cannot be shared. The files might be used by "
                         "a bound database.", MB_ICONEXCLAMATION);
    failing(2313, true, "Bound database not created. The data dictionary files specified are shared. Bound database "
            "cannot have shared data dictionary files. You must first remove the data dictionary at the specified "
            "location using the Quillmere Control Central, or you can create the named database as an unbound database, "
            "and then bind the named database using the Quillmere Control Central.", MB_ICONEXCLAMATION);
    failing(290, false, "Dictionary files are not created. They already exist at the specified location.",
            MB_ICONINFORMATION);
    failing(222, false, failed + "There is not enough memory to build the request.", kStopBox);
    failing(2300, false, failed + "More named databases exist than were returned.", kStopBox);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + (c.inject ? " " + std::to_string(c.inject) : ""));
        nlohmann::json server = {{"servers", {DemoServer()}}};
        if (c.inject) server["inject"] = {{"DBUSetInfo:4166", c.inject}};
        ServerScenario scenario(server);
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
        std::string requests;
        for (const auto& r : scenario.read().value("requests", nlohmann::json::array()))
            requests += r.value("bytes", "") + "\n";
        EXPECT_EQ(requests, c.requests);
        EXPECT_EQ(starts, c.starts);
        EXPECT_EQ(BrowseSettings, c.browsed ? "no owner, no root, 'Select directory name:', flags 9" : "");
        EXPECT_EQ(DatabaseCreated, c.result == IDOK);  // and DBQ names the database created
        EXPECT_TRUE(c.result != IDOK || scenario.read()["servers"][0]["databases"].back()["name"] == record_.DBQ.value.c_str());
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
    struct Counting {
        static void* Allocate(size_t n) { return ++live, realMalloc(n); }
        static void* Zeroed(size_t n, size_t size) { return ++live, realCalloc(n, size); }
        static void Free(void* p) { live -= p != nullptr, realFree(p); }
    };
    const auto items = [&](const char* encodings) {
        SetEnvironmentVariableA("QM_ENCODINGS", encodings);
        HWND dialog = CreateDialogParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_CREATE_DATABASE), owner_, CreateDBDlgProc, 0);
        std::string line;
        char text[64];
        for (int i = 0, n = int(SendDlgItemMessageA(dialog, IDC_CREATE_CODE_PAGE, CB_GETCOUNT, 0, 0)); i < n; ++i) {
            SendDlgItemMessageA(dialog, IDC_CREATE_CODE_PAGE, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            line += (i ? "|" : "") + std::string(text);
        }
        GetDlgItemTextA(dialog, IDC_CREATE_CODE_PAGE, text, sizeof text);
        DestroyWindow(dialog);
        return line + " > " + text;
    };
    EXPECT_EQ(items(kEncodings), "A-very-long-encoding-nam|Exactly-24-characters-xx|IBM850|Server Default|"
                                 "windows-1252|Zulu-encoding > Server Default");
    for (const char* failing : {"*count=0x80004005;IBM850=850", "*fill=0x8007000E;IBM850=850"})
        EXPECT_EQ(items(failing), "Server Default > Server Default") << failing;
    ImportHook allocate(ModuleInstance, "msvcrt.dll", "malloc", reinterpret_cast<void*>(Counting::Allocate));
    ImportHook zeroed(ModuleInstance, "msvcrt.dll", "calloc", reinterpret_cast<void*>(Counting::Zeroed));
    ImportHook release(ModuleInstance, "msvcrt.dll", "free", reinterpret_cast<void*>(Counting::Free));
    items(kEncodings);
    const long afterOne = live;
    for (int i = 0; i < 99; ++i) items(kEncodings);
    EXPECT_EQ(live, afterOne);
    EXPECT_EQ(CodePageCount, 6);
}

}  // namespace
