// Allocation failures inside ConfigDSN: every allocation the library makes during a call is
// made to fail in turn. Whatever fails, the call answers without an exception reaching the
// caller, leaves the DSN whole or untouched, and leaves neither the call mutex nor the
// engine interface's spin lock taken; the next call works.
#include <gtest/gtest.h>
#include <windows.h>
#include <odbcinst.h>

#include <cwchar>
#include <new>

#include "log/shared_log.h"
#include "platform/qscore.h"
#include "remote/engine_interface.h"
#include "setup/call_values.h"
#include "setup/config_dsn.h"
#include "setup/dsn_commit.h"
#include "tests/support/import_hook.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/odbc_profile.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/server_scenario.h"

// The test program's operator new, which the statically linked product allocates through:
// once armed, the nth allocation of the arming thread fails as when memory runs out.
namespace {
volatile DWORD armedThread = 0;
std::uint64_t failAt = 0, made = 0;
void* Allocate(std::size_t size) {
    if (armedThread == GetCurrentThreadId() && ++made == failAt) return nullptr;
    return std::malloc(size ? size : 1);
}
void Arm(std::uint64_t nth) { made = 0, failAt = nth, armedThread = GetCurrentThreadId(); }
std::uint64_t Disarm() { return armedThread = 0, made; }
}  // namespace
void* operator new(std::size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

using nlohmann::json;

namespace {

// The engine interface library can be made to fail its load.
bool refuseEngineLibrary = false;
void* realLibOpen = nullptr;
std::int32_t OpenRefusingEngine(const wchar_t* name, QSHandle* handle) {
    if (refuseEngineLibrary && std::wcsstr(name, L"w64kfif")) return static_cast<std::int32_t>(0x8007007E);
    return reinterpret_cast<std::int32_t (*)(const wchar_t*, QSHandle*)>(realLibOpen)(name, handle);
}
// Message boxes answered at once without allocating: the counted allocations are the library's.
int WINAPI AnswerBox(HWND, LPCSTR, LPCSTR, UINT) { return IDOK; }

// Free when another thread can take it at once.
bool ConfigDsnMutexIsFree() {
    bool free = false;
    HANDLE thread = CreateThread(nullptr, 0, [](LPVOID result) -> DWORD {
        HANDLE mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, "ConfigDSNMutex");
        if (mutex && WaitForSingleObject(mutex, 0) == WAIT_OBJECT_0)
            *static_cast<bool*>(result) = ReleaseMutex(mutex);
        return mutex && CloseHandle(mutex), 0;
    }, &free, 0, nullptr);
    WaitForSingleObject(thread, 10000);
    return CloseHandle(thread), free;
}

// The shared log in a folder of its own, so that the engine's failures can be logged.
struct LogSandbox {
    ProductRegistrySandbox product;
    TempFolder logs{L"dsnset-alloc-log"};
    bool set = ProductRegistrySandbox::Set(HKEY_CURRENT_USER,
        L"SOFTWARE\\Quillmere Software\\Event Log\\Version 11\\Settings", L"EventLogDirectory", logs.path());
};

TEST(AllocationFailureTest, NoFailureEscapesLocksOrHalfWritesADsn) {
    AttachLibrary(GetModuleHandleA(nullptr));
    LogSandbox logs;
    ImportHook libOpen(GetModuleHandleA(nullptr), "w64qscore3.dll", "QSLibOpen", reinterpret_cast<void*>(&OpenRefusingEngine));
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
    for (bool engineMissing : {false, true}) {
        SCOPED_TRACE(engineMissing ? "engine interface missing" : "engine interface loads");
        refuseEngineLibrary = engineMissing;
        auto run = [&](std::uint64_t failAt) {
            ForgetDsn("Sales");
            scenario.write(json{{"servers", {server}}});
            EngineInterfaceLoaded = 0;  // loaded afresh by each call's probe
            Arm(failAt);
            const BOOL result = ConfigDSN(nullptr, ODBC_ADD_DSN, kClientDriverName, add.c_str());
            return std::make_pair(result, Disarm());
        };
        const auto [unfailed, allocations] = run(0);
        ASSERT_EQ(unfailed, !engineMissing);
        ASSERT_GT(allocations, 0u);
        const std::string whole = DsnKeys("Sales"), nothing = (ForgetDsn("Sales"), OdbcIniSnapshot());
        for (std::uint64_t failAt = 1; failAt <= allocations + 1; ++failAt) {
            SCOPED_TRACE(testing::Message() << "allocation " << failAt << " of " << allocations << " fails");
            BOOL result = TRUE;
            EXPECT_NO_THROW(result = run(failAt).first);
            if (result) EXPECT_EQ(DsnKeys("Sales"), whole);
            else EXPECT_EQ(OdbcIniSnapshot(), nothing);
            if (EngineInterfaceLock != 0) ADD_FAILURE() << "the engine interface's spin lock was left taken";
            EngineInterfaceLock = 0;  // else the next call would spin for ever
            EXPECT_TRUE(ConfigDsnMutexIsFree());
        }
    }
    refuseEngineLibrary = false;
    ForgetDsn("Sales");
    DetachLibrary();
}

TEST(AllocationFailureTest, TheSharedLogOpensWholeOrNotAtAll) {
    LogSandbox logs;
    SharedLog* log = nullptr;
    Arm(0);
    ASSERT_EQ(OpenSharedLog(&log, nullptr, L"KFIF", nullptr), 0);
    const std::uint64_t allocations = Disarm();
    CloseSharedLog(&log);
    for (std::uint64_t failAt = 1; failAt <= allocations; ++failAt) {
        SCOPED_TRACE(failAt);
        std::int32_t result = -1;
        Arm(failAt);
        EXPECT_NO_THROW(result = OpenSharedLog(&log, nullptr, L"KFIF", nullptr));
        Disarm();
        EXPECT_EQ(result == 0, log != nullptr);  // an open that failed leaves the holder empty
        CloseSharedLog(&log);
    }
}

// Stands in for the setup dialog: what the user's OK would do with the record.
const char* dialogDsn = nullptr;
INT_PTR WINAPI FakeSetupDialog(HINSTANCE, LPCSTR, HWND owner, DLGPROC, LPARAM) {
    if (dialogDsn == nullptr) throw std::bad_alloc();
    Settings->DSN.set(dialogDsn);
    return CommitDsn(owner) ? IDOK : IDCANCEL;
}

// What the dialog lets through ends as FALSE with the mutex free. Each call starts from
// nothing: a name given to one call is not the next call's initial name (a configure would
// otherwise take the new name for a rename and remove the old DSN).
TEST(ConfigDsnEntryTest, EachCallEndsWithTheMutexFreeAndStartsAfresh) {
    AttachLibrary(GetModuleHandleA(nullptr));
    ImportHook dialog{GetModuleHandleA(nullptr), "user32.dll", "DialogBoxParamA", reinterpret_cast<void*>(&FakeSetupDialog)};
    ASSERT_TRUE(dialog.installed());
    PopupWindow owner;
    BOOL result = TRUE;
    EXPECT_NO_THROW(result = ConfigDSN(owner, ODBC_CONFIG_DSN, kClientDriverName, AttributeList({"DSN=Alpha"}).c_str()));
    EXPECT_EQ(result, FALSE);
    EXPECT_TRUE(ConfigDsnMutexIsFree());
    ASSERT_TRUE(RegisterClientDriver(ExecutableFolder()));
    ASSERT_TRUE(CreateDsn("Alpha", {{"Description", "first"}}));
    ASSERT_TRUE(ConfigDSN(nullptr, ODBC_CONFIG_DSN, kClientDriverName, AttributeList({"DSN=Alpha", "Description=2"}).c_str()));
    dialogDsn = "Beta";  // the user names a DSN in a configure that was given none
    EXPECT_TRUE(ConfigDSN(owner, ODBC_CONFIG_DSN, kClientDriverName, AttributeList({"Description=3"}).c_str()));
    EXPECT_TRUE(DsnListed("Alpha") && DsnListed("Beta"));
    for (const char* dsn : {"Alpha", "Beta"}) ForgetDsn(dsn);
    DetachLibrary();
}

}  // namespace
