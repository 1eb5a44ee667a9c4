// Every allocation the library makes during a ConfigDSN call is made to fail in turn. Whatever
// fails, no exception reaches the caller, the DSN is whole or untouched, neither the call mutex
// nor the engine interface's spin lock stays taken, and the next call works.
#include <gtest/gtest.h>
#include "platform/qscore.h"
#include "remote/engine_interface.h"
#include "setup/config_dsn.h"
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
bool refuseEngineLibrary = false;  // the engine interface library fails its load
void* realLibOpen = nullptr;
std::int32_t LibOpen(const wchar_t* name, QSHandle* handle) {
    if (refuseEngineLibrary && std::wcsstr(name, L"w64kfif")) return static_cast<std::int32_t>(0x8007007E);
    return reinterpret_cast<std::int32_t (*)(const wchar_t*, QSHandle*)>(realLibOpen)(name, handle);
}
// Boxes answered at once without allocating: the counted allocations are the library's.
int WINAPI AnswerBox(HWND, LPCSTR, LPCSTR, UINT) { return IDOK; }
bool ConfigDsnMutexIsFree() {  // another thread can take it at once
    bool free = false;
    HANDLE thread = CreateThread(nullptr, 0, [](LPVOID result) -> DWORD {
        HANDLE mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, "ConfigDSNMutex");
        if (mutex && WaitForSingleObject(mutex, 0) == WAIT_OBJECT_0) *static_cast<bool*>(result) = ReleaseMutex(mutex);
        return mutex && CloseHandle(mutex);
    }, &free, 0, nullptr);
    return WaitForSingleObject(thread, 10000), CloseHandle(thread), free;
}

TEST(AllocationFailureTest, NoFailureEscapesLocksOrHalfWritesADsn) {
    AttachLibrary(GetModuleHandleA(nullptr));
    ProductRegistrySandbox product;  // the shared log in a folder of its own, for the engine's failures
    TempFolder logs{L"dsnset-alloc-log"};
    ASSERT_TRUE(product.Set(HKEY_CURRENT_USER, L"SOFTWARE\\Quillmere Software\\Event Log\\Version 11\\Settings",
                            L"EventLogDirectory", logs.path()));
    ImportHook libOpen(GetModuleHandleA(nullptr), "w64qscore3.dll", "QSLibOpen", (void*)&LibOpen);
    ImportHook messageBox(GetModuleHandleA(nullptr), "user32.dll", "MessageBoxA", (void*)&AnswerBox);
    ASSERT_TRUE((realLibOpen = libOpen.original()) && messageBox.installed());
    // The server answers no version until the engine has started, so the probe goes through
    // the engine interface: loaded (and its library looked up), or missing (and logged).
    nlohmann::json server = DemoServer();
    server["names"] = {"localhost"}, server["versions"] = nlohmann::json::object();
    server["versionsAfterEngineStart"] = {{"5", {{"major", 9}, {"platform", "WNT "}}}};
    ServerScenario scenario(nlohmann::json{{"servers", {server}}});
    const std::string add = AttributeList({"DSN=Sales", "DBQ=DEMODATA", "ServerDSN=DEMO", "ServerName=localhost"});
    const auto run = [&](std::uint64_t nth) {
        ForgetDsn("Sales");
        scenario.write(nlohmann::json{{"servers", {server}}});
        EngineInterfaceLoaded = 0;  // loaded afresh by each call's probe
        made = 0, failAt = nth, armedThread = GetCurrentThreadId();
        const BOOL result = ConfigDSN(nullptr, ODBC_ADD_DSN, kClientDriverName, add.c_str());
        return armedThread = 0, result;
    };
    for (bool engineMissing : {false, true}) {
        SCOPED_TRACE(engineMissing ? "engine interface missing" : "engine interface loads");
        refuseEngineLibrary = engineMissing;
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
}  // namespace
