// The shared log through the class-library stand-in, on the Wine prefix's file system. The
// line layout is proven natively; here the file as Windows code writes and shares it.
#include <gtest/gtest.h>

#include <algorithm>
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
const std::string kStart = "\xEF\xBB\xBF" "Date & Time                 Component       Process  Process Name    Computer Name   "
                           "Type  Message\r\n" + std::string(27, '-') + " " + std::string(15, '-') + " --------"
                           " --------------- --------------- ----- " + std::string(73, '-') + "\r\n";
constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005);

// The file with its time stamps, this process's id and the computer's name (each with the
// blanks that pad it to its column) replaced by <time>, <pid> and <host>.
std::string Shown(const std::wstring& file) {
    char host[64] = {};
    QSGetHostNameA(host, sizeof host);
    std::string text = ReadWholeFile(file);
    text = std::regex_replace(text, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} {5}(.{16}))"), "<time> $1");
    text = std::regex_replace(text, std::regex("(<time> .{16})" + std::to_string(GetCurrentProcessId()) + " *"), "$1<pid> ");
    const std::string pad = " {0," + std::to_string(std::max<int>(0, 12 - static_cast<int>(strlen(host)))) + "}";
    return std::regex_replace(text, std::regex(std::string("(\\.exe)") + host + pad), "$1<host>");
}

class SharedLogTest : public ::testing::Test {
protected:
    void SetUp() override { ProductRegistrySandbox::Set(HKEY_CURRENT_USER, kSettings, L"EventLogDirectory", dir_.path()); }
    ProductRegistrySandbox registry_;
    TempFolder dir_{L"dsnset-log"};
};

TEST_F(SharedLogTest, ANewFileGetsMarkHeaderAndRuleAFileWithContentOnlyLines) {
    const std::string line = "<time> KFIF            <pid> shared_log_tests.exe<host>";
    struct Case { const char* name; const wchar_t* file; std::string before, after; };
    const Case cases[] = {
        {"new", nullptr, "", kStart + line + "I     Cannot load w64kfif.dll.\r\n" + line + "      odd level\r\n"},
        {"an empty name is the default name", L"", "earlier\r\n",
         "earlier\r\n" + line + "I     Cannot load w64kfif.dll.\r\n" + line + "      odd level\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileW((dir_ / L"qmsw.log").c_str());
        if (!c.before.empty()) std::ofstream((dir_ / L"qmsw.log").c_str(), std::ios::binary) << c.before;
        SharedLog* log = nullptr;
        ASSERT_EQ(OpenSharedLog(&log, nullptr, L"KFIF", c.file), 0);
        EXPECT_EQ(WriteLogMessage(log, 1, "Cannot load w64kfif.dll."), 0);
        EXPECT_EQ(WriteLogMessage(log, 3, "odd level"), 0);
        EXPECT_EQ(CloseSharedLog(&log), 0);
        EXPECT_EQ(log, nullptr);
        EXPECT_EQ(Shown(dir_ / L"qmsw.log"), c.after);
    }
}

TEST_F(SharedLogTest, OpensThroughOneHolderCountAndFailuresStayInside) {
    SharedLog* log = nullptr;
    ASSERT_EQ(OpenSharedLog(&log, nullptr, nullptr, L"count.log"), 0);
    SharedLog* first = log;
    ASSERT_EQ(OpenSharedLog(&log, nullptr, L"IGNORED", L"other.log"), 0);
    EXPECT_EQ(log, first);
    EXPECT_EQ(CloseSharedLog(&log), 0);
    ASSERT_EQ(log, first);  // still open
    EXPECT_EQ(WriteLogMessage(log, 4, "after one close"), 0);
    EXPECT_EQ(CloseSharedLog(&log), 0);
    EXPECT_EQ(log, nullptr);
    EXPECT_EQ(CloseSharedLog(&log), 0);  // nothing left to close
    EXPECT_EQ(Shown(dir_ / L"count.log"), kStart + "<time> UNKNOWN         <pid> shared_log_tests.exe<host>E     after one close\r\n");
    EXPECT_EQ(GetFileAttributesW((dir_ / L"other.log").c_str()), INVALID_FILE_ATTRIBUTES);
    // The log's name taken by a directory, no holder, a bundle that cannot be found.
    CreateDirectoryW((dir_ / L"qmsw.log").c_str(), nullptr);
    EXPECT_EQ(OpenSharedLog(&log, nullptr, L"KFIF", nullptr), kFail);
    EXPECT_EQ(OpenSharedLog(nullptr, nullptr, L"KFIF", nullptr), kFail);
    EXPECT_EQ(OpenSharedLog(&log, L"no-such-bundle", L"KFIF", L"b.log"), kFail);
    EXPECT_EQ(log, nullptr);
    EXPECT_EQ(WriteLogMessage(nullptr, 1, "x"), kFail);
}

std::int32_t RefuseSetValue(std::int32_t, const wchar_t*, const wchar_t*, std::uint32_t, const void*, std::uint32_t) {
    return static_cast<std::int32_t>(0x80070005);
}

TEST_F(SharedLogTest, TheLogDirectoryIsTheRecordedOneOrChosenInOrderAndRecorded) {
    TempFolder install(L"dsnset-install");
    // 273 characters, on a drive that does not exist: nothing past MAX_PATH is made.
    const std::wstring fits = L"Q:\\" + std::wstring(270, L'f');
    struct Case { const char* name; std::wstring recorded, data, dir64, expected; bool made; };
    const Case cases[] = {
        {"the data directory's logs", L"", install.path() + L"\\Data\\", L"C:\\x", install.path() + L"\\Data\\logs", true},
        {"the 64-bit directory's logs", L"", L"", install.path() + L"\\Prog64", install.path() + L"\\Prog64\\logs", true},
        {"a data directory that just fits with its logs", L"", fits, L"C:\\x", fits + L"\\logs", false},
        {"the Windows directory", L"", L"", L"", L"C:\\windows", true},
        {"a recorded directory, made when missing", install.path() + L"\\recorded\\deep", install.path() + L"\\Data",
         L"", install.path() + L"\\recorded\\deep", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProductRegistrySandbox::Clear();
        if (!c.recorded.empty()) ProductRegistrySandbox::Set(HKEY_CURRENT_USER, kSettings, L"EventLogDirectory", c.recorded);
        if (!c.data.empty()) ProductRegistrySandbox::Set(HKEY_LOCAL_MACHINE, kClient, L"InstallData", c.data);
        if (!c.dir64.empty()) ProductRegistrySandbox::Set(HKEY_LOCAL_MACHINE, kClient, L"InstallDir64", c.dir64);
        wchar_t buffer[280] = {};
        EXPECT_EQ(GetLogDirectory(buffer, 280), 0);
        EXPECT_EQ(std::wstring(buffer), c.expected);
        EXPECT_EQ(ProductRegistrySandbox::Get(HKEY_CURRENT_USER, kSettings, L"EventLogDirectory"), c.expected);
        EXPECT_EQ(GetFileAttributesW(c.expected.c_str()) != INVALID_FILE_ATTRIBUTES, c.made);
    }
    // Not recorded and the registry refuses the value: that failure, and nothing made.
    ProductRegistrySandbox::Clear();
    ProductRegistrySandbox::Set(HKEY_LOCAL_MACHINE, kClient, L"InstallData", install.path() + L"\\Refused");
    ImportHook refuse(GetModuleHandleW(nullptr), "w64qscore3.dll", "QSRegistrySetValue", reinterpret_cast<void*>(&RefuseSetValue));
    ASSERT_TRUE(refuse.installed());
    wchar_t buffer[280] = {};
    EXPECT_EQ(GetLogDirectory(buffer, 280), static_cast<std::int32_t>(0x80070005));
    EXPECT_EQ(GetFileAttributesW((install.path() + L"\\Refused\\logs").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SharedLogTest, SeveralProcessesAppendWholeLinesUnderOneHeader) {
    constexpr int kProcesses = 4, kLines = 150;
    std::vector<std::string> arguments;
    for (int p = 0; p < kProcesses; ++p) arguments.push_back("P" + std::to_string(p) + " " + std::to_string(kLines) + " shared.log");
    for (DWORD code : RunTogether("log_child.exe", arguments)) EXPECT_EQ(code, 0u);
    const std::string text = ReadWholeFile(dir_ / L"shared.log");
    ASSERT_EQ(text.substr(0, kStart.size()), kStart);
    std::map<std::string, std::vector<int>> seen;  // each child's line numbers, as found
    const std::regex entry(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} {5}CHILD(P\d) {9}\d+ +log_child\.exe {3}\S+ +[IWE] {5}(P\d) line (\d+) \.*)");
    std::size_t start = kStart.size();
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        std::smatch m;
        const std::string line = text.substr(start, end - start);
        ASSERT_TRUE(std::regex_match(line, m, entry)) << line;
        EXPECT_EQ(m[1], m[2]);
        seen[m[2]].push_back(std::stoi(m[3]));
    }
    EXPECT_EQ(start, text.size());
    std::vector<int> all(kLines);
    for (int i = 0; i < kLines; ++i) all[i] = i;
    EXPECT_EQ(seen, (std::map<std::string, std::vector<int>>{{"P0", all}, {"P1", all}, {"P2", all}, {"P3", all}}));
}

}  // namespace
