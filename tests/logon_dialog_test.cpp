// The Logon dialog, worked as a user would: the real template 111 run modally, typed into
// and clicked from another thread, against the stand-in server's credentials.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "dialogs/logon_dialog.h"
#include "dialogs/setup_dialog.h"
#include "remote/admin_library.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"
#include "tests/support/dialog_bench.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/odbc_profile.h"
#include "tests/support/server_scenario.h"

using nlohmann::json;

namespace {

const char kPassword[] = "Secret-7431";

class LogonDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ModuleInstance = GetModuleHandleA(nullptr);  // the template and the caption
        std::memset(&record_, 0, sizeof record_);
        Settings = &record_;
        RemoteSession = kNoRemoteSession;
    }
    void TearDown() override {
        if (RemoteSession != kNoRemoteSession) DBUDisconnect(&RemoteSession);
        Settings = nullptr;
        HasServerName = 0;
    }
    INT_PTR Run(const std::function<void(DialogDriver&)>& script) {
        return RunDialog(GetModuleHandleA(nullptr), IDD_LOGON, owner_, LogonDlgProc, script);
    }
    json Connects() { return scenario_.read().value("connects", json::array()); }

    DsnSettings record_;
    PopupWindow owner_{100, 100, 400, 300};
    ServerScenario scenario_{json{{"servers", {{{"names", {"dbhost", "otherhost"}},
                                                {"logon", {{"user", "admin"}, {"password", kPassword}}}}}}}};
};

TEST_F(LogonDialogTest, OkWaitsForAServerAndAUserNameAndCancelConnectsNothing) {
    HasServerName = 0;
    MessageBoxRecorder boxes(GetModuleHandleA(nullptr));
    INT_PTR result = Run([](DialogDriver& d) {
        EXPECT_EQ(d.text(IDC_LOGON_SERVER), "");
        EXPECT_EQ(d.focus(), d.item(IDC_LOGON_SERVER));  // first in the tab order
        EXPECT_NE(d.style(IDC_LOGON_PASSWORD) & ES_PASSWORD, 0);
        struct Step { int box; const char* text; bool okEnabled; };
        const Step steps[] = {{IDC_LOGON_USER, "admin", false}, {IDC_LOGON_SERVER, "dbhost", true},
                              {IDC_LOGON_USER, "", false}, {IDC_LOGON_USER, "admin", true},
                              {IDC_LOGON_SERVER, "", false}};
        EXPECT_FALSE(d.enabled(IDOK));
        for (const Step& s : steps) {
            d.type(s.box, s.text);
            EXPECT_EQ(d.enabled(IDOK), s.okEnabled) << s.box << "=" << s.text;  // no password needed
        }
        d.click(IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(RemoteSession, kNoRemoteSession);
    EXPECT_TRUE(Connects().empty());
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(LogonDialogTest, AWrongPasswordKeepsTheDialogOpenAndTheRightOneConnects) {
    HasServerName = 1;
    record_.ServerName.set("dbhost");
    MessageBoxRecorder boxes(GetModuleHandleA(nullptr));
    HWND dialog = nullptr;
    INT_PTR result = Run([&](DialogDriver& d) {
        dialog = d.dialog();
        EXPECT_EQ(d.text(IDC_LOGON_SERVER), "dbhost");
        EXPECT_FALSE(d.enabled(IDOK));
        d.type(IDC_LOGON_USER, "admin");
        d.type(IDC_LOGON_PASSWORD, "wrong");
        d.click(IDOK);
        EXPECT_TRUE(d.open());
        EXPECT_EQ(RemoteSession, kNoRemoteSession);
        EXPECT_EQ(d.text(IDC_LOGON_USER), "admin");  // the typed values stay for another try
        EXPECT_EQ(d.text(IDC_LOGON_PASSWORD), "wrong");
        d.type(IDC_LOGON_PASSWORD, kPassword);
        d.click(IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_NE(RemoteSession, kNoRemoteSession);
    EXPECT_EQ(boxes.boxes(), (Boxes{{dialog, "Failed to connect to server. The user name or password is not valid on the server.",
                                    kSetupCaption, kStopBox}}));
    // The server saw each attempt once, as typed.
    EXPECT_EQ(Connects(), json::parse(std::string(R"([{"server":"dbhost","user":"admin","password":"wrong"},)") +
                                      R"({"server":"dbhost","user":"admin","password":")" + kPassword + R"("}])"));
    // The password is kept nowhere the product writes: not in the record, not in the profile,
    // not in the product's registry keys.
    const std::string record(reinterpret_cast<const char*>(&record_), sizeof record_);
    EXPECT_EQ(record.find(kPassword), std::string::npos);
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (const char* key : {"Software\\ODBC", "Software\\Quillmere Software"})
            EXPECT_EQ(RegistryText(hive, key).find(kPassword), std::string::npos) << key;
    }
}

TEST_F(LogonDialogTest, AServerTypedHereReplacesTheRecordsAndCancelAfterAFailureConnectsNothing) {
    HasServerName = 1;
    record_.ServerName.set("nowhere");
    MessageBoxRecorder boxes(GetModuleHandleA(nullptr));
    EXPECT_EQ(Run([](DialogDriver& d) {
                  d.type(IDC_LOGON_USER, "admin");
                  d.type(IDC_LOGON_PASSWORD, kPassword);
                  d.click(IDOK);  // nowhere cannot be reached
                  EXPECT_TRUE(d.open());
                  d.click(IDCANCEL);
              }),
              IDCANCEL);
    EXPECT_EQ(RemoteSession, kNoRemoteSession);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Failed to connect to server. The server could not be reached.");

    EXPECT_EQ(Run([](DialogDriver& d) {
                  d.type(IDC_LOGON_SERVER, "otherhost");
                  d.type(IDC_LOGON_USER, "admin");
                  d.type(IDC_LOGON_PASSWORD, kPassword);
                  d.click(IDOK);
              }),
              IDOK);
    EXPECT_STREQ(record_.ServerName.value.c_str(), "otherhost");
    EXPECT_EQ(Connects().back()["server"], "otherhost");
}

TEST_F(LogonDialogTest, TextsLongerThanAConnectionTakesAreRefusedNotCut) {
    HasServerName = 0;
    MessageBoxRecorder boxes(GetModuleHandleA(nullptr));
    const std::string longest(512, 'u'), tooLong(513, 'p');
    EXPECT_EQ(Run([&](DialogDriver& d) {
                  EXPECT_EQ(SendMessageA(d.item(IDC_LOGON_PASSWORD), EM_GETLIMITTEXT, 0, 0), 512);
                  d.type(IDC_LOGON_SERVER, "dbhost");
                  d.type(IDC_LOGON_USER, longest);
                  d.type(IDC_LOGON_PASSWORD, tooLong);  // set from outside: past the typing limit
                  d.click(IDOK);
                  EXPECT_TRUE(d.open());
                  d.click(IDCANCEL);
              }),
              IDCANCEL);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "The server name, user name and password can each be at most 512 characters long. "
                                     "Please shorten them and try again.");
    EXPECT_TRUE(Connects().empty());  // nothing was sent
}

}  // namespace
