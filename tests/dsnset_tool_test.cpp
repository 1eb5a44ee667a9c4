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
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = write;
    PROCESS_INFORMATION pi{};
    // The command line goes as wide text, as a script's shell would pass it.
    const std::string utf8 = "\"" + ExecutableFolder() + "\\dsnset.exe\" " + arguments;
    std::wstring command(utf8.size() + 1, L'\0');
    command.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &command[0], static_cast<int>(command.size())) - 1));
    bool started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
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
    const char kSued[] = "S\xFC" "d";  // "Süd" as the installer stores it (code page 1252)
    for (const char* dsn : {"Tool", "Typo", kSued}) ForgetDsn(dsn);
    // Arguments and expected output are UTF-8: what a script and a terminal see.
    struct Step { std::string arguments; DWORD exitCode; const char* output; bool changes; };
    const Step steps[] = {
        {"", 2, "usage: dsnset", false},
        {"frobnicate", 2, "usage: dsnset", false},
        {"add DSNwithoutvalue", 2, "is not KEY=VALUE", false},
        {"register \"" + ExecutableFolder() + "\"", 0, "setup library", true},
        {"add DSN=Tool DBQ=DEMODATA ServerName=dbhost", 0, "", true},
        {"show Tool", 0, "ServerName=dbhost.1583", false},
        {"add DSN=Other DBQ=DEMODATA ServerName=nowhere", 1, "refused", false},
        {"configure DSN=Tool \"Description=Front office\"", 0, "", true},
        {"show Tool", 0, "Description=Front office", false},
        {"configure DSN=Typo Description=x", 1, "no data source named \"Typo\"", false},
        {"configure Description=x", 2, "DSN=NAME", false},
        {"remove Typo", 1, "no data source named \"Typo\"", false},
        {"remove \"\"", 2, "usage: dsnset", false},
        {"add DSN=S\xC3\xBC" "d DBQ=DEMODATA ServerName=dbhost \"Description=M\xC3\xBCnchen S\xC3\xBC" "d\"", 0, "", true},
        {"list", 0, "S\xC3\xBC" "d=Quillmere ODBC Client Interface", false},
        {"show S\xC3\xBC" "d", 0, "Description=M\xC3\xBCnchen S\xC3\xBC" "d", false},
        {"--system remove Tool", 0, "", true},
        {"show NoSuchDsn", 1, "no keys stored", false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.arguments);
        const std::string before = OdbcIniSnapshot();
        ToolRun run = Dsnset(step.arguments);
        EXPECT_EQ(run.exitCode, step.exitCode) << run.out;
        EXPECT_TRUE(Contains(run.out, step.output)) << run.out;
        if (!step.changes) {
            EXPECT_EQ(OdbcIniSnapshot(), before);
        }
    }
    EXPECT_FALSE(DsnListed("Tool"));
    EXPECT_FALSE(DsnListed("Other"));
    EXPECT_FALSE(DsnListed("Typo"));
    EXPECT_TRUE(DsnListed(kSued));
    for (const char* dsn : {"Tool", kSued}) ForgetDsn(dsn);
}

}  // namespace
