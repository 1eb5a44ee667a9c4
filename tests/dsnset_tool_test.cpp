// dsnset.exe as a script uses it: exit codes, output, and what it leaves in the profile.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/odbc_profile.h"
#include "tests/support/server_scenario.h"

namespace {

// Runs the tool with stdout and stderr captured as "<exit code>: <output>". The command line
// goes as wide text, as a script's shell passes it. A failure to start is Wine's, not the
// tool's: it is tried again, and said.
std::string Dsnset(const std::string& arguments) {
    std::string out;
    for (int attempt = 0; attempt < 3; ++attempt, Sleep(100)) {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE read = nullptr, write = nullptr;
        if (!CreatePipe(&read, &write, &inherit, 0)) continue;
        SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW si{};
        si.cb = sizeof si, si.dwFlags = STARTF_USESTDHANDLES, si.hStdOutput = si.hStdError = write;
        PROCESS_INFORMATION pi{};
        const std::string utf8 = "\"" + ExecutableFolder() + "\\dsnset.exe\" " + arguments;
        std::wstring command(utf8.size() + 1, L'\0');
        command.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &command[0], int(command.size())) - 1u);
        const bool started =
            CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
        out += started ? "" : "[could not start dsnset: error " + std::to_string(GetLastError()) + "]";
        CloseHandle(write);
        char buffer[4096];
        DWORD n = 0, code = 999;
        while (started && ReadFile(read, buffer, sizeof buffer, &n, nullptr) && n > 0) out.append(buffer, n);
        CloseHandle(read);
        if (!started) continue;
        if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) out += "[dsnset did not end]";
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hProcess), CloseHandle(pi.hThread);
        return std::to_string(code) + ": " + out;
    }
    return "999: " + out;
}

TEST(DsnsetToolTest, ScriptedSetupThroughTheInstaller) {
    ServerScenario scenario(nlohmann::json{{"servers", {DemoServer()}}});
    const char kSued[] = "S\xFC" "d";  // "Süd" as the installer stores it (code page 1252)
    for (const char* dsn : {"Tool", "Typo", kSued}) ForgetDsn(dsn);
    // Arguments and output are UTF-8: what a script and a terminal see.
    struct Step { std::string arguments; int exitCode; std::string output; bool changes; };
    const Step steps[] = {
        {"", 2, "usage: dsnset", false},
        {"frobnicate", 2, "usage: dsnset", false},
        {"add DSNwithoutvalue", 2, "'DSNwithoutvalue' is not KEY=VALUE", false},
        {"register \"" + ExecutableFolder() + "\"", 0, "registered \"" + std::string(kClientDriverName), true},
        {"add DSN=Tool DBQ=DEMODATA ServerName=dbhost", 0, "", true},
        {"show Tool", 0, "ServerName=dbhost.1583", false},
        {"add DSN=Other DBQ=DEMODATA ServerName=nowhere", 1, "refused", false},
        {"configure DSN=Tool \"Description=Front office\"", 0, "", true},
        {"show Tool", 0, "Description=Front office", false},
        {"configure DSN=Typo Description=x", 1, "no data source named \"Typo\"", false},
        {"configure Description=x", 2, "name the data source with DSN=NAME", false},
        {"remove Typo", 1, "no data source named \"Typo\"", false},
        {"remove \"\"", 2, "usage: dsnset", false},
        {"add DSN=S\xC3\xBC" "d DBQ=DEMODATA ServerName=dbhost \"Description=M\xC3\xBCnchen S\xC3\xBC" "d\"", 0, "",
         true},
        {"list", 0, "S\xC3\xBC" "d=Quillmere ODBC Client Interface", false},
        {"show S\xC3\xBC" "d", 0, "Description=M\xC3\xBCnchen S\xC3\xBC" "d", false},
        {"--system remove Tool", 0, "", true},
        {"show NoSuchDsn", 1, "no keys stored", false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.arguments);
        const std::string before = OdbcIniSnapshot(), run = Dsnset(step.arguments);
        EXPECT_TRUE(run.rfind(std::to_string(step.exitCode) + ": ", 0) == 0 && run.find(step.output) != run.npos)
            << run;
        if (!step.changes) EXPECT_EQ(OdbcIniSnapshot(), before);
    }
    std::string listed;
    for (const char* dsn : {"Tool", "Other", "Typo", kSued}) listed += DsnListed(dsn) ? "1" : "0";
    EXPECT_EQ(listed, "0001");
    for (const char* dsn : {"Tool", kSued}) ForgetDsn(dsn);
}

}  // namespace
