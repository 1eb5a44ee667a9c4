// The shared log through the class-library stand-in, on the Wine prefix's file system. The
// line layout is proven natively; here the file as Windows code writes and shares it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>

#include "log/shared_log.h"
#include "platform/qscore.h"
#include "tests/support/child_processes.h"
#include "tests/support/file_text.h"
#include "tests/support/registry_sandbox.h"

namespace {

const std::wstring kSettings = L"SOFTWARE\\Quillmere Software\\Event Log\\Version 11\\Settings";
const std::wstring kClient = L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL Client\\InstallInfo";
const std::string kDashes(73, '-'), kStart = "\xEF\xBB\xBF" "Date & Time                 Component       Process  "
    "Process Name    Computer Name   Type  Message\r\n" + kDashes.substr(0, 27) + " " + kDashes.substr(0, 15) +
    " -------- " + kDashes.substr(0, 15) + " " + kDashes.substr(0, 15) + " ----- " + kDashes + "\r\n";
const std::string kTime = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} {5})";
const HKEY M = HKEY_LOCAL_MACHINE, U = HKEY_CURRENT_USER;

// The file with its time stamps, this process's id and the computer's name (each with the
// blanks that pad it to its column) replaced by <time>, <pid> and <host>.
std::string Shown(const std::wstring& file) {
    char host[64] = {};
    QSGetHostNameA(host, sizeof host);
    const std::string pad = " {0," + std::to_string(std::max<int>(0, 12 - static_cast<int>(strlen(host)))) + "}";
    std::string text = std::regex_replace(ReadWholeFile(file), std::regex(kTime + "(.{16})"), "<time> $1");
    const std::string pid = std::to_string(GetCurrentProcessId());
    text = std::regex_replace(text, std::regex("(<time> .{16})" + pid + " *"), "$1<pid> ");
    return std::regex_replace(text, std::regex(std::string("(\\.exe)") + host + pad), "$1<host>");
}

class SharedLogTest : public ::testing::Test {
protected:
    void SetUp() override { ProductRegistrySandbox::Set(U, kSettings, L"EventLogDirectory", dir_.path()); }
    ProductRegistrySandbox registry_;
    TempFolder dir_{L"dsnset-log"};
};

// Opens through one holder are counted: the log stays until the last close.
TEST_F(SharedLogTest, ANewFileGetsMarkHeaderAndRuleAFileWithContentOnlyLines) {
    const std::string line = "<time> KFIF            <pid> shared_log_tests.exe<host>";
    const std::string lines = line + "I     Cannot load w64kfif.dll.\r\n" + line + "      odd level\r\n" + line +
                              "E     after one close\r\n";
    for (auto [file, before] : {std::pair<const wchar_t*, std::string>{nullptr, ""}, {L"", "earlier\r\n"}}) {
        SCOPED_TRACE(before);  // an empty name is the default name too
        if (!before.empty()) std::ofstream((dir_ / L"qmsw.log").c_str(), std::ios::binary) << before;
        SharedLog* log = nullptr;
        ASSERT_EQ(OpenSharedLog(&log, nullptr, L"KFIF", file), 0);
        SharedLog* const first = log;
        ASSERT_EQ(OpenSharedLog(&log, nullptr, L"IGNORED", L"other.log") | CloseSharedLog(&log), 0);
        ASSERT_EQ(log, first);  // still open
        EXPECT_EQ(WriteLogMessage(log, 1, "Cannot load w64kfif.dll.") | WriteLogMessage(log, 3, "odd level") |
                  WriteLogMessage(log, 4, "after one close"), 0);
        EXPECT_TRUE((CloseSharedLog(&log) | CloseSharedLog(&log)) == 0 && !log);  // the second: nothing to close
        EXPECT_EQ(Shown(dir_ / L"qmsw.log"), (before.empty() ? kStart : before) + lines);
        EXPECT_EQ(GetFileAttributesW((dir_ / L"other.log").c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

TEST_F(SharedLogTest, TheLogDirectoryIsTheRecordedOneOrChosenInOrderAndRecorded) {
    TempFolder install(L"dsnset-install");
    const std::wstring in = install.path(), fits = L"Q:\\" + std::wstring(270, L'f');  // 273: fits with "\logs"
    struct Case { std::wstring recorded, data, dir64, expected; bool made; };  // nothing past MAX_PATH: on no drive
    const Case cases[] = {
        {L"", in + L"\\Data\\", L"C:\\x", in + L"\\Data\\logs", true},
        {L"", L"", in + L"\\Prog64", in + L"\\Prog64\\logs", true},
        {L"", fits, L"C:\\x", fits + L"\\logs", false},
        {L"", L"", L"", L"C:\\windows", true},
        {in + L"\\recorded\\deep", in + L"\\Data", L"", in + L"\\recorded\\deep", true},  // made when missing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.expected.begin(), c.expected.end()));
        ProductRegistrySandbox::Clear();
        for (auto [hive, key, name, value] : {std::tuple{U, kSettings, L"EventLogDirectory", c.recorded},
                                              {M, kClient, L"InstallData", c.data},
                                              {M, kClient, L"InstallDir64", c.dir64}})
            if (!value.empty()) ProductRegistrySandbox::Set(hive, key, name, value);
        wchar_t buffer[280] = {};
        EXPECT_EQ(GetLogDirectory(buffer, 280), 0);
        EXPECT_EQ(buffer + (L"|" + ProductRegistrySandbox::Get(U, kSettings, L"EventLogDirectory")),
                  c.expected + L"|" + c.expected);  // and recorded
        EXPECT_EQ(GetFileAttributesW(c.expected.c_str()) != INVALID_FILE_ATTRIBUTES, c.made);
    }
}

// One writer of the case below: this program started again as a child process.
TEST(SharedLogChild, DISABLED_Writes150Lines) {
    SharedLog* log = nullptr;
    ASSERT_EQ(OpenSharedLog(&log, nullptr, L"CHILD", L"shared.log"), 0);
    for (int i = 0; i < 150; ++i)
        EXPECT_EQ(WriteLogMessage(log, 1 << i % 3, (std::to_string(i) + std::string(i % 50, '.')).c_str()), 0);
    EXPECT_EQ(CloseSharedLog(&log), 0);
}

// Four processes opening the log at once: one header, every line whole, each process's in order.
TEST_F(SharedLogTest, SeveralProcessesAppendWholeLinesUnderOneHeader) {
    const std::string child = "--gtest_also_run_disabled_tests --gtest_filter=SharedLogChild.*";
    for (DWORD code : RunTogether("shared_log_tests.exe", {child, child, child, child})) EXPECT_EQ(code, 0u);
    const std::string text = ReadWholeFile(dir_ / L"shared.log");
    ASSERT_EQ(text.substr(0, kStart.size()), kStart);
    const std::regex entry(kTime + R"(CHILD {11}(\d+) +shared_log_tests\.exe\S* +[IWE] {5}(\d+)\.*\r\n)");
    std::map<std::string, int> next;  // each process's next line number
    std::size_t at = kStart.size();
    for (std::smatch m; regex_search(text.cbegin() + at, text.cend(), m, entry, std::regex_constants::match_continuous);
         at += m.length())
        EXPECT_EQ(std::stoi(m[2]), next[m[1]]++) << m[0];
    EXPECT_EQ(at, text.size()) << text.substr(at, 200);
    EXPECT_EQ(next.size(), 4u);
    for (auto [pid, count] : next) EXPECT_EQ(count, 150) << pid;
}

}  // namespace
