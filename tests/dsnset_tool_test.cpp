// dsnset.exe as a script uses it: exit codes, output, and what it leaves in the profile.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/odbc_profile.h"
#include "tests/support/server_scenario.h"

namespace {

struct ToolRun { DWORD exitCode; std::string out; };

// One start of the tool with its output captured; false when Wine could not start it.
bool StartOnce(const std::string& arguments, ToolRun& run) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0)) return false;
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = write;
    PROCESS_INFORMATION pi{};
    std::string command = "\"" + ExecutableFolder() + "\\dsnset.exe\" " + arguments;
    bool started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    DWORD startError = GetLastError();
    CloseHandle(write);
    if (!started) {
        CloseHandle(read);
        run.out += "[could not start dsnset: error " + std::to_string(startError) + "]";
        return false;
    }
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(read, buffer, sizeof buffer, &n, nullptr) && n > 0) run.out.append(buffer, n);
    if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0 || !GetExitCodeProcess(pi.hProcess, &run.exitCode))
        run.out += "[dsnset did not end: error " + std::to_string(GetLastError()) + "]";
    CloseHandle(read);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return true;
}

// A failure to start a process is Wine's, not the tool's: it is tried again, and said.
ToolRun Dsnset(const std::string& arguments) {
    ToolRun run = {999, ""};
    for (int attempt = 0; attempt < 3 && !StartOnce(arguments, run); ++attempt) Sleep(100);
    return run;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(DsnsetToolTest, ScriptedSetupThroughTheInstaller) {
    ServerScenario scenario(nlohmann::json{{"servers", {DemoServer()}}});
    ForgetDsn("Tool");
    struct Step { std::string arguments; DWORD exitCode; const char* output; };
    const Step steps[] = {
        {"", 2, "usage: dsnset"},
        {"frobnicate", 2, "usage: dsnset"},
        {"add DSNwithoutvalue", 2, "is not KEY=VALUE"},
        {"register \"" + ExecutableFolder() + "\"", 0, "setup library"},
        {"add DSN=Tool DBQ=DEMODATA ServerName=dbhost", 0, ""},
        {"show Tool", 0, "ServerName=dbhost.1583"},
        {"add DSN=Other DBQ=DEMODATA ServerName=nowhere", 1, "refused"},
        {"configure DSN=Tool \"Description=Front office\"", 0, ""},
        {"show Tool", 0, "Description=Front office"},
        {"list", 0, "Tool=Quillmere ODBC Client Interface"},
        {"--system remove Tool", 0, ""},
        {"show NoSuchDsn", 1, "no keys stored"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.arguments);
        ToolRun run = Dsnset(step.arguments);
        EXPECT_EQ(run.exitCode, step.exitCode) << run.out;
        EXPECT_TRUE(Contains(run.out, step.output)) << run.out;
    }
    EXPECT_FALSE(DsnListed("Tool"));
    EXPECT_FALSE(DsnListed("Other"));
    ForgetDsn("Tool");
}

}  // namespace
