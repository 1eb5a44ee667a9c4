// The Advanced Connection Attributes dialog worked as a user would: the real template run
// modally over an owner, driven from another thread; the record read back afterwards.
#include <gtest/gtest.h>
#include <windows.h>
#include <odbcinst.h>

#include <cstring>
#include <string>

#include "dialogs/advanced_dialog.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"
#include "tests/support/dialog_bench.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/odbc_profile.h"
#include "tests/support/registry_sandbox.h"

namespace {

const char kTranslator[] = "Quillmere Software OEM to ANSI";
enum { FETCH = IDC_ARRAY_FETCH, SIZE = IDC_ARRAY_BUFFER_SIZE, STD = IDC_TCP_PORT_DEFAULT, PORT = IDC_TCP_PORT };
enum { NONE = IDC_TRANSLATION_NONE, AUTO = IDC_TRANSLATION_AUTO, OEM = IDC_TRANSLATION_OEM };

std::string Launched;  // "directory|command line" of each start, refused
BOOL WINAPI RecordStart(LPCSTR, LPSTR command, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID,
                        LPCSTR directory, LPSTARTUPINFOA, LPPROCESS_INFORMATION) {
    Launched += std::string(directory) + "|" + command + "\n";
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
}

class AdvancedDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ModuleInstance = GetModuleHandleA(nullptr);
        Settings = &record_;
        ForgetTranslator();
    }
    void TearDown() override {
        Settings = nullptr;
        ForgetTranslator();
        ForgetDsn("Sales");
    }
    // Wine's SQLRemoveTranslator reports success with a count of one while no ODBCINST.INI
    // exists yet: the loop is bounded.
    static void ForgetTranslator() {
        DWORD usage = 0;
        for (int i = 0; i < 8 && SQLRemoveTranslator(kTranslator, &usage) && usage > 0; ++i) {
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\ODBC\\odbcinst.ini\\ODBC Translators");
        RegDeleteTreeA(HKEY_CURRENT_USER, (std::string("Software\\ODBC\\odbcinst.ini\\") + kTranslator).c_str());
    }
    // WINE8: SQLInstallTranslatorEx records in the machine hive's ODBCINST.INI, but Wine's
    // SQLGetPrivateProfileString reads "odbcinst.ini" from the user hive only, so the entries
    // are written there too, where Windows' installer would find them for the library.
    static void RegisterTranslator(const char* state, const char* path) {
        const std::string dll = path ? path : "none.dll";
        const std::string attributes = std::string(kTranslator) + '\0' + "Translator=" + dll + '\0' + "Setup=" + dll +
                                       '\0' + '\0';
        char out[MAX_PATH];
        WORD length = 0;
        DWORD usage = 0;
        EXPECT_TRUE(SQLInstallTranslatorEx(attributes.c_str(), "C:\\t", out, MAX_PATH, &length, ODBC_INSTALL_COMPLETE,
                                           &usage));
        SQLWritePrivateProfileString("ODBC Translators", kTranslator, state, "odbcinst.ini");
        if (path) SQLWritePrivateProfileString(kTranslator, "Translator", path, "odbcinst.ini");
    }
    void Reset(const char* fetch, const char* size, const char* port) {
        std::memset(&record_, 0, sizeof record_);
        record_.DSN.set("Sales");
        if (fetch) record_.ArrayFetchOn.set(fetch);
        if (size) record_.ArrayBufferSize.set(size);
        if (port) record_.TCPPort.set(port);
    }
    INT_PTR Run(const std::function<void(DialogDriver&)>& script) {
        return RunDialog(GetModuleHandleA(nullptr), IDD_ADVANCED, owner_, AdvancedDlgProc, script);
    }
    // The fields the dialog edits: "=" when given, "~" when not.
    std::string Record() const {
        const std::pair<const char*, const DsnSetting*> fields[] = {
            {"fetch", &record_.ArrayFetchOn}, {"size", &record_.ArrayBufferSize}, {"port", &record_.TCPPort},
            {"dll", &record_.TranslationDLL}, {"qm", &record_.QmTranslate}, {"option", &record_.TranslationOption}};
        std::string text;
        for (const auto& [name, f] : fields)
            text += std::string(text.empty() ? "" : " ") + name + (f->isSet ? "=" : "~") + f->value.c_str();
        return text;
    }
    DsnSettings record_;
    PopupWindow owner_{100, 100, 400, 300};
};

std::string SizeRefused(const std::string& size) {
    return "The array fetch buffer size must be a number in the range 1 to 64.\n " + size +
           " is not acceptable. Please reenter.";
}

TEST_F(AdvancedDialogTest, NetworkSettingsFollowTheBoxes) {
    const std::string longSize(512, '9');
    struct Case {
        const char *name, *fetch, *size, *port;
        std::vector<Step> steps;
        INT_PTR result;
        std::string record, box;  // the one message box's text, or none
    };
    const Case cases[] = {
        {"off with a stored size", "0", "16", "2000",
         {{'-', 0, "", ">[ ] ''(disabled) [ ] '2000' OK"}, {'p', FETCH, "", ">[x] '16' [ ] '2000' OK"},
          {'c', IDOK, "", "closed"}},
         IDOK, "fetch=1 size=16 port=2000 dll= qm= option=", ""},
        {"off without a size", "0", nullptr, "2000", {{'p', FETCH, "", ">[x] '8' [ ] '2000' OK"}, {'c', IDOK, "", "closed"}},
         IDOK, "fetch=1 size=8 port=2000 dll= qm= option=", ""},
        {"nothing given: on with 8 KB", nullptr, nullptr, nullptr,
         {{'-', 0, "", ">[x] '8' [ ] '' OK(disabled)"}, {'c', IDCANCEL, "", "closed"}}, IDCANCEL,
         "fetch~ size=8 port~ dll~ qm~ option~", ""},
        {"the standard port is a toggle; OK wants a port, and a size while fetching", "1", "8", "1583",
         {{'-', 0, "", ">[x] '8' [x] '1583'(disabled) OK"}, {'p', STD, "", "[x] '8' >[ ] '' OK(disabled)"},
          {'t', PORT, "2000", "[x] '8' >[ ] '2000' OK"}, {'t', SIZE, "", "[x] '' >[ ] '2000' OK(disabled)"},
          {'p', FETCH, "", ">[ ] ''(disabled) [ ] '2000' OK"}, {'p', FETCH, "", ">[x] '8' [ ] '2000' OK"},
          {'t', PORT, "", ">[x] '8' [ ] '' OK(disabled)"}, {'c', IDCANCEL, "", "closed"}},
         IDCANCEL, "fetch=1 size=8 port~ dll~ qm~ option~", ""},
        {"size 1", "1", "1", "1583", {{'c', IDOK, "", "closed"}}, IDOK, "fetch=1 size=1 port=1583 dll= qm= option=", ""},
        {"size 64", "1", "64", "1583", {{'c', IDOK, "", "closed"}}, IDOK, "fetch=1 size=64 port=1583 dll= qm= option=", ""},
        {"size 0", "1", "0", "1583", {{'c', IDOK, "", ">[x] '0' [x] '1583'(disabled) OK"}, {'c', IDCANCEL, "", "closed"}}, IDCANCEL,
         "fetch=1 size~0 port=1583 dll= qm= option=", SizeRefused("0")},
        {"size 65", "1", "65", "1583", {{'c', IDOK, "", ">[x] '65' [x] '1583'(disabled) OK"}, {'c', IDCANCEL, "", "closed"}}, IDCANCEL,
         "fetch=1 size~65 port=1583 dll= qm= option=", SizeRefused("65")},
        {"a stored size past the typing limit is quoted whole", "1", longSize.c_str(), "1583", {{'c', IDOK, "", ""}, {'c', IDCANCEL, "", "closed"}}, IDCANCEL,
         "fetch=1 size~" + longSize + " port=1583 dll= qm= option=", SizeRefused(longSize)},
        {"fetch off drops the size without a word", "1", "8", "1583",
         {{'t', SIZE, "99", ""}, {'p', FETCH, "", ""}, {'c', IDOK, "", "closed"}}, IDOK,
         "fetch=0 size~ port=1583 dll= qm= option=", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reset(c.fetch, c.size, c.port);
        MessageBoxRecorder boxes(GetModuleHandleA(nullptr));
        HWND dialog = nullptr;
        EXPECT_EQ(Run([&](DialogDriver& d) {
                      dialog = d.dialog();
                      d.play(c.steps, {FETCH, SIZE, STD, PORT, IDOK});
                  }),
                  c.result);
        EXPECT_EQ(Record(), c.record);
        EXPECT_EQ(boxes.boxes(), (c.box.empty() ? Boxes{} : Boxes{{dialog, c.box, kSetupCaption, kStopBox}}));
    }
}

TEST_F(AdvancedDialogTest, TranslationFollowsTheStoredDsnAndTheRegisteredTranslator) {
    struct Case {
        const char *name, *registered, *path, *storedQm, *dll;  // registered: the "ODBC Translators" entry
        std::string shown;                                       // None, Automatic, OEM/ANSI
        int choose;                                              // then OK, or Cancel (0)
        std::string record;
    };
    const char* qmoem = "C:\\t\\qmoem.dll";
    const Case cases[] = {
        {"QmTranslate stored in capitals", "Installed", qmoem, "AUTO", "", "[ ] [x] [ ]", 0, "dll= qm=AUTO option~"},
        {"registered, nothing chosen", "installed", qmoem, "", "", "[x] [ ] [ ]", 0, "dll= qm= option~"},
        {"registered and a translator stored", "Installed", qmoem, "", "x.dll", "[ ] [ ] [x]", 0, "dll=x.dll qm= option~"},
        {"not registered", nullptr, nullptr, "", "x.dll", "[x] [ ] [ ](disabled)", 0, "dll=x.dll qm= option~"},
        {"registered otherwise", "Removed", nullptr, "", "x.dll", "[x] [ ] [ ](disabled)", 0, "dll=x.dll qm= option~"},
        {"none chosen", "Installed", qmoem, "", "", "[x] [ ] [ ]", NONE, "dll= qm= option="},
        {"automatic chosen", "Installed", qmoem, "", "", "[x] [ ] [ ]", AUTO, "dll= qm=Auto option="},
        {"conversion chosen", "Installed", qmoem, "", "", "[x] [ ] [ ]", OEM, "dll=C:\\t\\qmoem.dll qm= option="},
        {"conversion without a Translator key", "Installed", nullptr, "", "", "[x] [ ] [ ]", OEM, "dll= qm= option="},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ForgetTranslator();
        if (c.registered) RegisterTranslator(c.registered, c.path);
        ASSERT_TRUE(CreateDsn("Sales", {{"QmTranslate", c.storedQm}}));
        Reset("1", "8", "1583");
        record_.QmTranslate.set("");  // loaded by the setup dialog; the stored value is read again here
        record_.TranslationDLL.set(c.dll);
        EXPECT_EQ(Run([&](DialogDriver& d) {
                      EXPECT_EQ(d.state({NONE, AUTO, OEM}), c.shown);
                      if (c.choose) d.press(c.choose);
                      d.click(c.choose ? IDOK : IDCANCEL);
                  }),
                  c.choose ? IDOK : IDCANCEL);
        EXPECT_EQ(Record(), "fetch=1 size=8 port=1583 " + c.record);
    }
}

TEST_F(AdvancedDialogTest, HelpButtonAndF1OpenTheAdvancedTopic) {
    ProductRegistrySandbox registry;
    ASSERT_TRUE(ProductRegistrySandbox::Set(HKEY_LOCAL_MACHINE,
                                            L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL Client\\InstallInfo",
                                            L"InstallDir", L"C:\\qm"));
    ImportHook start(GetModuleHandleA(nullptr), "kernel32.dll", "CreateProcessA", reinterpret_cast<void*>(&RecordStart));
    ASSERT_TRUE(start.installed());
    Reset("1", "8", "1583");
    Launched.clear();
    EXPECT_EQ(Run([](DialogDriver& d) {
                  d.click(IDC_HELP_BUTTON);
                  d.help();
                  d.click(IDCANCEL);
              }),
              IDCANCEL);
    const std::string launch = "C:\\qm\\bin|keyhh -qmsw -#mapid 300004 \"C:\\qm\\Docs\\qmswdocs.chm>$global_qmhelp\"\n";
    EXPECT_EQ(Launched, launch + launch);
}

// A host may run the exported procedure outside a ConfigDSN call: with no record it ends at once.
TEST_F(AdvancedDialogTest, WithoutARecordTheDialogIsCancelled) {
    Settings = nullptr;
    EXPECT_EQ(DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ADVANCED), owner_, AdvancedDlgProc, 0),
              IDCANCEL);
}

}  // namespace
