// Allocation failures inside ConfigDSN: every allocation the library makes during a call is
// made to fail in turn. Whatever fails, the call answers without an exception reaching the
// caller, leaves the DSN whole or untouched, and leaves neither the call mutex nor the
// engine interface's spin lock taken; the next call works.
#include <gtest/gtest.h>
#include <windows.h>
#include <odbcinst.h>

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
static DWORD armedThread = 0;
static std::uint64_t failAt = 0, made = 0;
static void* Allocate(std::size_t size) {
    return armedThread == GetCurrentThreadId() && ++made == failAt ? nullptr : std::malloc(size ? size : 1);
}
void* operator new(std::size_t size) { return Allocate(size) ?: throw std::bad_alloc(); }
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"  // every new above comes from malloc
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

using nlohmann::json;

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
        if (mutex && WaitForSingleObject(mutex, 0) == WAIT_OBJECT_0) *static_cast<bool*>(result) = ReleaseMutex(mutex);
        return mutex && CloseHandle(mutex);
    }, &free, 0, nullptr);
    WaitForSingleObject(thread, 10000);
    return CloseHandle(thread), free;
}

TEST(AllocationFailureTest, NoFailureEscapesLocksOrHalfWritesADsn) {
    AttachLibrary(GetModuleHandleA(nullptr));
    ProductRegistrySandbox product;  // the shared log in a folder of its own: the engine's failures are logged
    TempFolder logs{L"dsnset-alloc-log"};
    ASSERT_TRUE(product.Set(HKEY_CURRENT_USER, L"SOFTWARE\\Quillmere Software\\Event Log\\Version 11\\Settings",
                            L"EventLogDirectory", logs.path()));
    ImportHook libOpen(GetModuleHandleA(nullptr), "w64qscore3.dll", "QSLibOpen", (void*)&OpenRefusingEngine);
    ImportHook messageBox(GetModuleHandleA(nullptr), "user32.dll", "MessageBoxA", (void*)&AnswerBox);
    ASSERT_TRUE((realLibOpen = libOpen.original()) && messageBox.installed());
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
        auto run = [&](std::uint64_t nth) {
            ForgetDsn("Sales");
            scenario.write(json{{"servers", {server}}});
            EngineInterfaceLoaded = 0;  // loaded afresh by each call's probe
            made = 0, failAt = nth, armedThread = GetCurrentThreadId();
            const BOOL result = ConfigDSN(nullptr, ODBC_ADD_DSN, kClientDriverName, add.c_str());
            return armedThread = 0, result;
        };
        ASSERT_EQ(run(0), !engineMissing);
        const std::uint64_t allocations = made;
        const std::string whole = DsnKeys("Sales"), nothing = (ForgetDsn("Sales"), OdbcIniSnapshot());
        ASSERT_GT(allocations, 0u);
        for (std::uint64_t nth = 1; nth <= allocations; ++nth) {
            SCOPED_TRACE(testing::Message() << "allocation " << nth << " of " << allocations << " fails");
            BOOL result = TRUE;
            EXPECT_NO_THROW(result = run(nth));
            EXPECT_EQ(result ? DsnKeys("Sales") : OdbcIniSnapshot(), result ? whole : nothing);
            EXPECT_EQ(EngineInterfaceLock, 0) << "the engine interface's spin lock was left taken";
            EngineInterfaceLock = 0;  // else the next call would spin for ever
            EXPECT_TRUE(ConfigDsnMutexIsFree());
        }
        EXPECT_EQ(run(0), !engineMissing);  // nothing failing, the next call behaves as the first did
    }
    refuseEngineLibrary = false;
    DetachLibrary();
}

// Stands in for the setup dialog: the user types a name and presses OK.
const char* typedName = nullptr;
INT_PTR WINAPI FakeSetupDialog(HINSTANCE, LPCSTR, HWND owner, DLGPROC, LPARAM) {
    Settings->DSN.set(typedName);
    return CommitDsn(owner) ? IDOK : IDCANCEL;
}

// Each call starts from nothing but its own name: a name given to one call is not the next
// call's initial name (a configure would otherwise take the new name for a rename and remove
// the old DSN), and a name changed in the dialog renames the DSN the call was given.
TEST(ConfigDsnEntryTest, EachCallStartsFromItsOwnName) {
    AttachLibrary(GetModuleHandleA(nullptr));
    ImportHook dialog{GetModuleHandleA(nullptr), "user32.dll", "DialogBoxParamA", (void*)&FakeSetupDialog};
    ASSERT_TRUE(RegisterClientDriver(ExecutableFolder()) && CreateDsn("Alpha", {{"Description", "first"}}));
    const auto call = [](HWND owner, const char* pair, const char* typed) {
        typedName = typed;
        return ConfigDSN(owner, ODBC_CONFIG_DSN, kClientDriverName, AttributeList({pair}).c_str());
    };
    EXPECT_TRUE(call(nullptr, "DSN=Alpha", nullptr) && call(PopupWindow(), "Description=x", "Beta"));
    EXPECT_TRUE(call(PopupWindow(), "DSN=Beta", "Gamma"));
    std::string listed;
    for (const char* dsn : {"Alpha", "Beta", "Gamma"}) listed += DsnListed(dsn) ? dsn + std::string(" ") : "";
    for (const char* dsn : {"Alpha", "Beta", "Gamma"}) ForgetDsn(dsn);
    EXPECT_EQ(listed, "Alpha Gamma ");
    DetachLibrary();
}

}  // namespace
