// Threads of three processes (this program again, --child) call ConfigDSN at once: each call succeeds,
// and a probe in shared memory proves that calls of different processes alternated and no two were ever
// inside the library together.
#include <gtest/gtest.h>
#include "tests/support/child_processes.h"
#include "tests/support/import_hook.h"
#include "tests/support/odbc_profile.h"
#include "tests/support/server_scenario.h"

namespace {
struct OverlapProbe { volatile LONG inside, mostInside, entries, lastProcess, processChanges; };
OverlapProbe* const Probe = static_cast<OverlapProbe*>(MapViewOfFile(
    CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(OverlapProbe), "DsnsetOverlapProbe"),
    FILE_MAP_ALL_ACCESS, 0, 0, 0));
HGLOBAL WINAPI Enter(HGLOBAL block) {  // a call locks its record on the way in, frees it on the way out
    const LONG now = InterlockedIncrement(&Probe->inside);
    InterlockedIncrement(&Probe->entries);
    // Entries that alternate between processes show that the calls really met at the mutex.
    if (InterlockedExchange(&Probe->lastProcess, LONG(GetCurrentProcessId())) != LONG(GetCurrentProcessId()))
        InterlockedIncrement(&Probe->processChanges);
    for (LONG seen = Probe->mostInside; now > seen; seen = Probe->mostInside)
        InterlockedCompareExchange(&Probe->mostInside, now, seen);
    return GlobalLock(block);
}
HGLOBAL WINAPI Leave(HGLOBAL block) { return InterlockedDecrement(&Probe->inside), GlobalFree(block); }
BOOL(WINAPI* ConfigDsn)(HWND, WORD, LPCSTR, LPCSTR) = nullptr;
LONG failures = 0;
// A child: four threads add and remove a DSN of their own 15 times; the exit code counts the
// calls that failed and the DSNs left behind.
int Child(const std::string& prefix) {
    HMODULE library = LoadLibraryA((ExecutableFolder() + "\\DSNSET64.dll").c_str());
    ImportHook enter(library, "kernel32.dll", "GlobalLock", reinterpret_cast<void*>(&Enter));
    ImportHook leave(library, "kernel32.dll", "GlobalFree", reinterpret_cast<void*>(&Leave));
    if (!enter.installed() || !leave.installed()) return 100;
    ConfigDsn = reinterpret_cast<decltype(ConfigDsn)>(reinterpret_cast<void*>(GetProcAddress(library, "ConfigDSN")));
    std::string names[] = {prefix + "0", prefix + "1", prefix + "2", prefix + "3"};
    HANDLE threads[4];
    for (int t = 0; t < 4; ++t) {
        threads[t] = CreateThread(nullptr, 0, [](void* dsn) -> DWORD {
            const std::string add = AttributeList({"DSN=" + *static_cast<std::string*>(dsn), "DBQ=DEMODATA"});
            for (int i = 0; i < 30; ++i)  // add, remove
                if (!ConfigDsn(nullptr, i % 2 ? 3 : 1, kClientDriverName, add.c_str())) InterlockedIncrement(&failures);
            return 0;
        }, &names[t], 0, nullptr);
    }
    WaitForMultipleObjects(4, threads, TRUE, INFINITE);
    for (const std::string& name : names) failures += DsnListed(name), ForgetDsn(name);
    return failures;
}

TEST(ConcurrencyTest, ThreadsOfSeveralProcessesNeverMeetInsideTheLibrary) {
    ASSERT_TRUE(RegisterClientDriver(ExecutableFolder()));
    nlohmann::json local = DemoServer();
    local["names"] = {"localhost"};
    ServerScenario scenario(nlohmann::json{{"servers", {local}}});
    *Probe = OverlapProbe{};
    EXPECT_EQ(RunTogether("concurrency_tests.exe", {"--child A", "--child B", "--child C"}), std::vector<DWORD>(3, 0));
    EXPECT_EQ(std::to_string(Probe->entries) + " calls, at most " + std::to_string(Probe->mostInside) + " inside, " +
                  std::to_string(Probe->inside) + " left inside", "360 calls, at most 1 inside, 0 left inside");
    EXPECT_GT(Probe->processChanges, 3) << "the processes' calls never interleaved";
}
}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--child") return Child(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
