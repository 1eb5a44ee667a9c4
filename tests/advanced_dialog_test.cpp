// The Advanced Connection Attributes dialog worked as a user would (the real template run
// modally over an owner, driven from another thread); the record it edits read afterwards.
#include <gtest/gtest.h>
#include <windows.h>

#include "dialogs/advanced_dialog.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"
#include "tests/support/dialog_bench.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/registry_sandbox.h"

namespace {

enum { FETCH = IDC_ARRAY_FETCH, SIZE = IDC_ARRAY_BUFFER_SIZE, STD = IDC_TCP_PORT_DEFAULT, PORT = IDC_TCP_PORT };
const Step kOk{'c', IDOK, "", "closed"}, kCancel{'c', IDCANCEL, "", "closed"};

struct AdvancedDialogTest : ::testing::Test {
    void TearDown() override { Settings = nullptr; }
    INT_PTR Run(const char* fetch, const char* size, const char* port, const std::vector<Step>& steps) {
        record_ = {}, Settings = &record_, ModuleInstance = GetModuleHandleA(nullptr);
        for (auto [f, value] : {std::pair{&record_.DSN, "Sales"}, {&record_.ArrayFetchOn, fetch},
                                {&record_.ArrayBufferSize, size}, {&record_.TCPPort, port}})
            if (value) f->set(value);
        return RunDialog(ModuleInstance, IDD_ADVANCED, owner_, AdvancedDlgProc, steps, {FETCH, SIZE, STD, PORT, IDOK},
                         &dialog_);
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

std::string Refused(const std::string& size) {
    return "The array fetch buffer size must be a number in the range 1 to 64.\n " + size +
           " is not acceptable. Please reenter.";
}

TEST_F(AdvancedDialogTest, NetworkBoxesEditTheRecord) {
    const std::string big(512, '9');
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
        MessageBoxRecorder recorder(GetModuleHandleA(nullptr));
        EXPECT_EQ(Run(c.fetch, c.size, c.port, c.steps), c.result);
        EXPECT_EQ(Record(), c.record);
        Boxes boxes;
        for (const std::string& text : c.boxes) boxes.push_back({dialog_, text, kSetupCaption, kStopBox});
        EXPECT_EQ(recorder.boxes(), boxes);
    }
}

TEST_F(AdvancedDialogTest, HelpButtonAndF1OpenTheTopic) {
    ProductRegistrySandbox registry;
    ProductRegistrySandbox::Set(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL Client\\"
                                L"InstallInfo", L"InstallDir", L"C:\\qm");
    const std::string launch = "C:\\qm\\bin|keyhh -qmsw -#mapid 300004 \"C:\\qm\\Docs\\qmswdocs.chm>$global_qmhelp\"\n";
    EXPECT_EQ(StartsOf([&] { Run("1", "8", "1583", {{'c', IDC_HELP_BUTTON, "", ""}, {'h', 0, "", ""}, kCancel}); }),
              launch + launch);
}

// A host may run the exported procedure outside a ConfigDSN call: with no record it ends at once.
TEST_F(AdvancedDialogTest, WithoutARecordTheDialogIsCancelled) {
    EXPECT_EQ(DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ADVANCED), owner_, AdvancedDlgProc, 0),
              IDCANCEL);
}

}  // namespace
