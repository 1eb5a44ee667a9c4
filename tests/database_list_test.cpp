// The database list as the setup dialog's Get List fills it: a sorted combo box of the
// connected server's databases, the engine's own left out, every failure one message box.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "dialogs/database_list.h"
#include "remote/admin_library.h"
#include "remote/server_probe.h"
#include "setup/call_values.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/server_scenario.h"

using nlohmann::json;

namespace {

TEST(DatabaseListTest, FillsASortedListWithoutTheSystemDatabase) {
    ModuleInstance = GetModuleHandleA(nullptr);  // the caption comes from the string table
    PopupWindow dialog;
    HWND combo = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST | CBS_SORT, 0, 0, 200, 100, dialog,
                                 reinterpret_cast<HMENU>(INT_PTR{105}), nullptr, nullptr);
    const std::string mixed = R"(["zeta", "QUILLMERESYSDB", "DEMODATA", "Quillmeresysdb_old", "TWENTYCHARACTERSNAME",
        "a.QuillmereSysDB", "ABCDEFQUILLMERESYSDB"])";
    const std::string count = "An error occurred while trying to retrieve database names on server machine. ";
    struct Case { const char* name; std::string databases, inject, answers, items, box; };
    const Case cases[] = {
        {"none", "[]", "{}", "{}", "", ""},
        {"system database hidden by substring in any case, up to 20 characters", mixed, "{}", "{}",
         "DEMODATA|TWENTYCHARACTERSNAME|zeta|", ""},
        {"2300 with two slots", mixed, R"({"DBUGetInfo:4117": 2300})", R"({"4117.claimBytes": 40})", "zeta|", ""},
        {"a partial slot read as far as delivered", R"(["FIRSTDATABASE", "SECONDDATABASE"])", "{}",
         R"({"4117.claimBytes": 30})", "FIRSTDATABASE|SECONDDATA|", ""},
        {"count fails", mixed, R"({"DBUGetInfo:4115": 7103})", "{}", "", count + "No session to the server is open."},
        {"names fail", mixed, R"({"DBUGetInfo:4117": 7107})", "{}", "",
         "Failed to retrieve database names from remote server. The server could not read the request."},
        // More databases than one request can carry: the first 3,276 the server sends.
        {"65,535 databases", "[]", "{}", "{}", "3276 items", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        json server = {{"names", {"dbhost"}}, {"databases", json::array()}};
        for (const json& name : json::parse(c.databases)) server["databases"].push_back({{"name", name}});
        if (c.items == "3276 items") server["generatedDatabases"] = {{"count", 65535}, {"seed", 3}};
        ServerScenario scenario(
            {{"servers", {server}}, {"inject", json::parse(c.inject)}, {"answers", json::parse(c.answers)}});
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("left over"));
        ASSERT_EQ(DBUConnect("dbhost", "", "", &RemoteSession), 0);
        ServerType = 1;
        MessageBoxRecorder boxes(GetModuleHandleA(nullptr));
        EXPECT_EQ(FillDatabaseList(dialog, 105), c.box.empty() ? 1 : 0);
        std::string items;
        const LRESULT n = SendMessageA(combo, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n && n < 100; ++i) {
            char text[64] = {};
            SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            items += text + std::string("|");
        }
        EXPECT_EQ(n < 100 ? items : std::to_string(n) + " items", c.items);
        EXPECT_EQ(boxes.boxes(), (c.box.empty() ? Boxes{} : Boxes{{dialog, c.box, kSetupCaption, kStopBox}}));
        DBUDisconnect(&RemoteSession);
    }
}

}  // namespace
