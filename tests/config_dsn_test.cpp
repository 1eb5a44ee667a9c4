// ConfigDSN as callers reach it: DSNSET64.dll loaded as a library, and through the real
// ODBC installer's SQLConfigDataSource with the driver registered like a user's installer.
#include <gtest/gtest.h>
#include <windows.h>
#include <odbcinst.h>

#include "tests/support/import_hook.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/odbc_profile.h"
#include "tests/support/server_scenario.h"

namespace {

class ConfigDsnTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Loaded from the registered path, so the installer's own load finds this module.
        ASSERT_NE(library_ = LoadLibraryA((ExecutableFolder() + "\\DSNSET64.dll").c_str()), nullptr);
        ASSERT_TRUE(RegisterClientDriver(ExecutableFolder()));
    }
    void TearDown() override {
        for (const char* dsn : {"Sales", "Other"}) ForgetDsn(dsn);
    }
    BOOL Call(HWND owner, WORD request, const std::vector<std::string>& pairs, bool installer = false) {
        using ConfigDsn = BOOL(WINAPI*)(HWND, WORD, LPCSTR, LPCSTR);
        return (installer ? &SQLConfigDataSource : reinterpret_cast<ConfigDsn>(reinterpret_cast<void*>(
            GetProcAddress(library_, "ConfigDSN"))))(owner, request, kClientDriverName, AttributeList(pairs).c_str());
    }
    static HMODULE library_;
    PopupWindow owner_;
};
HMODULE ConfigDsnTest::library_ = nullptr;

// Directly, and through the installer as a user's installer or script sends it.
TEST_F(ConfigDsnTest, RemoveAsksOnlyForAReplicationDsnWithAWindow) {
    const RecordedMessageBox question = {owner_, "This data source is used by the Quillmere replication process. If "
        "you remove it, the replication process will not function properly. Do you want to continue?", kSetupCaption,
        MB_YESNO | MB_ICONQUESTION};
    struct Case { WORD request; bool window, installer; const char* mark; int answer; const char* outcome; };
    const Case cases[] = {
        {3, true, false, "yEs", IDNO, "asked, kept"}, {6, true, false, "YES", IDYES, "asked, removed"},
        {3, true, false, "No", IDYES, "removed"}, {3, true, false, "Yes ", IDYES, "removed"},
        {3, true, false, "", IDYES, "removed"}, {6, false, false, "YES", IDNO, "removed"},
        {ODBC_REMOVE_SYS_DSN, true, true, "Yes", IDNO, "asked, kept"}, {ODBC_REMOVE_DSN, false, true, "Yes", 0, "removed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.request << " " << c.window << c.installer << " '" << c.mark << "'");
        ASSERT_TRUE(CreateDsn("Sales", {{"ReplicationSystem", c.mark}}) && CreateDsn("Other", {{"ReplicationSystem", "Yes"}}));
        MessageBoxRecorder boxes(library_);
        boxes.answer(c.answer);
        EXPECT_TRUE(Call(c.window ? static_cast<HWND>(owner_) : nullptr, c.request, {"DSN=Sales"}, c.installer));
        const std::string asked = boxes.boxes() == Boxes{question} ? "asked, " : boxes.boxes().empty() ? "" : "a box, ";
        EXPECT_EQ(asked + (DsnListed("Sales") ? "kept" : "removed") + (DsnListed("Other") ? "" : ", Other too"), c.outcome);
    }
}

// WINE8: asked to remove the empty name, Wine's installer deletes the machine hive's whole
// ODBC.INI key, every DSN with it. A remove that names no DSN is refused before that.
TEST_F(ConfigDsnTest, RemoveNamingNoDsnIsRefusedAndEveryDsnStays) {
    for (const char* dsn : {"Sales", "Other"}) ASSERT_TRUE(CreateDsn(dsn, {{"Description", dsn}}));
    const std::string before = OdbcIniSnapshot();
    MessageBoxRecorder boxes(library_);
    EXPECT_FALSE(Call(nullptr, 3, {}));
    EXPECT_FALSE(Call(owner_, 6, {"DSN="}));
    EXPECT_FALSE(Call(nullptr, 3, {"Description=x"}));
    EXPECT_FALSE(Call(nullptr, ODBC_REMOVE_DSN, {"DSN="}, true));
    EXPECT_FALSE(reinterpret_cast<BOOL(WINAPI*)(HWND, WORD, LPCSTR, LPCSTR)>(reinterpret_cast<void*>(
        GetProcAddress(library_, "ConfigDSN")))(nullptr, 3, kClientDriverName, nullptr));  // no attribute list
    EXPECT_EQ(OdbcIniSnapshot(), before);
    EXPECT_EQ(boxes.boxes(), Boxes{});
}

// Codes 4 and 5 reach the library only from a caller that does not go through Wine's
// installer (which turns them into 1 and 2 first); any code not listed configures. An add
// checks the database on localhost; a configure of a DSN without a stored server cannot.
// Without a DSN named, no request does anything.
TEST_F(ConfigDsnTest, RequestCodesActAsAddOrConfigure) {
    nlohmann::json local = DemoServer();
    local["names"] = {"localhost"};
    ServerScenario scenario(nlohmann::json{{"servers", {local}}});
    MessageBoxRecorder boxes(library_);
    std::string seen;
    for (WORD request : {1, 2, 4, 5, 7}) {
        ForgetDsn("Sales");
        const std::string before = OdbcIniSnapshot();
        const bool unnamedDid = Call(nullptr, request, {"Description=no name"}) || OdbcIniSnapshot() != before;
        const bool adds = Call(nullptr, request, {"DSN=Sales", "DBQ=DEMODATA"}) && DsnListed("Sales");
        seen += std::to_string(request) + (unnamedDid ? " changed " : " ") + (adds ? "adds, " : "not, ");
    }
    EXPECT_EQ(seen, "1 adds, 2 not, 4 adds, 5 not, 7 not, ");
    EXPECT_EQ(boxes.boxes(), Boxes{});
}

// A stop that fails keeps the library for the next call, which does not load it twice.
TEST_F(ConfigDsnTest, EachCallStartsAndStopsTheAdministrationLibrary) {
    ServerScenario scenario(nlohmann::json{{"servers", {DemoServer()}}});
    std::string seen;
    for (int stopFails : {0, 7, 0}) {
        nlohmann::json s = scenario.read();  // the counters live in the file: edited, not replaced
        s["inject"] = stopFails ? nlohmann::json{{"DBUStop", stopFails}} : nlohmann::json::object();
        scenario.write(s);
        EXPECT_TRUE(Call(nullptr, 3, {"DSN=Nothing"}));
        seen += std::to_string(scenario.counter("DBUStart")) + "/" + std::to_string(scenario.counter("DBUStop")) +
                (GetModuleHandleW(L"w64rmadm.dll") ? " open, " : ", ");
    }
    EXPECT_EQ(seen, "1/1, 2/2 open, 3/3, ");
}

// The dialog procedures are exported: a host that runs one outside a ConfigDSN call has no
// record to edit, and the dialog closes at once instead of touching one.
TEST_F(ConfigDsnTest, ExportedDialogsOutsideACallCloseAtOnce) {
    for (auto [name, templateId] : {std::pair{"AdvancedDlgProc", 115}, std::pair{"LogonDlgProc", 111}}) {
        auto procedure = reinterpret_cast<DLGPROC>(reinterpret_cast<void*>(GetProcAddress(library_, name)));
        EXPECT_EQ(DialogBoxParamA(library_, MAKEINTRESOURCEA(templateId), owner_, procedure, 0), IDCANCEL) << name;
    }
}

int32_t FailAcquire(void*) { return 1; }
HGLOBAL WINAPI FailLock(HGLOBAL) { return nullptr; }
LONG releases = 0;
void* realRelease = nullptr;
int32_t CountRelease(void* mutex) { return ++releases, reinterpret_cast<int32_t (*)(void*)>(realRelease)(mutex); }

// Without the mutex a call answers TRUE and does nothing; without its record it answers
// FALSE, shows nothing and releases the mutex. Either way the next call works.
TEST_F(ConfigDsnTest, MutexOrRecordNotHad) {
    ASSERT_TRUE(CreateDsn("Sales", {{"ReplicationSystem", "Yes"}}));
    ImportHook release(library_, "w64qscore3.dll", "QSMutexRelease", reinterpret_cast<void*>(&CountRelease));
    realRelease = release.original();
    MessageBoxRecorder boxes(library_);
    {
        ImportHook acquire(library_, "w64qscore3.dll", "QSMutexAcquire", reinterpret_cast<void*>(&FailAcquire));
        EXPECT_TRUE(Call(nullptr, 3, {"DSN=Sales"}) && Call(nullptr, 1, {"Description=x"}));
    }
    {
        ImportHook lock(library_, "kernel32.dll", "GlobalLock", reinterpret_cast<void*>(&FailLock));
        EXPECT_FALSE(Call(owner_, 3, {"DSN=Sales"}));
    }
    EXPECT_EQ(std::to_string(releases) + (DsnListed("Sales") ? " listed" : ""), "1 listed");
    EXPECT_EQ(boxes.boxes(), Boxes{});
    EXPECT_TRUE(Call(nullptr, 3, {"DSN=Sales"}));
    EXPECT_FALSE(DsnListed("Sales"));
}

}  // namespace
