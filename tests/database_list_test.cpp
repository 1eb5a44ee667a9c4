// The database list as the setup dialog's Get List fills it: a sorted combo box of the
// connected server's databases, the engine's own left out, every failure one message box.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "dialogs/database_list.h"
#include "remote/admin_library.h"
#include "remote/server_probe.h"
#include "setup/call_values.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/server_scenario.h"

using nlohmann::json;

TEST(DatabaseListTest, FillsASortedListWithoutTheSystemDatabase) {
    ModuleInstance = GetModuleHandleA(nullptr);  // the caption comes from the string table
    PopupWindow dialog;
    HWND combo = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST | CBS_SORT, 0, 0, 200, 100, dialog,
                                 reinterpret_cast<HMENU>(INT_PTR{105}), nullptr, nullptr);
    const json mixed = {"zeta", "QUILLMERESYSDB", "DEMODATA", "Quillmeresysdb_old", "TWENTYCHARACTERSNAME",
                        "a.QuillmereSysDB", "ABCDEFQUILLMERESYSDB"};
    const std::string count = "An error occurred while trying to retrieve database names on server machine. ";
    struct Case { const char* name; json databases, inject, answers; std::string items, box; };
    const Case cases[] = {
        {"none", json::array(), {}, {}, "", ""},
        {"system database hidden by substring in any case, up to 20 characters", mixed, {}, {},
         "DEMODATA|TWENTYCHARACTERSNAME|zeta|", ""},
        {"2300 with two slots", mixed, {{"DBUGetInfo:4117", 2300}}, {{"4117.claimBytes", 40}}, "zeta|", ""},
        {"a partial slot read as far as delivered", {"FIRSTDATABASE", "SECONDDATABASE"}, {}, {{"4117.claimBytes", 30}},
         "FIRSTDATABASE|SECONDDATA|", ""},
        {"count fails", mixed, {{"DBUGetInfo:4115", 7103}}, {}, "", count + "No session to the server is open."},
        {"names fail", mixed, {{"DBUGetInfo:4117", 7107}}, {}, "",
         "Failed to retrieve database names from remote server. The server could not read the request."},
        // More databases than one request can carry: the first 3,276 the server sends.
        {"65,535 databases", nullptr, {}, {}, "3276 names", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        json server = {{"names", {"dbhost"}}, {"databases", json::array()},
                       {"generatedDatabases", {{"count", c.databases.is_null() ? 65535 : 0}}}};
        for (const json& name : c.databases) server["databases"].push_back({{"name", name}});
        ServerScenario scenario(json{{"servers", {server}}, {"inject", c.inject}, {"answers", c.answers}});
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
        EXPECT_EQ(n < 100 ? items : std::to_string(n) + " names", c.items);
        EXPECT_EQ(boxes.boxes(), (c.box.empty() ? Boxes{} : Boxes{{dialog, c.box, kSetupCaption, kStopBox}}));
        DBUDisconnect(&RemoteSession);
    }
}
