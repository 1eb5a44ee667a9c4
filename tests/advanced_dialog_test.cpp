// The Advanced Connection Attributes dialog worked as a user would (the real template run
// modally over an owner, driven from another thread); the record it edits read afterwards.
#include <gtest/gtest.h>
#include <windows.h>
#include <odbcinst.h>

#include <cstring>

#include "dialogs/advanced_dialog.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"
#include "tests/support/dialog_bench.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/odbc_profile.h"
#include "tests/support/registry_sandbox.h"

namespace {

const std::string kTranslator = "Quillmere Software OEM to ANSI", kOff = " dll= qm= option=";
enum { FETCH = IDC_ARRAY_FETCH, SIZE = IDC_ARRAY_BUFFER_SIZE, STD = IDC_TCP_PORT_DEFAULT, PORT = IDC_TCP_PORT };
enum { NONE = IDC_TRANSLATION_NONE, AUTO = IDC_TRANSLATION_AUTO, OEM = IDC_TRANSLATION_OEM };
const Step kOk{'c', IDOK, "", "closed"}, kCancel{'c', IDCANCEL, "", "closed"};

class AdvancedDialogTest : public ::testing::Test {
protected:
    void SetUp() override { ModuleInstance = GetModuleHandleA(nullptr), ForgetTranslator(); }
    void TearDown() override { Settings = nullptr, ForgetTranslator(), ForgetDsn("Sales"); }
    // Bounded: with no ODBCINST.INI at all, Wine's SQLRemoveTranslator answers success and 1.
    static void ForgetTranslator() {
        DWORD usage = 0;
        for (int i = 0; i < 8 && SQLRemoveTranslator(kTranslator.c_str(), &usage) && usage > 0; ++i) {}
        for (std::string key : {"ODBC Translators", kTranslator.c_str()})
            RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\ODBC\\odbcinst.ini\\" + key).c_str());
    }
    // WINE8: SQLInstallTranslatorEx records in the machine hive's ODBCINST.INI, but Wine's
    // SQLGetPrivateProfileString reads "odbcinst.ini" from the user hive only, so the entries
    // are written there too, where Windows' installer would find them for the library.
    static void RegisterTranslator(const char* state, const char* path) {
        const std::string dll = path ? path : "none.dll";
        const std::string list = kTranslator + '\0' + "Translator=" + dll + '\0' + "Setup=" + dll + '\0';
        char out[MAX_PATH];
        WORD n = 0;
        DWORD uses = 0;
        EXPECT_TRUE(SQLInstallTranslatorEx(list.c_str(), "C:\\t", out, MAX_PATH, &n, ODBC_INSTALL_COMPLETE, &uses));
        SQLWritePrivateProfileString("ODBC Translators", kTranslator.c_str(), state, "odbcinst.ini");
        if (path) SQLWritePrivateProfileString(kTranslator.c_str(), "Translator", path, "odbcinst.ini");
    }
    // dll: the translation the setup dialog loaded (the stored QmTranslate is read here again).
    INT_PTR Run(const char* fetch, const char* size, const char* port,
                const std::function<void(DialogDriver&)>& script, const char* dll = nullptr) {
        std::memset(&record_, 0, sizeof record_);
        Settings = &record_;
        record_.DSN.set("Sales");
        for (auto [f, value] : {std::pair{&record_.ArrayFetchOn, fetch}, {&record_.ArrayBufferSize, size},
                                {&record_.TCPPort, port}})
            if (value) f->set(value);
        if (dll) record_.TranslationDLL.set(dll), record_.QmTranslate.set("");
        return RunDialog(GetModuleHandleA(nullptr), IDD_ADVANCED, owner_, AdvancedDlgProc, script);
    }
    std::string Record() const {  // the fields the dialog edits: "=" when given, "~" when not
        std::string text;
        for (auto [name, f] : {std::pair{"fetch", &record_.ArrayFetchOn}, {"size", &record_.ArrayBufferSize},
                               {"port", &record_.TCPPort}, {"dll", &record_.TranslationDLL},
                               {"qm", &record_.QmTranslate}, {"option", &record_.TranslationOption}})
            text += std::string(text.empty() ? "" : " ") + name + (f->isSet ? "=" : "~") + f->value.c_str();
        return text;
    }
    DsnSettings record_;
    PopupWindow owner_{100, 100, 400, 300};
};

std::string Refused(const std::string& size) {
    return "The array fetch buffer size must be a number in the range 1 to 64.\n " + size +
           " is not acceptable. Please reenter.";
}

TEST_F(AdvancedDialogTest, NetworkBoxesEditTheRecord) {
    const std::string big(512, '9');
    struct Case {
        const char *name, *fetch, *size, *port;
        std::vector<Step> steps;
        INT_PTR result;
        std::string record;
        std::vector<std::string> boxes;
    };
    const Case cases[] = {
        {"off with a stored size", "0", "1", "2000",
         {{'-', 0, "", ">[ ] ''(disabled) [ ] '2000' OK"}, {'p', FETCH, "", ">[x] '1' [ ] '2000' OK"}, kOk}, IDOK,
         "fetch=1 size=1 port=2000" + kOff, {}},
        {"off without one", "0", nullptr, "2000", {{'p', FETCH, "", ">[x] '8' [ ] '2000' OK"}, kOk}, IDOK,
         "fetch=1 size=8 port=2000" + kOff, {}},
        {"nothing given: on, 8 KB", nullptr, nullptr, nullptr, {{'-', 0, "", ">[x] '8' [ ] '' OK(disabled)"}, kCancel},
         IDCANCEL, "fetch~ size=8 port~ dll~ qm~ option~", {}},
        {"standard port a toggle; OK wants a port, and a size while on", "1", "8", "1583",
         {{'-', 0, "", ">[x] '8' [x] '1583'(disabled) OK"}, {'p', STD, "", "[x] '8' >[ ] '' OK(disabled)"},
          {'t', PORT, "2000", "[x] '8' >[ ] '2000' OK"}, {'t', SIZE, "", "[x] '' >[ ] '2000' OK(disabled)"},
          {'p', FETCH, "", ">[ ] ''(disabled) [ ] '2000' OK"}, {'p', FETCH, "", ">[x] '8' [ ] '2000' OK"},
          {'t', PORT, "", ">[x] '8' [ ] '' OK(disabled)"}, kCancel},
         IDCANCEL, "fetch=1 size=8 port~ dll~ qm~ option~", {}},
        {"sizes past 1 to 64 refused, 64 taken", "1", "0", "1583",
         {{'c', IDOK, "", ">[x] '0' [x] '1583'(disabled) OK"}, {'t', SIZE, "65", ""},
          {'c', IDOK, "", ">[x] '65' [x] '1583'(disabled) OK"}, {'t', SIZE, "64", ""}, kOk},
         IDOK, "fetch=1 size=64 port=1583" + kOff, {Refused("0"), Refused("65")}},
        {"a stored size past the typing limit, quoted whole", "1", big.c_str(), "1583", {{'c', IDOK, "", ""}, kCancel},
         IDCANCEL, "fetch=1 size~" + big + " port=1583" + kOff, {Refused(big)}},
        {"off drops the size", "1", "8", "1583", {{'t', SIZE, "99", ""}, {'p', FETCH, "", ""}, kOk}, IDOK,
         "fetch=0 size~ port=1583" + kOff, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageBoxRecorder recorder(GetModuleHandleA(nullptr));
        Boxes boxes;
        EXPECT_EQ(Run(c.fetch, c.size, c.port, [&](DialogDriver& d) {
                      for (const std::string& text : c.boxes)
                          boxes.push_back({d.dialog(), text, kSetupCaption, kStopBox});
                      d.play(c.steps, {FETCH, SIZE, STD, PORT, IDOK});
                  }), c.result);
        EXPECT_EQ(Record(), c.record);
        EXPECT_EQ(recorder.boxes(), boxes);
    }
}

TEST_F(AdvancedDialogTest, TranslationFollowsTheStoredDsnAndTheRegisteredTranslator) {
    struct Case { const char *name, *registered, *path, *storedQm, *dll, *shown; int choose; std::string record; };
    const char* qm = "C:\\t\\qmoem.dll";  // shown: None, Automatic, OEM/ANSI; then OK with choose, or Cancel
    const Case cases[] = {
        {"QmTranslate stored in capitals", "Installed", qm, "AUTO", "", "[ ] [x] [ ]", 0, "dll= qm=AUTO option~"},
        {"registered, nothing chosen", "installed", qm, "", "", "[x] [ ] [ ]", 0, "dll= qm= option~"},
        {"registered and a translator stored", "Installed", qm, "", "x.dll", "[ ] [ ] [x]", 0, "dll=x.dll qm= option~"},
        {"not registered", nullptr, nullptr, "", "x.dll", "[x] [ ] [ ](disabled)", 0, "dll=x.dll qm= option~"},
        {"registered otherwise", "Removed", nullptr, "", "x.dll", "[x] [ ] [ ](disabled)", 0, "dll=x.dll qm= option~"},
        {"automatic chosen", "Installed", qm, "", "x.dll", "[ ] [ ] [x]", AUTO, "dll= qm=Auto option="},
        {"conversion chosen", "Installed", qm, "", "", "[x] [ ] [ ]", OEM, "dll=C:\\t\\qmoem.dll qm= option="},
        {"conversion, no Translator key", "Installed", nullptr, "", "", "[x] [ ] [ ]", OEM, "dll= qm= option="},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ForgetTranslator();
        if (c.registered) RegisterTranslator(c.registered, c.path);
        ASSERT_TRUE(CreateDsn("Sales", {{"QmTranslate", c.storedQm}}));
        EXPECT_EQ(Run("1", "8", "1583", [&](DialogDriver& d) {
                      EXPECT_EQ(d.state({NONE, AUTO, OEM}), c.shown);
                      if (c.choose) d.press(c.choose);
                      d.click(c.choose ? IDOK : IDCANCEL);
                  }, c.dll), c.choose ? IDOK : IDCANCEL);
        EXPECT_EQ(Record(), "fetch=1 size=8 port=1583 " + c.record);
    }
}

TEST_F(AdvancedDialogTest, HelpButtonAndF1OpenTheTopic) {
    ProductRegistrySandbox registry;
    ProductRegistrySandbox::Set(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL Client\\"
                                L"InstallInfo", L"InstallDir", L"C:\\qm");
    auto script = [](DialogDriver& d) { d.play({{'c', IDC_HELP_BUTTON, "", ""}, {'h', 0, "", ""}, kCancel}, {}); };
    const std::string starts = StartsOf([&] { EXPECT_EQ(Run("1", "8", "1583", script), IDCANCEL); });
    const std::string launch = "C:\\qm\\bin|keyhh -qmsw -#mapid 300004 \"C:\\qm\\Docs\\qmswdocs.chm>$global_qmhelp\"\n";
    EXPECT_EQ(starts, launch + launch);
}

// A host may run the exported procedure outside a ConfigDSN call: with no record it ends at once.
TEST_F(AdvancedDialogTest, WithoutARecordTheDialogIsCancelled) {
    EXPECT_EQ(DialogBoxParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_ADVANCED), owner_, AdvancedDlgProc, 0), IDCANCEL);
}

}  // namespace
