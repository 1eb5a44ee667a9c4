// The shared log through the class-library stand-in, on the Wine prefix's file system.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "log/shared_log.h"
#include "platform/qscore.h"
#include "tests/support/child_processes.h"
#include "tests/support/file_text.h"
#include "tests/support/import_hook.h"
#include "tests/support/registry_sandbox.h"

namespace {

const std::wstring kSettings = L"SOFTWARE\\Quillmere Software\\Event Log\\Version 11\\Settings";
const std::wstring kClient = L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL Client\\InstallInfo";
const char kBom[] = "\xEF\xBB\xBF";
const std::string kHeader =
    "Date & Time                 Component       Process  Process Name    Computer Name   Type  Message\r\n";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

class SharedLogTest : public ::testing::Test {
protected:
    void SetUp() override { ProductRegistrySandbox::Set(HKEY_CURRENT_USER, kSettings, L"EventLogDirectory", dir_.path()); }
    std::wstring LogFile(const wchar_t* name = L"qmsw.log") const { return dir_ / name; }

    ProductRegistrySandbox registry_;
    TempFolder dir_{L"dsnset-log"};
};

TEST_F(SharedLogTest, NewFileGetsMarkHeaderAndRuleThenLinesInColumns) {
    SharedLog* log = nullptr;
    ASSERT_EQ(OpenSharedLog(&log, nullptr, L"KFIF", nullptr), 0);
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(log->useCount, 1u);
    EXPECT_EQ(log->processId, GetCurrentProcessId());
    EXPECT_EQ(WriteLogMessage(log, 1, "Cannot load w64kfif.dll."), 0);
    EXPECT_EQ(WriteLogMessage(log, 3, "odd level"), 0);
    EXPECT_EQ(CloseSharedLog(&log), 0);
    EXPECT_EQ(log, nullptr);

    const std::string text = ReadWholeFile(LogFile());
    ASSERT_EQ(text.substr(0, 3), kBom);
    std::vector<std::string> lines = Lines(text.substr(3));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0] + "\r\n", kHeader);
    EXPECT_EQ(lines[1].substr(0, 28), std::string(27, '-') + " ");

    char host[64] = {};
    QSGetHostNameA(host, sizeof host);
    std::string pid = std::to_string(GetCurrentProcessId());
    const std::string& line = lines[2];
    EXPECT_TRUE(std::regex_match(line.substr(0, 28), std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} {5})"))) << line;
    EXPECT_EQ(line.substr(28, 16), "KFIF            ");
    EXPECT_EQ(line.substr(44, 9), pid + std::string(9 - pid.size(), ' '));
    EXPECT_EQ(line.substr(53, 20), "shared_log_tests.exe");  // 20 characters: longer than its column, no blank
    // The computer name follows at once and is padded back to the type column.
    const std::string computer = std::string(host) + std::string(std::strlen(host) < 12 ? 12 - std::strlen(host) : 0, ' ');
    EXPECT_EQ(line.substr(73), computer + "I     Cannot load w64kfif.dll.");
    EXPECT_EQ(lines[3].substr(73), computer + "      odd level");
}

TEST_F(SharedLogTest, OpensThroughOneHolderOnlyCount) {
    SharedLog* log = nullptr;
    ASSERT_EQ(OpenSharedLog(&log, nullptr, nullptr, L"count.log"), 0);
    SharedLog* first = log;
    ASSERT_EQ(OpenSharedLog(&log, nullptr, L"IGNORED", L"other.log"), 0);
    EXPECT_EQ(log, first);
    EXPECT_EQ(log->useCount, 2u);
    EXPECT_EQ(CloseSharedLog(&log), 0);
    ASSERT_EQ(log, first);  // still open
    EXPECT_EQ(WriteLogMessage(log, 2, "after one close"), 0);
    EXPECT_EQ(CloseSharedLog(&log), 0);
    EXPECT_EQ(log, nullptr);
    EXPECT_EQ(CloseSharedLog(&log), 0);  // nothing left to close

    std::vector<std::string> lines = Lines(ReadWholeFile(LogFile(L"count.log")).substr(3));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2].substr(28, 16), "UNKNOWN         ");
    EXPECT_EQ(GetFileAttributesW(LogFile(L"other.log").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SharedLogTest, FileWithContentGetsNoHeader) {
    std::ofstream(LogFile().c_str(), std::ios::binary) << "earlier\r\n";
    SharedLog* log = nullptr;
    ASSERT_EQ(OpenSharedLog(&log, nullptr, L"KFIF", nullptr), 0);
    WriteLogMessage(log, 4, "appended");
    CloseSharedLog(&log);
    std::vector<std::string> lines = Lines(ReadWholeFile(LogFile()));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "earlier");
    EXPECT_EQ(lines[1].substr(28, 4), "KFIF");
}

TEST_F(SharedLogTest, FailuresStayInsideTheFacility) {
    // The log file's name is taken by a directory: the open fails and the holder stays empty.
    CreateDirectoryW(LogFile().c_str(), nullptr);
    SharedLog* log = nullptr;
    EXPECT_EQ(OpenSharedLog(&log, nullptr, L"KFIF", nullptr), static_cast<std::int32_t>(0x80004005));
    EXPECT_EQ(log, nullptr);
    EXPECT_EQ(WriteLogMessage(nullptr, 1, "x"), static_cast<std::int32_t>(0x80004005));
    EXPECT_EQ(OpenSharedLog(nullptr, nullptr, L"KFIF", nullptr), static_cast<std::int32_t>(0x80004005));
    // A bundle that cannot be found fails the open as a whole.
    EXPECT_EQ(OpenSharedLog(&log, L"no-such-bundle", L"KFIF", L"b.log"), static_cast<std::int32_t>(0x80004005));
    EXPECT_EQ(log, nullptr);
}

std::int32_t RefuseSetValue(std::int32_t, const wchar_t*, const wchar_t*, std::uint32_t, const void*, std::uint32_t) {
    return static_cast<std::int32_t>(0x80070005);
}

TEST_F(SharedLogTest, LogDirectoryIsRecordedOrChosenInOrder) {
    TempFolder install(L"dsnset-install");
    struct Case {
        const char* name;
        std::vector<std::pair<std::wstring, std::wstring>> installValues;  // Client key, machine root
        std::wstring expected;
    };
    const Case cases[] = {
        {"the data directory's logs", {{L"InstallData", install.path() + L"\\Data\\"}, {L"InstallDir64", L"C:\\x"}},
         install.path() + L"\\Data\\logs"},
        {"the 64-bit directory's logs", {{L"InstallDir64", install.path() + L"\\Prog64"}}, install.path() + L"\\Prog64\\logs"},
        {"the Windows directory", {}, L"C:\\windows"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProductRegistrySandbox::Clear();
        for (const auto& [name, value] : c.installValues) ProductRegistrySandbox::Set(HKEY_LOCAL_MACHINE, kClient, name, value);
        wchar_t buffer[280] = {};
        EXPECT_EQ(GetLogDirectory(buffer, 280), 0);
        EXPECT_EQ(std::wstring(buffer), c.expected);
        EXPECT_EQ(ProductRegistrySandbox::Get(HKEY_CURRENT_USER, kSettings, L"EventLogDirectory"), c.expected);
        DWORD a = GetFileAttributesW(c.expected.c_str());
        EXPECT_TRUE(a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY));
    }

    // A recorded directory is used, and created when it is missing.
    ProductRegistrySandbox::Clear();
    std::wstring recorded = install.path() + L"\\recorded\\deep";
    ProductRegistrySandbox::Set(HKEY_CURRENT_USER, kSettings, L"EventLogDirectory", recorded);
    wchar_t buffer[280] = {};
    EXPECT_EQ(GetLogDirectory(buffer, 280), 0);
    EXPECT_EQ(std::wstring(buffer), recorded);
    EXPECT_NE(GetFileAttributesW(recorded.c_str()), INVALID_FILE_ATTRIBUTES);

    // Not recorded and the registry refuses the value: that failure, and nothing created.
    ProductRegistrySandbox::Clear();
    ProductRegistrySandbox::Set(HKEY_LOCAL_MACHINE, kClient, L"InstallData", install.path() + L"\\Refused");
    ImportHook refuse(GetModuleHandleW(nullptr), "w64qscore3.dll", "QSRegistrySetValue", reinterpret_cast<void*>(&RefuseSetValue));
    ASSERT_TRUE(refuse.installed());
    EXPECT_EQ(GetLogDirectory(buffer, 280), static_cast<std::int32_t>(0x80070005));
    EXPECT_EQ(GetFileAttributesW((install.path() + L"\\Refused\\logs").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SharedLogTest, SeveralProcessesAppendWholeLinesUnderOneHeader) {
    constexpr int kProcesses = 4, kLines = 150;
    std::vector<std::string> arguments;
    for (int p = 0; p < kProcesses; ++p) arguments.push_back("P" + std::to_string(p) + " " + std::to_string(kLines) + " shared.log");
    for (DWORD code : RunTogether("log_child.exe", arguments)) EXPECT_EQ(code, 0u);

    const std::string text = ReadWholeFile(LogFile(L"shared.log"));
    ASSERT_EQ(text.substr(0, 3), kBom);
    EXPECT_EQ(text.find(kBom, 3), std::string::npos);
    std::vector<std::string> lines = Lines(text.substr(3));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(2 + kProcesses * kLines));
    EXPECT_EQ(lines[0] + "\r\n", kHeader);
    std::map<std::string, std::vector<int>> seen;
    const std::regex entry(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} {5}CHILD(P\d) {9}\d+ +log_child\.exe {3}\S+ +[IWE] {5}(P\d) line (\d+) \.*)");
    for (std::size_t i = 2; i < lines.size(); ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(lines[i], m, entry)) << lines[i];
        EXPECT_EQ(m[1], m[2]);
        seen[m[2]].push_back(std::stoi(m[3]));
    }
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(kProcesses));
    for (auto& [tag, numbers] : seen) {
        ASSERT_EQ(numbers.size(), static_cast<std::size_t>(kLines)) << tag;
        for (int i = 0; i < kLines; ++i) EXPECT_EQ(numbers[i], i) << tag;  // in order, none lost
    }
}

}  // namespace
