// ConfigDSN as callers reach it: DSNSET64.dll loaded as a library, and through the real
// ODBC installer's SQLConfigDataSource with the driver registered like a user's installer.
#include <gtest/gtest.h>
#include <optional>
#include "tests/support/import_hook.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/odbc_profile.h"
#include "tests/support/server_scenario.h"

namespace {
int32_t FailAcquire(void*) { return 1; }
HMODULE Library() {  // loaded from the registered path, so the installer's own load finds this module
    static HMODULE library = RegisterClientDriver(ExecutableFolder()) ? LoadLibraryA("DSNSET64.dll") : nullptr;
    return library;
}
// Directly, or through the installer as a user's installer or script calls it; no pairs: no list.
BOOL Call(HWND owner, WORD request, const std::vector<std::string>& pairs, bool installer = false) {
    using ConfigDsn = BOOL(WINAPI*)(HWND, WORD, LPCSTR, LPCSTR);
    const std::string list = AttributeList(pairs);
    return (installer ? &SQLConfigDataSource : reinterpret_cast<ConfigDsn>(reinterpret_cast<void*>(GetProcAddress(
        Library(), "ConfigDSN"))))(owner, request, kClientDriverName, pairs.empty() ? nullptr : list.c_str());
}

// "Other" is marked for replication, "Sales" as the case says (none: no Sales). Outcome: answer, question, change.
TEST(ConfigDsnTest, EachRequestDoesWhatItsCodeSays) {
    PopupWindow owner;
    nlohmann::json local = DemoServer();
    local["names"] = {"localhost"};
    ServerScenario scenario(nlohmann::json{{"servers", {local}}});
    const RecordedMessageBox question = {owner, "This data source is used by the Quillmere replication process. If "
        "you remove it, the replication process will not function properly. Do you want to continue?", kSetupCaption,
        MB_YESNO | MB_ICONQUESTION};
    const std::vector<std::string> sales = {"DSN=Sales"}, add = {"DSN=Sales", "DBQ=DEMODATA"}, none = {"DSN="},
                                   unnamed = {"Description=x"};
    struct Case { WORD request; bool window, installer; const char* mark; int answer; std::vector<std::string> pairs;
                  const char* outcome; bool noMutex = false; };
    const Case cases[] = {
        // A remove asks first only with a window, and only for a DSN marked "Yes" in any case.
        {3, true, false, "yEs", IDNO, sales, "TRUE asked"}, {6, true, false, "YES", IDYES, sales, "TRUE asked removed"},
        {3, true, false, "No", 0, sales, "TRUE removed"}, {3, true, false, "Yes ", 0, sales, "TRUE removed"},
        {3, true, false, "", 0, sales, "TRUE removed"}, {6, false, false, "YES", 0, sales, "TRUE removed"},
        {ODBC_REMOVE_SYS_DSN, true, true, "Yes", IDNO, sales, "TRUE asked"},
        {ODBC_REMOVE_DSN, false, true, "Yes", 0, sales, "TRUE removed"},
        // WINE8: asked to remove the empty name, Wine's installer deletes the whole ODBC.INI key.
        {3, false, false, "", 0, {}, "FALSE"}, {6, true, false, "", 0, none, "FALSE"},
        {3, false, false, "", 0, unnamed, "FALSE"}, {ODBC_REMOVE_DSN, false, true, "", 0, none, "FALSE"},
        // Codes 4 and 5 come only from callers other than Wine's installer (which makes them 1
        // and 2); any code not listed configures, and cannot check a database without a stored
        // server. Without a DSN named, no request does anything.
        {1, false, false, nullptr, 0, add, "TRUE added"}, {4, false, false, nullptr, 0, add, "TRUE added"},
        {2, false, false, nullptr, 0, add, "FALSE"}, {5, false, false, nullptr, 0, add, "FALSE"},
        {7, false, false, nullptr, 0, add, "FALSE"}, {1, false, false, nullptr, 0, unnamed, "FALSE"},
        {4, false, false, nullptr, 0, unnamed, "FALSE"}, {7, false, false, nullptr, 0, unnamed, "FALSE"},
        // Without the call mutex nothing may be touched: TRUE tells the installer nothing went wrong.
        {3, false, false, "", 0, sales, "TRUE", true}, {1, false, false, nullptr, 0, add, "TRUE", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.request << " " << c.window << c.installer << " " << c.pairs.size());
        ForgetDsn("Sales");
        ASSERT_TRUE(!c.mark || CreateDsn("Sales", {{"ReplicationSystem", c.mark}}));
        ASSERT_TRUE(CreateDsn("Other", {{"ReplicationSystem", "Yes"}}));
        const std::string before = OdbcIniSnapshot();
        MessageBoxRecorder boxes(Library());
        boxes.answer(c.answer);
        std::optional<ImportHook> noMutex;
        if (c.noMutex) noMutex.emplace(Library(), "w64qscore3.dll", "QSMutexAcquire", (void*)&FailAcquire);
        std::string seen = Call(c.window ? static_cast<HWND>(owner) : nullptr, c.request, c.pairs, c.installer)
                               ? "TRUE" : "FALSE";
        seen += boxes.boxes() == Boxes{question} ? " asked" : boxes.boxes().empty() ? "" : " a box";
        if (DsnListed("Sales") != (c.mark != nullptr)) seen += c.mark ? " removed" : " added";
        else if (OdbcIniSnapshot() != before) seen += " changed";
        if (GetModuleHandleW(L"w64rmadm.dll")) seen += ", administration library left loaded";  // stopped each call
        EXPECT_EQ(seen + (DsnListed("Other") ? "" : ", Other lost"), c.outcome);
    }
    for (const char* dsn : {"Sales", "Other"}) ForgetDsn(dsn);
}

// The dialog procedures are exported: a host that runs one outside a ConfigDSN call has no
// record to edit, and the dialog closes at once instead of touching one.
TEST(ConfigDsnTest, ExportedDialogsOutsideACallCloseAtOnce) {
    for (auto [name, templateId] : {std::pair{"AdvancedDlgProc", 115}, std::pair{"LogonDlgProc", 111}}) {
        SCOPED_TRACE(name);
        auto procedure = reinterpret_cast<DLGPROC>(reinterpret_cast<void*>(GetProcAddress(Library(), name)));
        EXPECT_EQ(DialogBoxParamA(Library(), MAKEINTRESOURCEA(templateId), PopupWindow(), procedure, 0), IDCANCEL);
    }
}
}  // namespace
