// The Logon dialog worked as a user would: the real template run modally, typed into and
// clicked from another thread, against the stand-in server's credentials.
#include <gtest/gtest.h>
#include <windows.h>

#include "dialogs/logon_dialog.h"
#include "dialogs/setup_dialog.h"
#include "remote/admin_library.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"
#include "tests/support/dialog_bench.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/odbc_profile.h"
#include "tests/support/server_scenario.h"

namespace {

const std::string kPassword = "Secret-7431", kInvalid = "Failed to connect to server. "
    "The user name or password is not valid on the server.";
enum { SERVER = IDC_LOGON_SERVER, USER = IDC_LOGON_USER, PASSWORD = IDC_LOGON_PASSWORD };

// In order: the first case leaves a user name typed, which must not enable OK in the next dialog.
TEST(LogonDialogTest, OkWaitsForServerAndUserAndConnectsWithWhatWasTyped) {
    ModuleInstance = GetModuleHandleA(nullptr);  // the template and the caption
    PopupWindow owner(100, 100, 400, 300);
    const nlohmann::json server = {{"servers", {{{"names", {"dbhost"}},
                                                 {"logon", {{"user", "admin"}, {"password", kPassword}}}}}}};
    ServerScenario scenario(server);
    const std::string u512(512, 'u'), both = "admin " + kPassword + ";";
    // storedServer none: no server name from the setup dialog; connects: "server user password;" each.
    struct Case { const char *name, *storedServer; std::vector<Step> steps; INT_PTR result;
                  std::vector<std::string> boxes; std::string connects, server; };
    const Case cases[] = {
        {"no server: OK waits for both boxes, no password needed", nullptr,
         {{'-', 0, "", ">'' '' '' OK(disabled)"}, {'t', USER, "admin", ">'' 'admin' '' OK(disabled)"},
          {'t', SERVER, "dbhost", ">'dbhost' 'admin' '' OK"}, {'t', USER, "", ">'dbhost' '' '' OK(disabled)"},
          {'t', USER, "admin", ">'dbhost' 'admin' '' OK"}, {'t', SERVER, "", ">'' 'admin' '' OK(disabled)"},
          {'c', IDCANCEL, "", "closed"}}, IDCANCEL, {}, "", ""},
        {"a wrong password keeps the dialog and the typing; the right one connects", "dbhost",
         {{'-', 0, "", ">'dbhost' '' '' OK(disabled)"}, {'t', USER, "admin", ""}, {'t', PASSWORD, "wrong", ""},
          {'c', IDOK, "", ">'dbhost' 'admin' 'wrong' OK"}, {'t', PASSWORD, kPassword, ""}, {'c', IDOK, "", "closed"}},
         IDOK, {kInvalid}, "dbhost admin wrong;dbhost " + both, "dbhost"},
        {"past 512 characters refused, not cut; 512 sent whole", nullptr,
         {{'t', SERVER, "dbhost", ""}, {'t', USER, u512, ""}, {'t', PASSWORD, std::string(513, 'p'), ""},
          {'c', IDOK, "", ""}, {'t', PASSWORD, "wrong", ""}, {'c', IDOK, "", ""}, {'c', IDCANCEL, "", "closed"}},
         IDCANCEL, {"The server name, user name and password can each be at most 512 characters long. Please "
                    "shorten them and try again.", kInvalid}, "dbhost " + u512 + " wrong;", "dbhost"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scenario.write(server);
        DsnSettings record{};
        Settings = &record, RemoteSession = kNoRemoteSession;
        if ((HasServerName = c.storedServer != nullptr)) record.ServerName.set(c.storedServer);
        MessageBoxRecorder recorder(ModuleInstance);
        HWND dialog = nullptr;
        EXPECT_EQ(RunDialog(ModuleInstance, IDD_LOGON, owner, LogonDlgProc, c.steps, {SERVER, USER, PASSWORD, IDOK},
                            &dialog), c.result);
        Boxes boxes;
        for (const std::string& t : c.boxes) boxes.push_back({dialog, t, kSetupCaption, kStopBox});
        EXPECT_EQ(recorder.boxes(), boxes);
        std::string connects;
        for (const auto& e : scenario.read().value("connects", nlohmann::json::array()))
            connects += e.value("server", "") + " " + e.value("user", "") + " " + e.value("password", "") + ";";
        EXPECT_EQ(connects, c.connects);
        EXPECT_EQ(record.ServerName.value.c_str(), c.server);
        EXPECT_EQ(RemoteSession != kNoRemoteSession, c.result == IDOK);
        if (RemoteSession != kNoRemoteSession) DBUDisconnect(&RemoteSession);
        // The password is kept nowhere the product writes: the record, the profile, its keys.
        EXPECT_EQ(std::string(reinterpret_cast<char*>(&record), sizeof record).find(kPassword), std::string::npos);
        for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
            for (const char* key : {"Software\\ODBC", "Software\\Quillmere Software"})
                EXPECT_EQ(RegistryText(hive, key).find(kPassword), std::string::npos) << key;
    }
    Settings = nullptr, HasServerName = 0;
}

}  // namespace
