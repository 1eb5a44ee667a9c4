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

constexpr int kCombo = 105;

std::vector<std::string> Items(HWND combo) {
    std::vector<std::string> items;
    const LRESULT n = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        char text[64] = {};
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

json Server(const std::vector<std::string>& databases) {
    json server = {{"names", {"dbhost"}}, {"versions", {{"1", {{"major", 9}}}}}, {"databases", json::array()}};
    for (const std::string& name : databases) server["databases"].push_back({{"name", name}});
    return server;
}

TEST(DatabaseListTest, FillsASortedListWithoutTheSystemDatabase) {
    ModuleInstance = GetModuleHandleA(nullptr);  // the caption comes from the string table
    HWND dialog = CreateWindowExA(0, "STATIC", "dialog", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
    HWND combo = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST | CBS_SORT, 0, 0, 200, 100, dialog,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCombo)), nullptr, nullptr);
    ASSERT_NE(combo, nullptr);
    const std::vector<std::string> mixed = {"zeta", "QUILLMERESYSDB", "DEMODATA", "Quillmeresysdb_old",
                                            "TWENTYCHARACTERSNAME", "a.QuillmereSysDB"};
    struct Case {
        const char* name;
        json server;
        json inject, answers;
        std::int32_t result;
        std::vector<std::string> items;  // as shown: sorted
        std::string box;                 // the one message box's text, or none
    };
    const Case cases[] = {
        {"no databases", Server({}), nullptr, nullptr, 1, {}, ""},
        {"system database hidden by substring in any case; 20 characters whole", Server(mixed), nullptr, nullptr, 1,
         {"DEMODATA", "TWENTYCHARACTERSNAME", "zeta"}, ""},
        {"2300 with two slots delivered", Server(mixed), {{"DBUGetInfo:4117", 2300}}, {{"4117.claimBytes", 40}}, 1,
         {"zeta"}, ""},
        {"fewer bytes than slots: a partial slot is read as far as delivered", Server({"FIRSTDATABASE", "SECONDDATABASE"}),
         nullptr, {{"4117.claimBytes", 30}}, 1, {"FIRSTDATABASE", "SECONDDATA"}, ""},
        {"count request fails", Server(mixed), {{"DBUGetInfo:4115", 7103}}, nullptr, 0, {},
         "An error occurred while trying to retrieve database names on server machine. No session to the server is open."},
        {"names request fails", Server(mixed), {{"DBUGetInfo:4117", 7107}}, nullptr, 0, {},
         "Failed to retrieve database names from remote server. The server could not read the request."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        json scenarioJson = {{"servers", {c.server}}};
        if (!c.inject.is_null()) scenarioJson["inject"] = c.inject;
        if (!c.answers.is_null()) scenarioJson["answers"] = c.answers;
        ServerScenario scenario(scenarioJson);
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("left over"));
        ASSERT_EQ(DBUConnect("dbhost", "", "", &RemoteSession), 0);
        ServerType = 1;
        MessageBoxRecorder boxes(GetModuleHandleA(nullptr));
        EXPECT_EQ(FillDatabaseList(dialog, kCombo), c.result);
        EXPECT_EQ(Items(combo), c.items);
        EXPECT_EQ(boxes.boxes(), (c.box.empty() ? Boxes{} : Boxes{{dialog, c.box, kSetupCaption, kStopBox}}));
        DBUDisconnect(&RemoteSession);
    }

    // A server declaring more databases than one request can carry: the first 3,276 it sends.
    json large = Server({});
    large["generatedDatabases"] = {{"count", 65535}, {"seed", 3}};
    ServerScenario scenario(json{{"servers", {large}}});
    ASSERT_EQ(DBUConnect("dbhost", "", "", &RemoteSession), 0);
    MessageBoxRecorder boxes(GetModuleHandleA(nullptr));
    EXPECT_EQ(FillDatabaseList(dialog, kCombo), 1);
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 3276);
    EXPECT_TRUE(boxes.boxes().empty());
    DBUDisconnect(&RemoteSession);
    DestroyWindow(dialog);
}

}  // namespace
