// dsnset.exe as a script uses it: exit codes, output, and what it leaves in the profile.
#include <gtest/gtest.h>
#include <cstdio>
#include "tests/support/odbc_profile.h"
#include "tests/support/server_scenario.h"

namespace {
// As a script's shell runs it (the command line as wide text): "<exit code>: <stdout and stderr>".
std::string Dsnset(const std::string& arguments) {
    const std::string utf8 = "\"\"" + ExecutableFolder() + "\\dsnset.exe\" " + arguments + " 2>&1\"";
    std::wstring command(utf8.size() + 1, L'\0');
    command.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &command[0], int(command.size())) - 1u);
    FILE* pipe = _wpopen(command.c_str(), L"rb");
    std::string out;
    char buffer[4096];
    for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    return std::to_string(pipe ? _pclose(pipe) : 999) + ": " + out;
}

TEST(DsnsetToolTest, ScriptedSetupThroughTheInstaller) {
    ServerScenario scenario(nlohmann::json{{"servers", {DemoServer()}}});
    const std::string sued = "S\xC3\xBC" "d", x512(512, 'x');  // UTF-8, as a script and a terminal have it
    for (const char* dsn : {"Tool", "Typo", "UserOnly", "S\xFC" "d"}) ForgetDsn(dsn);
    SQLWritePrivateProfileString("ODBC Data Sources", "UserOnly", kClientDriverName, "odbc.ini");  // the user's hive
    struct Step { std::string arguments; int exitCode; std::string output; bool changes; };
    const Step steps[] = {
        {"", 2, "usage: dsnset", false},
        {"add DSNwithoutvalue", 2, "'DSNwithoutvalue' is not KEY=VALUE", false},
        {"register \"" + ExecutableFolder() + "\"", 0, "registered \"" + std::string(kClientDriverName), true},
        {"add DSN=Tool DBQ=DEMODATA ServerName=dbhost", 0, "", true},
        {"show Tool", 0, "ServerName=dbhost.1583", false},
        {"add DSN=Other DBQ=DEMODATA ServerName=nowhere", 1, "refused", false},
        {"configure DSN=Typo dsn=Tool \"Description=Front office\"", 0, "", true},  // the last name, in any case
        {"show Tool", 0, "Description=Front office", false},
        {"configure DSN=Tool Description=" + x512, 0, "", true},
        {"show Tool", 0, "Description=" + x512 + "\n", false},
        {"--system configure DSN=Tool Description=y", 0, "", true},
        {"configure DSN=Typo Description=x", 1, "no data source named \"Typo\"", false},
        {"configure DSN=UserOnly Description=u", 0, "", true},  // listed in the user's hive only
        {"configure Description=x", 2, "name the data source with DSN=NAME", false},
        {"configure DSN=Tool DSN= Description=x", 2, "name the data source with DSN=NAME", false},
        {"remove \"\"", 2, "usage: dsnset", false},
        {"add DSN=" + sued + " DBQ=DEMODATA ServerName=dbhost \"Description=M\xC3\xBCnchen " + sued + "\"", 0, "",
         true},
        {"list", 0, sued + "=Quillmere ODBC Client Interface", false},
        {"show " + sued, 0, "Description=M\xC3\xBCnchen " + sued, false},
        {"--system remove Tool", 0, "", true},
        {"show NoSuchDsn", 1, "no keys stored", false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.arguments);
        const std::string before = OdbcIniSnapshot(), run = Dsnset(step.arguments);
        EXPECT_TRUE(run.rfind(std::to_string(step.exitCode) + ": ", 0) == 0 && run.find(step.output) != run.npos)
            << run;
        EXPECT_TRUE(step.changes || OdbcIniSnapshot() == before);
    }
    EXPECT_EQ(std::string(DsnListed("Tool") ? "Tool " : "") + (DsnListed("S\xFC" "d") ? "S\xFC" "d" : ""), "S\xFC" "d");
    const std::string driverKey = "Software\\ODBC\\ODBCINST.INI\\" + std::string(kClientDriverName);
    EXPECT_NE(RegistryText(HKEY_LOCAL_MACHINE, driverKey).find("\\Setup=" + ExecutableFolder() + "\\DSNSET64.dll\n"),
              std::string::npos);  // what register stored
    for (const char* dsn : {"Tool", "UserOnly", "S\xFC" "d"}) ForgetDsn(dsn);
}
}  // namespace
