// Many ConfigDSN calls at once, from threads of one process and from several processes:
// each returns what it would alone, each DSN ends as its last call left it, and the shared
// probe proves that no two calls were ever inside the library together.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/child_processes.h"
#include "tests/support/odbc_profile.h"
#include "tests/support/server_scenario.h"
#include "tests/support/stress_workload.h"

namespace {

class ConcurrencyTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(RegisterClientDriver(ExecutableFolder())); }
    void SetUp() override {
        nlohmann::json local = DemoServer();
        local["names"] = {"localhost"};
        scenario_.reset(new ServerScenario(nlohmann::json{{"servers", {local}}}));
        probe_ = OpenOverlapProbe();
        ASSERT_NE(probe_, nullptr);
        *probe_ = OverlapProbe{};
    }
    using json = nlohmann::json;
    std::unique_ptr<ServerScenario> scenario_;
    OverlapProbe* probe_ = nullptr;
};

TEST_F(ConcurrencyTest, EightThreadsOfOneProcess) {
    HMODULE library = LoadLibraryA((ExecutableFolder() + "\\DSNSET64.dll").c_str());
    ASSERT_NE(library, nullptr);
    ASSERT_TRUE(WatchLibrary(library));
    WorkloadResult r = RunWorkload(library, "Inproc", 8, 30);
    EXPECT_EQ(r.calls, 240);
    EXPECT_EQ(r.failedCalls, 0);
    EXPECT_EQ(r.wrongDsns, 0) << r.firstProblem;
    EXPECT_EQ(probe_->entries, 240);
    EXPECT_EQ(probe_->maxInside, 1);
    EXPECT_EQ(probe_->inside, 0);
    EXPECT_EQ(probe_->contended, 1);  // calls did wait for one another: the mutex was put to work
}

// The named mutex is a kernel object: it serialises the calls of every process too.
TEST_F(ConcurrencyTest, FourProcessesAtOnce) {
    constexpr int kProcesses = 4, kThreads = 4, kCalls = 30;
    std::vector<std::string> arguments;
    for (int p = 0; p < kProcesses; ++p)
        arguments.push_back("Proc" + std::to_string(p) + " " + std::to_string(kThreads) + " " + std::to_string(kCalls));
    for (DWORD code : RunTogether("stress_child.exe", arguments)) EXPECT_EQ(code, 0u);
    EXPECT_EQ(probe_->entries, kProcesses * kThreads * kCalls);
    EXPECT_EQ(probe_->maxInside, 1);
    EXPECT_EQ(probe_->inside, 0);
    EXPECT_EQ(probe_->contended, 1);
}

}  // namespace
