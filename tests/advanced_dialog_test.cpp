// The Advanced Connection Attributes dialog, worked as a user would: the real template 115
// run modally over an owner, its boxes typed into and its buttons clicked from another
// thread; the record and the translator registration read back afterwards.
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

namespace {

const char kTranslator[] = "Quillmere Software OEM to ANSI";

std::string SizeRefused(const std::string& size) {
    return "The array fetch buffer size must be a number in the range 1 to 64.\n " + size + " is not acceptable. Please reenter.";
}

class AdvancedDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ModuleInstance = GetModuleHandleA(nullptr);
        std::memset(&record_, 0, sizeof record_);
        record_.DSN.set("Sales");
        Settings = &record_;
        ForgetTranslator();
    }
    void TearDown() override {
        Settings = nullptr;
        ForgetTranslator();
        ForgetDsn("Sales");
    }
    static void ForgetTranslator() {
        DWORD usage = 0;
        while (SQLRemoveTranslator(kTranslator, &usage) && usage > 0) {
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\ODBC\\odbcinst.ini\\ODBC Translators");
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\ODBC\\odbcinst.ini\\Quillmere Software OEM to ANSI");
    }
    // Registers the translator as a user's installer does, with SQLInstallTranslatorEx.
    // WINE8: Wine's installer records it in the machine hive's ODBCINST.INI, but its
    // SQLGetPrivateProfileString reads "odbcinst.ini" from the user hive only, so the entries
    // are also written there, where Windows' installer would find them for the library.
    static void RegisterTranslator(const char* state, const char* path) {
        const std::string attributes = std::string(kTranslator) + '\0' + "Translator=" + (path ? path : "none.dll") +
                                       '\0' + "Setup=" + (path ? path : "none.dll") + '\0' + '\0';
        char out[MAX_PATH];
        WORD length = 0;
        DWORD usage = 0;
        EXPECT_TRUE(SQLInstallTranslatorEx(attributes.c_str(), "C:\\t", out, MAX_PATH, &length, ODBC_INSTALL_COMPLETE,
                                           &usage));
        SQLWritePrivateProfileString("ODBC Translators", kTranslator, state, "odbcinst.ini");
        if (path) SQLWritePrivateProfileString(kTranslator, "Translator", path, "odbcinst.ini");
    }
    INT_PTR Run(const std::function<void(DialogDriver&)>& script) {
        return RunDialog(GetModuleHandleA(nullptr), IDD_ADVANCED, owner_, AdvancedDlgProc, script);
    }
    DsnSettings record_;
    PopupWindow owner_{100, 100, 400, 300};
};

TEST_F(AdvancedDialogTest, ArrayFetchOffHidesTheBufferSizeUntilCheckedAgain) {
    struct Case { const char* name; const char* storedSize; const char* shownSize; };
    const Case cases[] = {{"a stored buffer size", "16", "16"}, {"no stored buffer size", nullptr, "8"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        record_.ArrayFetchOn.set("0");
        record_.ArrayBufferSize = {};
        if (c.storedSize) record_.ArrayBufferSize.set(c.storedSize);
        record_.TCPPort.set("2000");
        EXPECT_EQ(Run([&](DialogDriver& d) {
                      EXPECT_FALSE(d.checked(IDC_ARRAY_FETCH));
                      EXPECT_FALSE(d.enabled(IDC_ARRAY_BUFFER_SIZE));
                      EXPECT_EQ(d.text(IDC_ARRAY_BUFFER_SIZE), "");
                      EXPECT_FALSE(d.checked(IDC_TCP_PORT_DEFAULT));
                      EXPECT_TRUE(d.enabled(IDC_TCP_PORT));
                      EXPECT_EQ(d.text(IDC_TCP_PORT), "2000");
                      d.press(IDC_ARRAY_FETCH);
                      EXPECT_TRUE(d.enabled(IDC_ARRAY_BUFFER_SIZE));
                      EXPECT_EQ(d.text(IDC_ARRAY_BUFFER_SIZE), c.shownSize);
                      d.click(IDOK);
                  }),
                  IDOK);
        EXPECT_STREQ(record_.ArrayFetchOn.value.c_str(), "1");
        EXPECT_STREQ(record_.ArrayBufferSize.value.c_str(), c.shownSize);
    }
}

TEST_F(AdvancedDialogTest, TheDefaultPortIsAToggleAndOkWantsAPort) {
    // Array fetch not given: shown on, with 8 KB.
    EXPECT_EQ(Run([](DialogDriver& d) {
                  EXPECT_TRUE(d.checked(IDC_ARRAY_FETCH));
                  EXPECT_EQ(d.text(IDC_ARRAY_BUFFER_SIZE), "8");
                  d.click(IDCANCEL);
              }),
              IDCANCEL);
    // As the setup dialog opens it: every field given.
    record_.ArrayFetchOn.set("1");
    record_.ArrayBufferSize.set("8");
    record_.TCPPort.set("1583");
    EXPECT_EQ(Run([](DialogDriver& d) {
                  EXPECT_TRUE(d.checked(IDC_TCP_PORT_DEFAULT));
                  EXPECT_FALSE(d.enabled(IDC_TCP_PORT));
                  EXPECT_EQ(d.text(IDC_TCP_PORT), "1583");
                  EXPECT_TRUE(d.enabled(IDOK));
                  d.press(IDC_TCP_PORT_DEFAULT);
                  EXPECT_EQ(d.text(IDC_TCP_PORT), "");
                  EXPECT_TRUE(d.enabled(IDC_TCP_PORT));
                  EXPECT_FALSE(d.enabled(IDOK));
                  d.type(IDC_TCP_PORT, "2000");
                  EXPECT_TRUE(d.enabled(IDOK));
                  d.type(IDC_ARRAY_BUFFER_SIZE, "");
                  EXPECT_FALSE(d.enabled(IDOK));  // array fetch on wants a size too
                  d.press(IDC_ARRAY_FETCH);
                  EXPECT_TRUE(d.enabled(IDOK));
                  d.press(IDC_ARRAY_FETCH);
                  d.type(IDC_TCP_PORT, "2100");
                  d.click(IDCANCEL);
              }),
              IDCANCEL);
    // Cancel keeps what the boxes already put into the record; the setup dialog's OK writes it.
    EXPECT_STREQ(record_.TCPPort.value.c_str(), "2100");
}

TEST_F(AdvancedDialogTest, BufferSizesFromOneToSixtyFourAreAccepted) {
    struct Case { const char* size; bool accepted; };
    const Case cases[] = {{"1", true}, {"64", true}, {"0", false}, {"65", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        record_.ArrayFetchOn.set("1");
        record_.TCPPort.set("1583");
        MessageBoxRecorder boxes(GetModuleHandleA(nullptr));
        HWND dialog = nullptr;
        INT_PTR result = Run([&](DialogDriver& d) {
            dialog = d.dialog();
            d.type(IDC_ARRAY_BUFFER_SIZE, c.size);
            d.click(IDOK);
            if (c.accepted) return;
            EXPECT_TRUE(d.open());
            DWORD start = 0, end = 0;
            SendMessageA(d.item(IDC_ARRAY_BUFFER_SIZE), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                         reinterpret_cast<LPARAM>(&end));
            EXPECT_EQ(start, 0u);  // the whole text selected for retyping
            EXPECT_EQ(end, std::strlen(c.size));
            d.click(IDCANCEL);
        });
        EXPECT_EQ(result, c.accepted ? IDOK : IDCANCEL);
        EXPECT_EQ(record_.ArrayBufferSize.isSet, c.accepted ? 1u : 0u);
        EXPECT_EQ(boxes.boxes(), (c.accepted ? Boxes{} : Boxes{{dialog, SizeRefused(c.size), kSetupCaption, kStopBox}}));
    }
    // A buffer size the record was given at full length (typing is held to two characters)
    // is refused with the whole text in the message.
    const std::string longSize(512, '9');
    record_.ArrayBufferSize.set(longSize.c_str());
    {
        MessageBoxRecorder boxes(GetModuleHandleA(nullptr));
        EXPECT_EQ(Run([](DialogDriver& d) {
                      d.click(IDOK);
                      EXPECT_TRUE(d.open());
                      d.click(IDCANCEL);
                  }),
                  IDCANCEL);
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text, SizeRefused(longSize));
    }
    // With array fetch off, whatever the box holds is dropped without a word.
    MessageBoxRecorder boxes(GetModuleHandleA(nullptr));
    EXPECT_EQ(Run([](DialogDriver& d) {
                  d.type(IDC_ARRAY_BUFFER_SIZE, "99");
                  d.press(IDC_ARRAY_FETCH);
                  d.click(IDOK);
              }),
              IDOK);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_STREQ(record_.ArrayFetchOn.value.c_str(), "0");
    EXPECT_EQ(record_.ArrayBufferSize.isSet, 0u);
    EXPECT_STREQ(record_.ArrayBufferSize.value.c_str(), "");
}

TEST_F(AdvancedDialogTest, TranslationIsChosenFromTheStoredDsnAndTheRegisteredTranslator) {
    struct Case {
        const char* name;
        const char* registered;  // the "ODBC Translators" entry, or none
        const char* translatorPath;
        const char* storedQmTranslate;
        const char* translationDll;
        int selected;
        bool oemEnabled;
    };
    const Case cases[] = {
        {"QmTranslate stored in capitals", "Installed", "C:\\t\\qmoem.dll", "AUTO", "", IDC_TRANSLATION_AUTO, true},
        {"translator registered, nothing chosen", "installed", "C:\\t\\qmoem.dll", "", "", IDC_TRANSLATION_NONE, true},
        {"translator registered and a translator stored", "Installed", "C:\\t\\qmoem.dll", "", "x.dll",
         IDC_TRANSLATION_OEM, true},
        {"translator not registered", nullptr, nullptr, "", "x.dll", IDC_TRANSLATION_NONE, false},
        {"translator registered otherwise", "Removed", nullptr, "", "x.dll", IDC_TRANSLATION_NONE, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ForgetTranslator();
        if (c.registered) RegisterTranslator(c.registered, c.translatorPath);
        ASSERT_TRUE(CreateDsn("Sales", {{"QmTranslate", c.storedQmTranslate}}));
        record_.TCPPort.set("1583");
        record_.QmTranslate.set("");  // loaded by the setup dialog; the stored value is read again here
        record_.TranslationDLL.set(c.translationDll);
        EXPECT_EQ(Run([&](DialogDriver& d) {
                      for (int radio : {IDC_TRANSLATION_NONE, IDC_TRANSLATION_AUTO, IDC_TRANSLATION_OEM})
                          EXPECT_EQ(d.checked(radio), radio == c.selected) << radio;
                      EXPECT_EQ(d.enabled(IDC_TRANSLATION_OEM), c.oemEnabled);
                      d.click(IDCANCEL);
                  }),
                  IDCANCEL);
        EXPECT_STREQ(record_.TranslationDLL.value.c_str(), c.translationDll);  // Cancel leaves the translation
    }
}

TEST_F(AdvancedDialogTest, OkStoresTheChosenTranslation) {
    struct Case { const char* name; int choose; const char* translatorPath; const char* dll; const char* qm; };
    const Case cases[] = {
        {"none", IDC_TRANSLATION_NONE, "C:\\t\\qmoem.dll", "", ""},
        {"automatic", IDC_TRANSLATION_AUTO, "C:\\t\\qmoem.dll", "", "Auto"},
        {"OEM/ANSI conversion", IDC_TRANSLATION_OEM, "C:\\t\\qmoem.dll", "C:\\t\\qmoem.dll", ""},
        {"OEM/ANSI conversion without a Translator key", IDC_TRANSLATION_OEM, nullptr, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ForgetTranslator();
        RegisterTranslator("Installed", c.translatorPath);
        record_.TCPPort.set("1583");
        record_.TranslationOption.set("stale");
        EXPECT_EQ(Run([&](DialogDriver& d) {
                      d.press(c.choose);
                      d.click(IDOK);
                  }),
                  IDOK);
        EXPECT_STREQ(record_.TranslationDLL.value.c_str(), c.dll);
        EXPECT_STREQ(record_.QmTranslate.value.c_str(), c.qm);
        EXPECT_STREQ(record_.TranslationOption.value.c_str(), "");
        EXPECT_TRUE(record_.TranslationDLL.isSet && record_.QmTranslate.isSet && record_.TranslationOption.isSet);
    }
}

}  // namespace
