// Allocation failures inside ConfigDSN: every allocation the library makes during a call is
// made to fail in turn. Whatever fails, the call answers without an exception reaching the
// caller, leaves the DSN whole or untouched, and leaves neither the call mutex nor the
// engine interface's spin lock taken; the next call works.
#include <gtest/gtest.h>
#include <windows.h>
#include <odbcinst.h>

#include <cwchar>
#include <new>
#include <string>

#include "log/shared_log.h"
#include "platform/qscore.h"
#include "remote/engine_interface.h"
#include "setup/call_values.h"
#include "setup/config_dsn.h"
#include "setup/dsn_commit.h"
#include "tests/support/failing_allocator.h"
#include "tests/support/import_hook.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/odbc_profile.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/server_scenario.h"

using nlohmann::json;

namespace {

// The engine interface library can be made to fail its load.
bool refuseEngineLibrary = false;
void* realLibOpen = nullptr;
std::int32_t OpenRefusingEngine(const wchar_t* name, QSHandle* handle) {
    if (refuseEngineLibrary && std::wcsstr(name, L"w64kfif")) return static_cast<std::int32_t>(0x8007007E);
    return reinterpret_cast<std::int32_t (*)(const wchar_t*, QSHandle*)>(realLibOpen)(name, handle);
}

// Message boxes are answered at once and counted, without allocating: the counted
// allocations must be the library's own.
int boxesShown = 0;
int WINAPI AnswerBox(HWND, LPCSTR, LPCSTR, UINT) {
    ++boxesShown;
    return IDOK;
}

// Free when another thread can take it at once.
bool ConfigDsnMutexIsFree() {
    bool free = false;
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID result) -> DWORD {
            HANDLE mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, "ConfigDSNMutex");
            if (mutex && WaitForSingleObject(mutex, 0) == WAIT_OBJECT_0) {
                *static_cast<bool*>(result) = true;
                ReleaseMutex(mutex);
            }
            if (mutex) CloseHandle(mutex);
            return 0;
        },
        &free, 0, nullptr);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    return free;
}

// The shared log in a folder of its own, so that the engine's failures can be logged.
struct LogSandbox {
    LogSandbox() {
        ProductRegistrySandbox::Set(HKEY_CURRENT_USER, L"SOFTWARE\\Quillmere Software\\Event Log\\Version 11\\Settings",
                                    L"EventLogDirectory", logs.path());
    }
    ProductRegistrySandbox product;
    TempFolder logs{L"dsnset-alloc-log"};
};

TEST(AllocationFailureTest, NoFailureEscapesLocksOrHalfWritesADsn) {
    AttachLibrary(GetModuleHandleA(nullptr));
    LogSandbox logs;
    ImportHook libOpen(GetModuleHandleA(nullptr), "w64qscore3.dll", "QSLibOpen",
                       reinterpret_cast<void*>(&OpenRefusingEngine));
    ImportHook messageBox(GetModuleHandleA(nullptr), "user32.dll", "MessageBoxA", reinterpret_cast<void*>(&AnswerBox));
    ASSERT_TRUE(libOpen.installed() && messageBox.installed());
    realLibOpen = libOpen.original();

    // The server answers no version until the engine has started, so the probe goes through
    // the engine interface: loaded (and its library looked up), or missing (and logged).
    json server = DemoServer();
    server["names"] = {"localhost"};
    server["versions"] = json::object();
    server["versionsAfterEngineStart"] = {{"5", {{"major", 9}, {"platform", "WNT "}}}};
    ServerScenario scenario(json{{"servers", {server}}});
    const std::string add = AttributeList({"DSN=Sales", "DBQ=DEMODATA", "ServerDSN=DEMO", "ServerName=localhost"});
    struct Case { const char* name; bool engineMissing; BOOL unfailed; };
    const Case cases[] = {{"engine interface loads", false, TRUE}, {"engine interface missing", true, FALSE}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        refuseEngineLibrary = c.engineMissing;
        auto run = [&](std::uint64_t failAt) {
            ForgetDsn("Sales");
            scenario.write(json{{"servers", {server}}});
            EngineInterfaceLoaded = 0;  // loaded afresh by each call's probe
            failing_allocator::Arm(failAt);
            BOOL result = ConfigDSN(nullptr, ODBC_ADD_DSN, kClientDriverName, add.c_str());
            const std::uint64_t made = failing_allocator::Disarm();
            return std::make_pair(result, made);
        };
        const auto [unfailed, allocations] = run(0);
        ASSERT_EQ(unfailed, c.unfailed);
        ASSERT_GT(allocations, 0u);  // the sweep below has something to fail

        for (std::uint64_t failAt = 1; failAt <= allocations; ++failAt) {
            SCOPED_TRACE(testing::Message() << "allocation " << failAt << " of " << allocations << " fails");
            const std::string before = (ForgetDsn("Sales"), OdbcIniSnapshot());
            BOOL result = TRUE;
            EXPECT_NO_THROW(result = run(failAt).first);
            if (result) {
                EXPECT_TRUE(DsnListed("Sales"));
                EXPECT_EQ(ReadDsnKey("Sales", "DBQ"), "DEMODATA");
                EXPECT_EQ(ReadDsnKey("Sales", "ServerDSN"), "DEMO");
                EXPECT_EQ(ReadDsnKey("Sales", "ServerName"), "localhost.1583");
                EXPECT_EQ(ReadDsnKey("Sales", "QmTranslate"), "");  // the last key written
            } else {
                EXPECT_EQ(OdbcIniSnapshot(), before);
            }
            if (EngineInterfaceLock != 0) {
                ADD_FAILURE() << "the engine interface's spin lock was left taken";
                EngineInterfaceLock = 0;  // else the next call would spin for ever
            }
            EXPECT_TRUE(ConfigDsnMutexIsFree());
        }
        // Nothing failing, the next call behaves as the first did.
        EXPECT_EQ(run(0).first, c.unfailed);
    }
    refuseEngineLibrary = false;
    ForgetDsn("Sales");
    DetachLibrary();
}

TEST(AllocationFailureTest, TheSharedLogOpensWholeOrNotAtAll) {
    LogSandbox logs;
    SharedLog* log = nullptr;
    failing_allocator::Arm(0);
    ASSERT_EQ(OpenSharedLog(&log, nullptr, L"KFIF", nullptr), 0);
    const std::uint64_t allocations = failing_allocator::Disarm();
    CloseSharedLog(&log);
    ASSERT_GT(allocations, 0u);
    for (std::uint64_t failAt = 1; failAt <= allocations; ++failAt) {
        SCOPED_TRACE(failAt);
        std::int32_t result = -1;
        failing_allocator::Arm(failAt);
        EXPECT_NO_THROW(result = OpenSharedLog(&log, nullptr, L"KFIF", nullptr));
        failing_allocator::Disarm();
        EXPECT_EQ(result == 0, log != nullptr);  // an open that failed leaves the holder empty
        CloseSharedLog(&log);
    }
}

// --- The entry's own boundary --------------------------------------------------------

// Stands in for the setup dialog: what the user's OK would do with the record.
const char* dialogDsn = nullptr;
bool dialogThrows = false;
INT_PTR WINAPI FakeSetupDialog(HINSTANCE, LPCSTR, HWND owner, DLGPROC, LPARAM) {
    if (dialogThrows) throw std::bad_alloc();
    Settings->DSN.set(dialogDsn);
    return CommitDsn(owner) ? IDOK : IDCANCEL;
}

class ConfigDsnEntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        AttachLibrary(GetModuleHandleA(nullptr));
        ASSERT_TRUE(dialog_.installed());
    }
    void TearDown() override {
        dialogThrows = false;
        DetachLibrary();
    }
    ImportHook dialog_{GetModuleHandleA(nullptr), "user32.dll", "DialogBoxParamA", reinterpret_cast<void*>(&FakeSetupDialog)};
    PopupWindow owner_;
};

TEST_F(ConfigDsnEntryTest, WhatTheDialogLetsThroughEndsAsFalseWithTheMutexFree) {
    dialogThrows = true;
    BOOL result = TRUE;
    EXPECT_NO_THROW(result = ConfigDSN(owner_, ODBC_CONFIG_DSN, kClientDriverName, AttributeList({"DSN=Alpha"}).c_str()));
    EXPECT_EQ(result, FALSE);
    EXPECT_TRUE(ConfigDsnMutexIsFree());
}

// Each call starts from nothing: a name given to one call is not the next call's initial
// name (a configure would otherwise take the new name for a rename and remove the old DSN).
TEST_F(ConfigDsnEntryTest, EachCallStartsWithoutTheLastCallsValues) {
    ASSERT_TRUE(RegisterClientDriver(ExecutableFolder()));
    ASSERT_TRUE(CreateDsn("Alpha", {{"Description", "first"}}));
    ASSERT_TRUE(ConfigDSN(nullptr, ODBC_CONFIG_DSN, kClientDriverName,
                          AttributeList({"DSN=Alpha", "Description=second"}).c_str()));
    dialogDsn = "Beta";  // the user names a DSN in a configure that was given none
    EXPECT_TRUE(ConfigDSN(owner_, ODBC_CONFIG_DSN, kClientDriverName, AttributeList({"Description=third"}).c_str()));
    EXPECT_TRUE(DsnListed("Alpha"));
    EXPECT_TRUE(DsnListed("Beta"));
    for (const char* dsn : {"Alpha", "Beta"}) ForgetDsn(dsn);
}

}  // namespace
