// ConfigDSN as callers reach it: DSNSET64.dll loaded as a library, and through the real
// ODBC installer's SQLConfigDataSource with the driver registered like a user's installer.
#include <gtest/gtest.h>
#include <windows.h>
#include <odbcinst.h>

#include <string>

#include "tests/support/import_hook.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/odbc_profile.h"
#include "tests/support/server_scenario.h"

namespace {

using ConfigDsnFunction = BOOL(WINAPI*)(HWND, WORD, LPCSTR, LPCSTR);

const char kReplicationQuestion[] =
    "This data source is used by the Quillmere replication process. If you remove it, the replication process "
    "will not function properly. Do you want to continue?";

std::string Attributes(const std::string& text) { return text + std::string(2, '\0'); }

class ConfigDsnTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Loaded from the registered path, so the installer's own load finds this module.
        library_ = LoadLibraryA((ExecutableFolder() + "\\DSNSET64.dll").c_str());
        ASSERT_NE(library_, nullptr);
        configDsn_ = reinterpret_cast<ConfigDsnFunction>(reinterpret_cast<void*>(GetProcAddress(library_, "ConfigDSN")));
        ASSERT_NE(configDsn_, nullptr);
        ASSERT_TRUE(RegisterClientDriver(ExecutableFolder()));
    }

    void TearDown() override {
        for (const char* dsn : {"Sales", "Other", "Bare"}) ForgetDsn(dsn);
    }

    BOOL Call(HWND owner, WORD request, const std::string& attributes) {
        return configDsn_(owner, request, kClientDriverName, attributes.c_str());
    }

    static HMODULE library_;
    static ConfigDsnFunction configDsn_;
    PopupWindow owner_;
};

HMODULE ConfigDsnTest::library_ = nullptr;
ConfigDsnFunction ConfigDsnTest::configDsn_ = nullptr;

// Directly, and through the installer as a user's installer or script sends it.
TEST_F(ConfigDsnTest, RemoveAsksOnlyForAReplicationDsnWithAWindow) {
    struct Case {
        WORD request;
        bool withWindow;
        const char* mark;  // ReplicationSystem value, or none
        int answer;
        bool asked;
        bool removed;
        bool throughInstaller = false;
    };
    const Case cases[] = {
        {3, true, "Yes", IDNO, true, false},   {3, true, "yEs", IDYES, true, true},
        {6, true, "YES", IDNO, true, false},   {6, true, "yes", IDYES, true, true},
        {3, true, "No", IDYES, false, true},   {3, true, "Yes ", IDYES, false, true},
        {3, true, nullptr, IDYES, false, true}, {3, false, "Yes", IDNO, false, true},
        {6, false, "YES", IDNO, false, true},
        {ODBC_REMOVE_DSN, true, "Yes", IDYES, true, true, true}, {ODBC_REMOVE_SYS_DSN, true, "Yes", IDYES, true, true, true},
        {ODBC_REMOVE_DSN, true, "Yes", IDNO, true, false, true}, {ODBC_REMOVE_DSN, false, "Yes", IDNO, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "request " << c.request << ", window " << c.withWindow << ", mark "
                                        << (c.mark ? c.mark : "<none>") << ", installer " << c.throughInstaller);
        ForgetDsn("Sales");
        std::map<std::string, std::string> keys = {{"Description", "Main office"}};
        if (c.mark) keys["ReplicationSystem"] = c.mark;
        ASSERT_TRUE(CreateDsn("Sales", keys));
        ASSERT_TRUE(CreateDsn("Other", {{"ReplicationSystem", "Yes"}}));

        MessageBoxRecorder boxes(library_);
        ASSERT_TRUE(boxes.installed());
        boxes.answer(c.answer);
        HWND owner = c.withWindow ? static_cast<HWND>(owner_) : nullptr;
        const std::string attributes = Attributes("DSN=Sales");
        EXPECT_EQ(c.throughInstaller ? SQLConfigDataSource(owner, c.request, kClientDriverName, attributes.c_str())
                                     : Call(owner, c.request, attributes),
                  TRUE);
        EXPECT_EQ(boxes.boxes(), (c.asked ? Boxes{{owner_, kReplicationQuestion, kSetupCaption, MB_YESNO | MB_ICONQUESTION}}
                                         : Boxes{}));
        EXPECT_EQ(DsnListed("Sales"), !c.removed);
        EXPECT_TRUE(DsnListed("Other"));  // never another DSN
    }
}

// WINE8: asked to remove the empty name, Wine's installer deletes the machine hive's whole
// ODBC.INI key, every DSN with it. A remove that names no DSN is refused before that.
TEST_F(ConfigDsnTest, RemoveNamingNoDsnIsRefusedAndEveryDsnStays) {
    for (const char* dsn : {"Sales", "Other", "Bare"}) ASSERT_TRUE(CreateDsn(dsn, {{"Description", dsn}}));
    const std::string before = OdbcIniSnapshot();
    struct Case { const char* name; HWND owner; WORD request; const char* attributes; };
    const std::string emptyDsn = Attributes("DSN="), noDsn = Attributes("Description=x");
    const Case cases[] = {
        {"no attribute list", nullptr, 3, nullptr},
        {"empty list, system request", nullptr, 6, "\0\0"},
        {"DSN= with a window", owner_, 3, emptyDsn.c_str()},
        {"DSN= without a window", nullptr, 6, emptyDsn.c_str()},
        {"a list without DSN", owner_, 3, noDsn.c_str()},
    };
    MessageBoxRecorder boxes(library_);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(configDsn_(c.owner, c.request, kClientDriverName, c.attributes), FALSE);
        EXPECT_EQ(OdbcIniSnapshot(), before);
    }
    // The same through the installer, as an installer script would send it.
    EXPECT_FALSE(SQLConfigDataSource(nullptr, ODBC_REMOVE_DSN, kClientDriverName, emptyDsn.c_str()));
    EXPECT_EQ(OdbcIniSnapshot(), before);
    EXPECT_TRUE(boxes.boxes().empty());
    for (const char* dsn : {"Sales", "Other", "Bare"}) EXPECT_TRUE(DsnListed(dsn)) << dsn;
}

TEST_F(ConfigDsnTest, AttributeListEdgesReachTheRemoveAsParsed) {
    struct Case { std::string attributes; const char* removed; };
    const Case cases[] = {
        {Attributes(std::string("dsn=Other") + '\0' + "DSN=Sales"), "Sales"},   // later value wins, any case
        {Attributes(std::string("DSN=Sales") + '\0' + "Bogus" + '\0' + "DSN=Other"), "Sales"},  // ends at Bogus
        {Attributes(std::string(" DSN=Other") + '\0' + "DSN=Sales"), "Sales"},  // a blank makes another key
        {Attributes("DSN=Sales" + std::string(600, 'x')), nullptr},            // cut to 512: no such DSN
        {Attributes(std::string("DSNxxxxxxxxxxxxxxx=Sales") + '\0' + "DSN=Other"), "Other"},  // 18 characters
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attributes.substr(0, 40));
        ASSERT_TRUE(CreateDsn("Sales", {}));
        ASSERT_TRUE(CreateDsn("Other", {}));
        EXPECT_EQ(Call(nullptr, 3, c.attributes), TRUE);
        for (const char* dsn : {"Sales", "Other"})
            EXPECT_EQ(DsnListed(dsn), c.removed == nullptr || std::string(c.removed) != dsn) << dsn;
    }
}

TEST_F(ConfigDsnTest, SilentAddWithoutDsnFailsQuietlyAndWritesNothing) {
    const std::string before = OdbcIniSnapshot();
    MessageBoxRecorder boxes(library_);
    for (WORD request : {1, 2, 4, 5, 7}) {
        SCOPED_TRACE(request);
        EXPECT_EQ(Call(nullptr, request, Attributes("Description=no name")), FALSE);
    }
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(OdbcIniSnapshot(), before);
}

TEST_F(ConfigDsnTest, EachCallStartsAndStopsTheAdministrationLibrary) {
    ServerScenario scenario(nlohmann::json{{"servers", {DemoServer()}}});
    for (int call = 1; call <= 2; ++call) {
        SCOPED_TRACE(call);
        EXPECT_EQ(Call(nullptr, 3, Attributes("DSN=Nothing")), TRUE);
        EXPECT_EQ(scenario.counter("DBUStart"), call);
        EXPECT_EQ(scenario.counter("DBUStop"), call);
        EXPECT_EQ(GetModuleHandleW(L"w64rmadm.dll"), nullptr);  // closed again, reopened by the next call
    }
    // A stop that fails keeps the library for the next call, which does not start it twice.
    nlohmann::json s = scenario.read();  // the counters live in the file: edited, not replaced
    s["inject"] = {{"DBUStop", 7}};
    scenario.write(s);
    EXPECT_EQ(Call(nullptr, 3, Attributes("DSN=Nothing")), TRUE);
    EXPECT_NE(GetModuleHandleW(L"w64rmadm.dll"), nullptr);
    (s = scenario.read()).erase("inject");
    scenario.write(s);
    EXPECT_EQ(Call(nullptr, 3, Attributes("DSN=Nothing")), TRUE);
    EXPECT_EQ(GetModuleHandleW(L"w64rmadm.dll"), nullptr);
    EXPECT_EQ(scenario.counter("DBUStart"), 4);
}

// Codes 4 and 5 reach the library only from a caller that does not go through Wine's
// installer (which turns them into 1 and 2 first); any code not listed configures.
TEST_F(ConfigDsnTest, RequestCodesActAsAddOrConfigure) {
    nlohmann::json local = DemoServer();
    local["names"] = {"localhost"};
    ServerScenario scenario(nlohmann::json{{"servers", {local}}});
    struct Case { WORD request; bool adds; };
    const Case cases[] = {{1, true}, {4, true}, {2, false}, {5, false}, {7, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        ForgetDsn("Sales");
        // An add checks the database on localhost and fills a new DSN's defaults; a configure
        // of a DSN without a stored server cannot check the database and writes nothing.
        EXPECT_EQ(configDsn_(nullptr, c.request, kClientDriverName,
                             Attributes(std::string("DSN=Sales") + '\0' + "DBQ=DEMODATA").c_str()),
                  c.adds ? TRUE : FALSE);
        EXPECT_EQ(DsnListed("Sales"), c.adds);
        EXPECT_EQ(ReadDsnKey("Sales", "TransportHint"), c.adds ? "TCP:SPX" : "<missing>");
    }
}

// The dialog procedures are exported: a host that runs one outside a ConfigDSN call has no
// record to edit, and the dialog closes at once instead of touching one.
TEST_F(ConfigDsnTest, ExportedDialogsOutsideACallCloseAtOnce) {
    for (const char* name : {"AdvancedDlgProc", "LogonDlgProc"}) {
        SCOPED_TRACE(name);
        auto procedure = reinterpret_cast<DLGPROC>(reinterpret_cast<void*>(GetProcAddress(library_, name)));
        ASSERT_NE(procedure, nullptr);
        const int templateId = std::string(name) == "LogonDlgProc" ? 111 : 115;
        EXPECT_EQ(DialogBoxParamA(library_, MAKEINTRESOURCEA(templateId), owner_, procedure, 0), IDCANCEL);
    }
}

int32_t FailAcquire(void*) { return 1; }
LONG releases = 0;
int32_t CountRelease(void*);
ImportHook* releaseHook = nullptr;
int32_t CountRelease(void* mutex) {
    ++releases;
    return reinterpret_cast<int32_t (*)(void*)>(releaseHook->original())(mutex);
}
HGLOBAL WINAPI FailLock(HGLOBAL) { return nullptr; }

TEST_F(ConfigDsnTest, MutexNotHadAnswersTrueAndDoesNothing) {
    ASSERT_TRUE(CreateDsn("Sales", {}));
    {
        ImportHook acquire(library_, "w64qscore3.dll", "QSMutexAcquire", reinterpret_cast<void*>(&FailAcquire));
        ASSERT_TRUE(acquire.installed());
        EXPECT_EQ(Call(nullptr, 3, Attributes("DSN=Sales")), TRUE);
        EXPECT_EQ(Call(nullptr, 1, Attributes("Description=x")), TRUE);
    }
    EXPECT_TRUE(DsnListed("Sales"));
    EXPECT_EQ(Call(nullptr, 3, Attributes("DSN=Sales")), TRUE);
    EXPECT_FALSE(DsnListed("Sales"));
}

TEST_F(ConfigDsnTest, RecordNotAllocatedAnswersFalseAndReleasesTheMutex) {
    ASSERT_TRUE(CreateDsn("Sales", {{"ReplicationSystem", "Yes"}}));
    ImportHook release(library_, "w64qscore3.dll", "QSMutexRelease", reinterpret_cast<void*>(&CountRelease));
    releaseHook = &release;
    releases = 0;
    MessageBoxRecorder boxes(library_);
    {
        ImportHook lock(library_, "kernel32.dll", "GlobalLock", reinterpret_cast<void*>(&FailLock));
        EXPECT_EQ(Call(owner_, 3, Attributes("DSN=Sales")), FALSE);
    }
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_TRUE(DsnListed("Sales"));
    EXPECT_EQ(releases, 1);
    EXPECT_EQ(Call(nullptr, 3, Attributes("DSN=Sales")), TRUE);  // not left locked
    EXPECT_FALSE(DsnListed("Sales"));
}

}  // namespace
