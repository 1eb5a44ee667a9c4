// The setup library's own facilities, linked statically with the product's string table, over
// the Wine prefix's registry and file system: the DSN name rule under the locale, the choice of
// installer library, the installation lookup, the shared log through the class-library stand-in
// (its line layout is proven natively; here the file as Windows code writes and shares it), and
// the administration library's loader and wrappers, the request builders, the engine interface
// and the server-type probe against the stand-ins of a scenario file.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "log/shared_log.h"
#include "platform/qscore.h"
#include "remote/admin_library.h"
#include "remote/engine_interface.h"
#include "remote/request_builders.h"
#include "remote/server_probe.h"
#include "setup/call_values.h"
#include "setup/config_dsn.h"
#include "setup/install_lookup.h"
#include "setup/installer_library.h"
#include "setup/validate_dsn_name.h"
#include "tests/support/child_processes.h"
#include "tests/support/file_text.h"
#include "tests/support/library_opens.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/server_scenario.h"

using nlohmann::json;
using Statuses = std::vector<int>;

namespace {

const std::string kHere = ExecutableFolder() + "\\";
const HKEY M = HKEY_LOCAL_MACHINE, U = HKEY_CURRENT_USER;
const std::wstring kKey = L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL ", kInfo = L"\\InstallInfo";
const std::wstring kClient = kKey + L"Client" + kInfo, kWorkgroup = kKey + L"Workgroup" + kInfo;
const std::wstring kServer = kKey + L"NT Server" + kInfo;
const std::string kDashes(73, '-'), kStart = "\xEF\xBB\xBF" "Date & Time                 Component       Process  "
    "Process Name    Computer Name   Type  Message\r\n" + kDashes.substr(0, 27) + " " + kDashes.substr(0, 15) +
    " -------- " + kDashes.substr(0, 15) + " " + kDashes.substr(0, 15) + " ----- " + kDashes + "\r\n";
const std::string kTime = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} {5})";

// The rule itself is proven natively; here the string table and the locale it reads.
TEST(FacilityTest, DsnNameRuleFollowsTheStringTableAndTheLocale) {
    AttachLibrary(GetModuleHandleA(nullptr));
    for (auto [name, refused] : {std::pair{"\xC4rger", 0}, {"2Sales", 1}, {"A[", 1}, {"S\x81", 1}}) {
        if (std::strchr(name, '\x81')) { ASSERT_NE(setlocale(LC_ALL, ".932"), nullptr); }  // a lone lead byte
        EXPECT_EQ(ValidateDsnName(name), refused) << name;
    }
    setlocale(LC_ALL, "");
}

// The installer copy of the search ("odbccp32.dll": Wine's own, tag -1) or of the system folder: the newer by version,
// the search copy when equal; a version-less system copy under 20,000 bytes is a stub, moved aside. One is kept loaded.
TEST(FacilityTest, TheInstallerCopyIsChosenByVersion) {
    struct Case { const char *system, *search; int stubSize; std::string chosen; };
    const Case cases[] = {
        {nullptr, "odbccp32.dll", 19999, "-1 from search, stub moved"},
        {nullptr, "odbccp32.dll", 20000, "-1 from search"},
        {"fake_installer_3_525_0.dll", "fake_installer_3_520_0.dll", 0, "35250 from system"},
        {"fake_installer_3_525_0.dll", "fake_installer_3_525_1.dll", 0, "35251 from search"},
        {"fake_installer_3_525_0_copy.dll", "fake_installer_3_525_0.dll", 0, "35250 from search"},
        {nullptr, "no_such_installer.dll", 0, "none"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.search);
        const TempFolder folder(L"dsnset-installer");  // the system folder, made afresh
        const std::string dir(folder.path().begin(), folder.path().end()), systemCopy = dir + "\\odbccp32.dll";
        const std::string search = c.stubSize ? c.search : kHere + c.search;
        EXPECT_TRUE(!c.system || CopyFileA((kHere + c.system).c_str(), systemCopy.c_str(), FALSE));
        if (c.stubSize) std::ofstream(systemCopy, std::ios::binary) << std::string(c.stubSize, 'x');
        HMODULE chosen = LoadInstallerLibraryFrom(dir.c_str(), search.c_str());
        char path[MAX_PATH] = {};
        GetModuleFileNameA(chosen, path, MAX_PATH);
        const bool system = _stricmp(path, systemCopy.c_str()) == 0;
        FARPROC t = GetProcAddress(chosen, "FakeInstallerVersionTag");
        std::string s = chosen ? (t ? std::to_string(t()) : "-1") + " from " + (system ? "system" : "search") : "none";
        if (GetFileAttributesA((dir + "\\odbccp32.bad").c_str()) != INVALID_FILE_ATTRIBUTES) s += ", stub moved";
        if (c.system && GetModuleHandleA((system ? search : systemCopy).c_str())) s += ", both loaded";
        EXPECT_EQ(s, c.chosen);
        FreeLibrary(chosen);
    }
}

struct Value { HKEY hive; std::wstring key, name, data; };

// Keys in order (Client, Workgroup, NT Server), the machine's before the user's; a value is
// read whole into the caller's buffer (40 characters here) or not at all.
TEST(InstallLookupTest, TheFirstKeyThatHoldsTheValueWins) {
    const std::wstring fills(39, L'f'), dir = L"InstallDir";  // with its terminator, the whole buffer
    struct Case { const char* name; std::vector<Value> values; std::wstring shown; };  // directory, bytes read
    const Case cases[] = {
        {"first key, less its backslash", {{M, kClient, dir, L"C:\\P\\"}, {M, kWorkgroup, dir, L"D:\\x"}}, L"C:\\P 12"},
        {"the third key, the user's", {{U, kServer, dir, L"E:\\Srv"}}, L"E:\\Srv 14"},
        {"key order before root order", {{U, kClient, dir, L"U:\\u\\"}, {M, kWorkgroup, dir, L"W:\\x"}}, L"U:\\u 12"},
        {"machine before user", {{U, kClient, dir, L"U:\\u"}, {M, kClient, dir, L"M:\\m"}}, L"M:\\m 10"},
        {"a lone backslash stays", {{M, kClient, dir, L"\\"}}, L"\\ 4"},
        {"too large: the next that fits", {{M, kClient, dir, fills + L"x"}, {U, kClient, dir, fills}}, fills + L" 80"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProductRegistrySandbox registry;
        for (const Value& v : c.values) ASSERT_TRUE(ProductRegistrySandbox::Set(v.hive, v.key, v.name, v.data));
        wchar_t buffer[40] = L"untouched";
        std::uint32_t size = sizeof buffer;
        const bool failed = GetInstallDir(&size, buffer) == static_cast<std::int32_t>(0x80004005);
        EXPECT_EQ((failed ? L"failed" : buffer) + std::wstring(L" ") + std::to_wstring(size), c.shown);
    }
}

// Each installation's "bin" in key order, a key without InstallDir64 skipped.
TEST(InstallLookupTest, FindInstalledLibrarySearchesEachInstallationsBin) {
    ProductRegistrySandbox registry;
    TempFolder workgroup(L"dsnset-workgroup"), server(L"dsnset-server");
    for (const TempFolder* f : {&workgroup, &server}) CreateDirectoryW((*f / L"bin").c_str(), nullptr);
    const std::wstring inWorkgroup = workgroup / L"bin\\w64rmadm.dll", inServer = server / L"bin\\w64kfif.dll";
    for (auto& f : {inWorkgroup, inServer}) CloseHandle(CreateFileW(f.c_str(), GENERIC_WRITE, 0, 0, 1, 0, 0));
    ProductRegistrySandbox::Set(M, kClient, L"InstallDir", server.path());  // not the 64-bit directory
    ProductRegistrySandbox::Set(U, kWorkgroup, L"InstallDir64", workgroup.path());
    ProductRegistrySandbox::Set(M, kServer, L"InstallDir64", server.path());
    const std::uint64_t needs = inWorkgroup.size() + 1;
    struct Case { const wchar_t* file; std::uint64_t room; std::int32_t result; std::wstring path; std::uint64_t n; };
    const Case cases[] = {
        {L"w64rmadm.dll", 261, 0, inWorkgroup, needs},
        {L"w64kfif.dll", 261, 0, inServer, inServer.size() + 1},
        {L"w64rmadm.dll", needs - 1, static_cast<std::int32_t>(0x8000FFFF), L"", needs},
        {L"w64rmadm.dll", needs, 0, inWorkgroup, needs},
        {L"nowhere.dll", 261, static_cast<std::int32_t>(0x80070002), L"", 261},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.room);
        wchar_t output[261] = {};
        std::uint64_t capacity = c.room;
        EXPECT_EQ(FindInstalledLibrary(c.file, &capacity, output), c.result);
        EXPECT_EQ(std::wstring(output) + L" " + std::to_wstring(capacity), c.path + L" " + std::to_wstring(c.n));
    }
}

// The file with its time stamps, this process's id and the computer's name (each with the blanks that
// pad it to its column; "facility_tests.exe" runs 2 into the host's 16) replaced by <time>, <pid>, <host>.
std::string Shown(const std::wstring& file) {
    char host[64] = {};
    QSGetHostNameA(host, sizeof host);
    const std::string pad = " {0," + std::to_string(std::max<int>(0, 14 - static_cast<int>(strlen(host)))) + "}";
    std::string text = std::regex_replace(ReadWholeFile(file), std::regex(kTime + "(.{16})"), "<time> $1");
    const std::string pid = std::to_string(GetCurrentProcessId());
    text = std::regex_replace(text, std::regex("(<time> .{16})" + pid + " *"), "$1<pid> ");
    return std::regex_replace(text, std::regex(std::string("(\\.exe)") + host + pad), "$1<host>");
}

// The product's keys cleared around each test, and the shared log in a fresh folder.
class SharedLogTest : public ::testing::Test {
protected:
    void SetUp() override { ProductRegistrySandbox::Set(U, kLogSettings, L"EventLogDirectory", dir_.path()); }
    ProductRegistrySandbox registry_;
    TempFolder dir_{L"dsnset-log"};
};

// Opens through one holder are counted: the log stays until the last close.
TEST_F(SharedLogTest, ANewFileGetsMarkHeaderAndRuleAFileWithContentOnlyLines) {
    const std::string line = "<time> KFIF            <pid> facility_tests.exe<host>";
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
        for (auto [hive, key, name, value] : {std::tuple{U, kLogSettings, L"EventLogDirectory", c.recorded},
                                              {M, kClient, L"InstallData", c.data},
                                              {M, kClient, L"InstallDir64", c.dir64}})
            if (!value.empty()) ProductRegistrySandbox::Set(hive, key, name, value);
        wchar_t buffer[280] = {};
        EXPECT_EQ(GetLogDirectory(buffer, 280), 0);
        EXPECT_EQ(buffer + (L"|" + ProductRegistrySandbox::Get(U, kLogSettings, L"EventLogDirectory")),
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
    for (DWORD code : RunTogether("facility_tests.exe", {child, child, child, child})) EXPECT_EQ(code, 0u);
    const std::string text = ReadWholeFile(dir_ / L"shared.log");
    ASSERT_EQ(text.substr(0, kStart.size()), kStart);
    const std::regex entry(kTime + R"(CHILD {11}(\d+) +facility_tests\.exe\S* +[IWE] {5}(\d+)\.*\r\n)");
    std::map<std::string, int> next;  // each process's next line number
    std::size_t at = kStart.size();
    for (std::smatch m; regex_search(text.cbegin() + at, text.cend(), m, entry, std::regex_constants::match_continuous);
         at += m.length())
        EXPECT_EQ(std::stoi(m[2]), next[m[1]]++) << m[0];
    EXPECT_EQ(at, text.size()) << text.substr(at, 200);
    EXPECT_EQ(next.size(), 4u);
    for (auto [pid, count] : next) EXPECT_EQ(count, 150) << pid;
}

// The administration library's loader as one line.
std::string Loader() {
    int entries = 0;
    for (int i = 0; i < 8; ++i) entries += AdminCallTable[i].address != nullptr;
    return "loaded " + std::to_string(AdminLibraryLoaded) + " users " + std::to_string(AdminLibraryUsers) + ", " +
           std::to_string(entries) + " entries" + (GetModuleHandleW(L"w64rmadm.dll") ? " in memory" : "");
}

std::int32_t Engine(std::int32_t operation) {
    std::uint8_t position[128] = {};
    std::int32_t length = 75, zero = 0;
    return CallEngine(operation, position, nullptr, &length, 75, nullptr, &zero, 0, 0, ClientIdentity);
}

class RemoteTest : public SharedLogTest {
protected:
    void SetUp() override { SharedLogTest::SetUp(), ModuleInstance = GetModuleHandleW(nullptr); }
    void TearDown() override {
        for (scenario_.write(json::object()); AdminLibraryLoaded;) DBUStop(nullptr);  // closed for the next test
    }
    ServerScenario scenario_{json{{"servers", {DemoServer()}}}};
    std::int32_t session_ = kNoRemoteSession;
};

TEST_F(RemoteTest, LibraryOpensOnFirstUseAndClosesWithItsLastUser) {
    EXPECT_EQ(Statuses({DBUStart(nullptr), DBUStart(nullptr)}), Statuses({0, 0}));
    EXPECT_EQ(Loader(), "loaded 1 users 1, 8 entries in memory");  // further calls neither open nor count
    EXPECT_EQ(DBUStop(nullptr), 0);
    EXPECT_EQ(Loader(), "loaded 0 users 0, 0 entries");
    LibraryOpens refused(L"w64rmadm");  // then missing: every call answers "not available"
    std::uint64_t count = 99;
    EXPECT_EQ(Statuses({DBUStart(nullptr), DBUConnect("dbhost", "", "", &session_), GetDatabaseCount(1, 1, &count),
                        DBUStop(nullptr)}),
              Statuses({8005, 8005, 8005, 8005}));
    EXPECT_EQ(Loader() + " " + std::to_string(count), "loaded 0 users 0, 0 entries 99");
    EXPECT_EQ(scenario_.read()["counters"], json({{"DBUStart", 2}, {"DBUStop", 1}}));
}

// Every builder hands its arguments over in order and the server's status back.
TEST_F(RemoteTest, BuildersReadAndChangeTheServer) {
    ASSERT_EQ(DBUConnect("DBHOST", "", "", &session_), 0);
    std::uint64_t count = 0, length = 60, k = 22, d = 22;  // the demo database's texts fill both exactly
    std::string names(61, '\0');
    DatabaseAttributes attributes{}, created{1, 1, 1, 3, 1, 932};
    char dictionary[23] = {}, dataFiles[23] = {}, description[513] = {}, database[513] = {}, openMode[513] = {};
    std::uint16_t translation = 9;
    const std::int32_t s = session_;
    EXPECT_EQ(Statuses({GetDatabaseCount(s, 1, &count), GetDatabaseNames(s, 1, &length, &names[0]),
                        GetDatabaseInfo(s, 1, "DEMODATA", &attributes, &k, dictionary, &d, dataFiles),
                        CreateDatabase(s, 1, "SALES", &created, 9, "C:\\dict\\s", 11, "C:\\d1;C:\\d2"),
                        CreateDatabase(s, 1, "SALES", &created, 9, "C:\\dict\\s", 11, "C:\\d1;C:\\d2"),
                        CreateEngineDsn(s, 1, 2, "NEWDSN", "New data", "SALES", "-4"),
                        CreateEngineDsn(s, 1, 2, "NEWDSN", "New data", "SALES", "-4"),
                        ModifyEngineDsn(s, 1, 1, "NEWDSN", "Changed", "DEMODATA", "1"),
                        GetEngineDsn(s, 1, &translation, "NEWDSN", description, database, openMode),
                        DeleteEngineDsn(s, 1, "NEWDSN"),  // then gone, and the texts read before stay
                        GetEngineDsn(s, 1, &translation, "NEWDSN", description, database, openMode),
                        // Lengths over their 16-bit fields: the record is never sent.
                        CreateDatabase(s, 1, "X", &attributes, 70000, "", 1, "C")}),
              Statuses({0, 0, 0, 0, 2303, 0, 4111, 0, 0, 0, 7106, 222}));
    EXPECT_EQ(std::to_string(count) + " " + std::to_string(length) + " " + DatabaseNameAt(names.data(), 60, 1).c_str() +
                  " " + std::to_string(k) + " " + dictionary + " " + std::to_string(d) + " " + dataFiles + " " +
                  std::to_string(attributes.codePage) + " " + std::to_string(translation) + " " + description + " " +
                  database + " " + openMode,
              "3 60 TWENTYCHARACTERSNAME 22 \\\\dbhost\\data\\demodata 22 \\\\dbhost\\data\\demodata 1252 "
              "1 Changed DEMODATA 1");
    EXPECT_EQ(scenario_.read()["servers"][0]["databases"][3],
              json({{"name", "SALES"}, {"bound", 1}, {"integrity", 1}, {"createDictionary", 1}, {"security", 3},
                    {"longMetadata", 1}, {"codePage", 932}, {"dataFiles", "C:\\d1;C:\\d2"},
                    {"dictionary", "C:\\dict\\s"}}));
}

TEST_F(RemoteTest, ServerTypeFromVersionAnswersAndTheEngine) {
    MessageBoxRecorder none(GetModuleHandleW(nullptr));
    EXPECT_EQ(ProbeServerType(nullptr, kNoRemoteSession), -1);  // no session asks nothing
    EXPECT_EQ(Loader() + " " + std::to_string(none.boxes().size()), "loaded 0 users 0, 0 entries 0");
    const auto version = [](const char* t, int major, const char* code) {
        return json{{t, {{"major", major}, {"platform", code}}}};
    };
    struct Case { json versions, afterStart; int op26; std::string expected; };
    const Case cases[] = {
        {version("1", 9, "W"), nullptr, 0, "1 W   , engine 0"}, {version("5", 8, "NW"), nullptr, 0, "5 NW  , engine 0"},
        {version("1", 10, "W"), nullptr, 0, "25 W   , engine 0"}, {{}, version("5", 9, "L"), 0, "5 L   , engine 1"},
        {{}, version("5", 9, "L"), 7, "-1 , engine 1"},  // the engine refuses
        {{}, nullptr, 0, "-1 , engine 1"},                  // the engine starts, the server stays silent
    };
    PopupWindow window;
    for (const Case& c : cases) {
        json server = DemoServer();
        server["versions"] = c.versions.is_null() ? json::object() : c.versions;
        if (!c.afterStart.is_null()) server["versionsAfterEngineStart"] = c.afterStart;
        scenario_.write({{"servers", {server}}, {"engine", {{"op26Status", c.op26}}}});
        std::memset(ServerPlatformCode, 0, sizeof ServerPlatformCode);
        ASSERT_EQ(DBUConnect("dbhost", "", "", &session_), 0);
        MessageBoxRecorder boxes(GetModuleHandleW(nullptr));
        const int type = ProbeServerType(window, session_);
        const int engineStarts = scenario_.counter("vdexID:26");
        EXPECT_EQ(std::to_string(type) + " " + ServerPlatformCode + ", engine " + std::to_string(engineStarts),
                  c.expected);
        const Boxes shown = {{window, kEngineConnectionMessage, kSetupCaption, kStopBox}};
        EXPECT_EQ(boxes.boxes(), type < 0 ? shown : Boxes{});
        EXPECT_EQ(EngineInterfaceUsers, 0) << c.expected;  // every engine call counted down again
        DBUDisconnect(&session_);
    }
    EXPECT_EQ(EngineInterfaceLoaded, 1);  // stays open for the process
}

// The engine's load failure goes to the log, and to a box only when QMSW_DISP_LOAD_ERRS is set.
TEST_F(RemoteTest, MissingEngineIsLoggedAndShownOnlyWhenAskedFor) {
    LibraryOpens refused(L"w64kfif");
    UnloadEngineInterface();  // so that the call has to load it
    for (bool show : {false, true}) {
        SetEnvironmentVariableA("QMSW_DISP_LOAD_ERRS", show ? "" : nullptr);  // set, even empty, is enough
        MessageBoxRecorder boxes(GetModuleHandleW(nullptr));
        EXPECT_EQ(Engine(26), 8020);
        const Boxes shown = {{nullptr, "VDEXIfc: Returning Status: 8020", "KFIF", MB_OK | MB_TASKMODAL}};
        EXPECT_EQ(boxes.boxes(), show ? shown : Boxes{});
        EXPECT_EQ(EngineInterfaceUsers, 0);
    }
    SetEnvironmentVariableA("QMSW_DISP_LOAD_ERRS", nullptr);
    const std::string log = ReadWholeFile(dir_ / L"qmsw.log"), line = "I     VDEXIfc: Returning Status: 8020";
    const std::size_t first = log.find(line);
    EXPECT_TRUE(first != std::string::npos && log.find(line, first + 1) != std::string::npos) << log;  // once a try
}

// After a successful operation 25 the engine goes when no client of it is left.
TEST_F(RemoteTest, OperationTwentyFiveMayCloseTheEngine) {
    struct Case { json engine; int usersBefore; std::string after; };
    const Case cases[] = {
        {{{"activeClients", 0}}, 0, "loaded 0 users 0"}, {{{"activeClients", 2}}, 0, "loaded 1 users 0"},
        {{{"activeClients", 0}}, 1, "loaded 1 users 1"},  // another user still holds it
        {{{"adminStatus", 9}}, 0, "loaded 1 users 1"},    // the count stays raised when the query fails
        {{{"op25Status", 5}}, 0, "loaded 1 users 0"},
    };
    for (const Case& c : cases) {
        scenario_.write({{"servers", {DemoServer()}}, {"engine", c.engine}});
        EngineInterfaceUsers = c.usersBefore;
        Engine(25);
        EXPECT_EQ("loaded " + std::to_string(EngineInterfaceLoaded) + " users " + std::to_string(EngineInterfaceUsers),
                  c.after) << c.engine.dump() << " " << c.usersBefore;
    }
    EngineInterfaceUsers = 0;
}

}  // namespace
