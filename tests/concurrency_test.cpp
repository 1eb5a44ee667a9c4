// Many ConfigDSN calls at once, from threads of one process and from several processes (this
// program started again with --child): each call succeeds as it would alone, and a probe in
// shared memory proves that no two calls were ever inside the library together.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/child_processes.h"
#include "tests/support/import_hook.h"
#include "tests/support/odbc_profile.h"
#include "tests/support/server_scenario.h"

namespace {

struct OverlapProbe { volatile LONG inside, mostInside, entries, waiting, contended; };
OverlapProbe* Probe = nullptr;
void* RealAcquire = nullptr;

std::int32_t WaitForMutex(void* mutex) {
    InterlockedIncrement(&Probe->waiting);
    const std::int32_t result = reinterpret_cast<std::int32_t (*)(void*)>(RealAcquire)(mutex);
    return InterlockedDecrement(&Probe->waiting), result;
}
// A call locks its settings record on the way in and frees it on the way out.
HGLOBAL WINAPI Enter(HGLOBAL block) {
    const LONG now = InterlockedIncrement(&Probe->inside);
    InterlockedIncrement(&Probe->entries);
    if (Probe->waiting > 0) InterlockedExchange(&Probe->contended, 1);  // calls did meet
    for (LONG seen = Probe->mostInside; now > seen; seen = Probe->mostInside)
        InterlockedCompareExchange(&Probe->mostInside, now, seen);
    return GlobalLock(block);
}
HGLOBAL WINAPI Leave(HGLOBAL block) { return InterlockedDecrement(&Probe->inside), GlobalFree(block); }

bool OpenProbe() {  // one for every process of the test
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(OverlapProbe),
                                        "DsnsetOverlapProbe");
    return mapping && (Probe = static_cast<OverlapProbe*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0)));
}

using ConfigDsnFunction = BOOL(WINAPI*)(HWND, WORD, LPCSTR, LPCSTR);
ConfigDsnFunction ConfigDsn = nullptr;

// Threads adding and removing DSNs of their own, each call hooked to the probe; answers the
// calls that failed and the DSNs left behind, one a line.
std::string RunWorkload(const std::string& prefix, int threads, int rounds) {
    static HMODULE library = LoadLibraryA((ExecutableFolder() + "\\DSNSET64.dll").c_str());
    static ImportHook enter(library, "kernel32.dll", "GlobalLock", reinterpret_cast<void*>(&Enter));
    static ImportHook leave(library, "kernel32.dll", "GlobalFree", reinterpret_cast<void*>(&Leave));
    static ImportHook acquire(library, "w64qscore3.dll", "QSMutexAcquire", reinterpret_cast<void*>(&WaitForMutex));
    if (!OpenProbe() || !enter.installed() || !leave.installed() || !acquire.installed()) return "no probe";
    RealAcquire = acquire.original();
    ConfigDsn = reinterpret_cast<ConfigDsnFunction>(reinterpret_cast<void*>(GetProcAddress(library, "ConfigDSN")));
    struct Worker { std::string dsn, problems; int rounds; };
    std::vector<Worker> workers(threads);
    std::vector<HANDLE> handles;
    for (int t = 0; t < threads; ++t) {
        workers[t] = {prefix + "T" + std::to_string(t), "", rounds};
        handles.push_back(CreateThread(nullptr, 0, [](void* parameter) -> DWORD {
            auto* w = static_cast<Worker*>(parameter);
            for (int i = 0; i < 3 * w->rounds; ++i) {
                const std::string d = std::to_string(i);  // add, configure, remove in turn
                const auto pairs = i % 3 == 0 ? AttributeList({"DSN=" + w->dsn, "DBQ=DEMODATA", "Description=" + d})
                                 : i % 3 == 1 ? AttributeList({"DSN=" + w->dsn, "Description=" + d})
                                              : AttributeList({"DSN=" + w->dsn});
                if (i % 3 == 2 && ReadDsnKey(w->dsn, "Description") != std::to_string(i - 1))
                    w->problems += w->dsn + ": " + ReadDsnKey(w->dsn, "Description") + " before call " + d + "\n";
                if (!ConfigDsn(nullptr, WORD(i % 3 + 1), kClientDriverName, pairs.c_str()))
                    w->problems += w->dsn + ": call " + d + " failed\n";
            }
            return 0;
        }, &workers[t], 0, nullptr));
    }
    WaitForMultipleObjects(DWORD(threads), handles.data(), TRUE, INFINITE);
    std::string problems;
    for (const Worker& w : workers) problems += w.problems + (DsnListed(w.dsn) ? w.dsn + ": left behind\n" : "");
    return problems;
}

class ConcurrencyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RegisterClientDriver(ExecutableFolder()));
        ASSERT_TRUE(OpenProbe());
        *Probe = OverlapProbe{};
    }
    std::string Seen() {
        return std::to_string(Probe->entries) + " calls, at most " + std::to_string(Probe->mostInside) + " inside, " +
               std::to_string(Probe->inside) + " left inside, contended " + std::to_string(Probe->contended);
    }
    ServerScenario scenario_{[] {
        nlohmann::json local = DemoServer();
        local["names"] = {"localhost"};
        return nlohmann::json{{"servers", {local}}};
    }()};
};

TEST_F(ConcurrencyTest, EightThreadsOfOneProcess) {
    EXPECT_EQ(RunWorkload("Inproc", 8, 10), "");
    EXPECT_EQ(Seen(), "240 calls, at most 1 inside, 0 left inside, contended 1");
}

// The named mutex is a kernel object: it serialises the calls of every process too.
TEST_F(ConcurrencyTest, FourProcessesAtOnce) {
    std::vector<std::string> children;
    for (int p = 0; p < 4; ++p) children.push_back("--child Proc" + std::to_string(p));
    EXPECT_EQ(RunTogether("concurrency_tests.exe", children), std::vector<DWORD>(4, 0));
    EXPECT_EQ(Seen(), "480 calls, at most 1 inside, 0 left inside, contended 1");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--child") {
        const std::string problems = RunWorkload(argv[2], 4, 10);
        return std::fputs(problems.c_str(), stderr), problems.empty() ? 0 : 4;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
