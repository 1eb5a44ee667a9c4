// ConfigDSN as callers reach it: DSNSET64.dll loaded as a library, through the real ODBC
// installer's SQLConfigDataSource with the driver registered like a user's installer, and by
// dsnset.exe as a script uses it; and the DSN commit called directly as the setup dialog's OK
// runs it; against the stand-in server. Then under pressure: threads of three processes (this
// program again, --child) at once, and every allocation of a call failing in turn.
#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>
#include <optional>
#include "remote/engine_interface.h"
#include "remote/server_probe.h"
#include "setup/call_values.h"
#include "setup/config_dsn.h"
#include "setup/dsn_commit.h"
#include "tests/support/child_processes.h"
#include "tests/support/import_hook.h"
#include "tests/support/library_opens.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/odbc_profile.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/server_scenario.h"

// The test program's operator new, which the statically linked product allocates through:
// once armed, the nth allocation of the arming thread fails as when memory runs out.
static DWORD armedThread = 0;
static std::uint64_t failAt = 0, made = 0;
static void* Allocate(std::size_t size) {
    return armedThread == GetCurrentThreadId() && ++made == failAt ? nullptr : std::malloc(size ? size : 1);
}
void* operator new(std::size_t size) { return Allocate(size) ?: throw std::bad_alloc(); }
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"  // every new above comes from malloc
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
namespace {
int32_t FailAcquire(void*) { return 1; }
HGLOBAL WINAPI FailGlobalAlloc(UINT, SIZE_T) { return nullptr; }
nlohmann::json Scenario(const char* dbhost = "dbhost") {
    return {{"servers", {DemoServer({dbhost}), DemoServer({"localhost"})}}};
}
// The installer as the product sees it: refusing to register or remove one name, and keeping what is
// posted to it, allocating nothing (Wine 8's own SQLPostInstallerError keeps nothing).
std::string refusedName;
char posted[4096];  // " [code] text" each
template <typename To, typename From> To Cast(From f) { return reinterpret_cast<To>(reinterpret_cast<void*>(f)); }
const auto lookUp = Cast<decltype(&GetProcAddress)>(GetProcAddress(GetModuleHandleA("kernel32"), "GetProcAddress"));
BOOL WINAPI WriteDsnRefusing(LPCSTR dsn, LPCSTR driver) { return dsn != refusedName && SQLWriteDSNToIni(dsn, driver); }
BOOL WINAPI RemoveDsnRefusing(LPCSTR dsn) { return dsn != refusedName && SQLRemoveDSNFromIni(dsn); }
short WINAPI Post(DWORD code, LPCSTR text) { char* end = std::strchr(posted, 0);
    return std::snprintf(end, posted + sizeof posted - end, " [%lu] %s", code, text), 0; }
bool Is(LPCSTR name, const char* function) { return HIWORD(ULONG_PTR(name)) && !std::strcmp(name, function); }
FARPROC WINAPI GetProcAddressRefusing(HMODULE module, LPCSTR name) {
    if (Is(name, "SQLPostInstallerError")) return Cast<FARPROC>(&Post);
    if (Is(name, "SQLWriteDSNToIni")) return Cast<FARPROC>(&WriteDsnRefusing);
    if (Is(name, "SQLRemoveDSNFromIni")) return Cast<FARPROC>(&RemoveDsnRefusing);
    return lookUp(module, name);
}
// Every installer function but the post throws: an exception escaping a facility.
template <typename Thrown> FARPROC WINAPI Throwing(HMODULE, LPCSTR name) {
    return Is(name, "SQLPostInstallerError") ? Cast<FARPROC>(&Post) : throw Thrown(); }
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

struct OverlapProbe { volatile LONG inside, mostInside, entries, lastProcess, processChanges; };
OverlapProbe* const Probe = static_cast<OverlapProbe*>(MapViewOfFile(
    CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(OverlapProbe), "DsnsetOverlapProbe"),
    FILE_MAP_ALL_ACCESS, 0, 0, 0));
HGLOBAL WINAPI Enter(HGLOBAL block) {  // a call locks its record on the way in, frees it on the way out
    const LONG now = InterlockedIncrement(&Probe->inside);
    InterlockedIncrement(&Probe->entries);
    // Entries that alternate between processes show that the calls really met at the mutex.
    if (InterlockedExchange(&Probe->lastProcess, LONG(GetCurrentProcessId())) != LONG(GetCurrentProcessId()))
        InterlockedIncrement(&Probe->processChanges);
    for (LONG seen = Probe->mostInside; now > seen; seen = Probe->mostInside)
        InterlockedCompareExchange(&Probe->mostInside, now, seen);
    return GlobalLock(block);
}
HGLOBAL WINAPI Leave(HGLOBAL block) { return InterlockedDecrement(&Probe->inside), GlobalFree(block); }
BOOL(WINAPI* ConfigDsn)(HWND, WORD, LPCSTR, LPCSTR) = nullptr;
LONG failures = 0;
// A child: four threads add and remove a DSN of their own 15 times; the exit code counts the
// calls that failed and the DSNs left behind.
int Child(const std::string& prefix) {
    HMODULE library = LoadLibraryA((ExecutableFolder() + "\\DSNSET64.dll").c_str());
    ImportHook enter("kernel32.dll", "GlobalLock", &Enter, library);
    ImportHook leave("kernel32.dll", "GlobalFree", &Leave, library);
    if (!enter.installed() || !leave.installed()) return 100;
    ConfigDsn = reinterpret_cast<decltype(ConfigDsn)>(reinterpret_cast<void*>(GetProcAddress(library, "ConfigDSN")));
    std::string names[] = {prefix + "0", prefix + "1", prefix + "2", prefix + "3"};
    HANDLE threads[4];
    for (int t = 0; t < 4; ++t) {
        threads[t] = CreateThread(nullptr, 0, [](void* dsn) -> DWORD {
            const std::string add = AttributeList({"DSN=" + *static_cast<std::string*>(dsn), "DBQ=DEMODATA"});
            for (int i = 0; i < 30; ++i)  // add, remove
                if (!ConfigDsn(nullptr, i % 2 ? 3 : 1, kClientDriverName, add.c_str())) InterlockedIncrement(&failures);
            return 0;
        }, &names[t], 0, nullptr);
    }
    WaitForMultipleObjects(4, threads, TRUE, INFINITE);
    for (const std::string& name : names) failures += DsnListed(name), ForgetDsn(name);
    return failures;
}

// Boxes answered at once without allocating: the counted allocations are the library's.
int WINAPI AnswerBox(HWND, LPCSTR, LPCSTR, UINT) { return IDOK; }
bool ConfigDsnMutexIsFree() {  // another thread can take it at once
    bool free = false;
    HANDLE thread = CreateThread(nullptr, 0, [](LPVOID result) -> DWORD {
        HANDLE mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, "ConfigDSNMutex");
        if (mutex && WaitForSingleObject(mutex, 0) == WAIT_OBJECT_0) *static_cast<bool*>(result) = ReleaseMutex(mutex);
        return mutex && CloseHandle(mutex);
    }, &free, 0, nullptr);
    return WaitForSingleObject(thread, 10000), CloseHandle(thread), free;
}

class ConfigDsnTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        AttachLibrary(GetModuleHandleA(nullptr));
        ASSERT_TRUE(RegisterClientDriver(ExecutableFolder()));  // the path the installer's own load finds
        ASSERT_NE(dll_ = LoadLibraryA((ExecutableFolder() + "\\DSNSET64.dll").c_str()), nullptr);
    }
    void TearDown() override {
        for (const char* dsn : {"Sales", "Other", "Renamed", "EngineHeld", "Bad[Name", "Tool", "UserOnly", "S\xFC" "d"})
            ForgetDsn(dsn);
    }
    // Through the installer as a user's installer or script calls it, or directly; no pairs: no list.
    BOOL Call(HWND owner, WORD request, const std::vector<std::string>& pairs, bool installer = true) {
        using ConfigDsn = BOOL(WINAPI*)(HWND, WORD, LPCSTR, LPCSTR);
        const std::string list = AttributeList(pairs);
        const auto direct = reinterpret_cast<ConfigDsn>(reinterpret_cast<void*>(GetProcAddress(dll_, "ConfigDSN")));
        return (installer ? &SQLConfigDataSource : direct)(owner, request, kClientDriverName,
                                                           pairs.empty() ? nullptr : list.c_str());
    }
    // As the setup dialog's OK runs it, on a zero-filled record (as GlobalAlloc's).
    int WithWindow(bool add, const std::vector<std::string>& pairs, const std::string& initialName) {
        DsnSettings record{};
        ParseAttributeList(AttributeList(pairs).c_str(), *(Settings = &record));
        DriverName = kClientDriverName, IsAddRequest = add, InitialDsnName.assign(initialName.c_str());
        const int result = CommitDsn(owner_);
        return Settings = nullptr, result;
    }
    static inline HMODULE dll_ = nullptr;
    ServerScenario scenario_{Scenario()};
    PopupWindow owner_;
    const ImportHook installer_{"kernel32.dll", "GetProcAddress", &GetProcAddressRefusing, dll_},
        linkedInstaller_{"kernel32.dll", "GetProcAddress", &GetProcAddressRefusing};
};

// "Other" is marked for replication, "Sales" as the case says (none: no Sales). Outcome: answer, question, change.
TEST_F(ConfigDsnTest, EachRequestDoesWhatItsCodeSays) {
    const RecordedMessageBox question = {owner_, "This data source is used by the Quillmere replication process. If "
        "you remove it, the replication process will not function properly. Do you want to continue?", kSetupCaption,
        MB_YESNO | MB_ICONQUESTION};
    const std::vector<std::string> sales = {"DSN=Sales"}, add = {"DSN=Sales", "DBQ=DEMODATA"}, none = {"DSN="},
                                   unnamed = {"Description=x"};
    // A silent refusal posts its reason to the installer: " [code] the words a box would show".
    const std::string noDsn = "FALSE [8] The request names no data source: the attribute list needs DSN=<name>.",
        unchecked = "FALSE [11] Failed to validate the server address supplied or the server address needed to "
                    "verify the database name.";
    // fault: 'm' the call mutex not had, 'g' the record not allocated, 'r' the installer refusing to remove Sales,
    // 'n' / 'x' an allocation failure / another exception escaping a facility.
    struct Case { WORD request; bool window, installer; const char* mark; int answer; std::vector<std::string> pairs;
                  std::string outcome; char fault = 0; };
    const Case cases[] = {
        // A remove asks first only with a window, and only for a DSN marked "Yes" in any case.
        {3, true, false, "yEs", IDNO, sales, "TRUE asked"}, {6, true, false, "YES", IDYES, sales, "TRUE asked removed"},
        {3, true, false, "No", 0, sales, "TRUE removed"}, {3, true, false, "Yes ", 0, sales, "TRUE removed"},
        {3, true, false, "", 0, sales, "TRUE removed"}, {6, false, false, "YES", 0, sales, "TRUE removed"},
        {ODBC_REMOVE_SYS_DSN, true, true, "Yes", IDNO, sales, "TRUE asked"},
        {ODBC_REMOVE_DSN, false, true, "Yes", 0, sales, "TRUE removed"},
        // WINE8: asked to remove the empty name, Wine's installer deletes the whole ODBC.INI key.
        {3, false, false, "", 0, {}, noDsn}, {6, true, false, "", 0, none, "FALSE"},
        {3, false, false, "", 0, unnamed, noDsn}, {ODBC_REMOVE_DSN, false, true, "", 0, none, noDsn},
        {3, false, false, "", 0, sales, "FALSE [11] The ODBC installer did not remove the data source 'Sales'.", 'r'},
        // Codes 4 and 5 come only from callers other than Wine's installer (which makes them 1
        // and 2); any code not listed configures, and cannot check a database without a stored
        // server. Without a DSN named, no request does anything.
        {1, false, false, nullptr, 0, add, "TRUE added"}, {4, false, false, nullptr, 0, add, "TRUE added"},
        {2, false, false, nullptr, 0, add, unchecked}, {5, false, false, nullptr, 0, add, unchecked},
        {7, false, false, nullptr, 0, add, unchecked}, {1, false, false, nullptr, 0, unnamed, noDsn},
        {4, false, false, nullptr, 0, unnamed, noDsn}, {7, false, false, nullptr, 0, unnamed, noDsn},
        {1, false, false, nullptr, 0, {"DSN=Sales", "ServerName=dbhost"}, "FALSE [8] A new data source needs a "
         "database (DBQ=<name>) or an engine DSN (ServerDSN=<name>) to refer to."},
        {1, false, true, nullptr, 0, {"DSN=Sales", "DBQ=DEMODATA", "TCPPort="},
         "FALSE [8] " + std::string(kMessagePortEmpty)},
        {1, false, false, nullptr, 0, add, "FALSE [21] There is not enough memory to carry out the request.", 'g'},
        {1, false, false, nullptr, 0, add, "FALSE [21] There is not enough memory to carry out the request.", 'n'},
        {1, false, false, nullptr, 0, add, "FALSE [1] An unexpected failure ended the request.", 'x'},
        // Without the call mutex nothing may be touched: TRUE tells the installer nothing went wrong.
        {3, false, false, "", 0, sales, "TRUE", 'm'}, {1, false, false, nullptr, 0, add, "TRUE", 'm'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.request << " " << c.window << c.installer << " " << c.pairs.size());
        ForgetDsn("Sales");
        ASSERT_TRUE(!c.mark || CreateDsn("Sales", {{"ReplicationSystem", c.mark}}));
        ASSERT_TRUE(CreateDsn("Other", {{"ReplicationSystem", "Yes"}}));
        const std::string before = OdbcIniSnapshot();
        MessageBoxRecorder boxes(dll_);
        boxes.answer(c.answer);
        std::optional<ImportHook> fault;
        if (c.fault == 'm') fault.emplace("w64qscore3.dll", "QSMutexAcquire", &FailAcquire, dll_);
        if (c.fault == 'g') fault.emplace("kernel32.dll", "GlobalAlloc", &FailGlobalAlloc, dll_);
        if (c.fault == 'n') fault.emplace("kernel32.dll", "GetProcAddress", &Throwing<std::bad_alloc>, dll_);
        if (c.fault == 'x') fault.emplace("kernel32.dll", "GetProcAddress", &Throwing<int>, dll_);
        refusedName = c.fault == 'r' ? "Sales" : "", posted[0] = 0;
        std::string seen = Call(c.window ? static_cast<HWND>(owner_) : nullptr, c.request, c.pairs, c.installer)
                               ? "TRUE" : "FALSE";
        seen += posted;
        seen += boxes.boxes() == Boxes{question} ? " asked" : boxes.boxes().empty() ? "" : " a box";
        if (DsnListed("Sales") != (c.mark != nullptr)) seen += c.mark ? " removed" : " added";
        else if (OdbcIniSnapshot() != before) seen += " changed";
        if (GetModuleHandleW(L"w64rmadm.dll")) seen += ", administration library left loaded";  // stopped each call
        EXPECT_EQ(seen + (DsnListed("Other") ? "" : ", Other lost"), c.outcome);
    }
}

// The dialog procedures are exported: a host that runs one outside a ConfigDSN call has no
// record to edit, and the dialog closes at once instead of touching one.
TEST_F(ConfigDsnTest, ExportedDialogsOutsideACallCloseAtOnce) {
    for (auto [name, templateId] : {std::pair{"AdvancedDlgProc", 115}, std::pair{"LogonDlgProc", 111}}) {
        SCOPED_TRACE(name);
        auto procedure = reinterpret_cast<DLGPROC>(reinterpret_cast<void*>(GetProcAddress(dll_, name)));
        EXPECT_EQ(DialogBoxParamA(dll_, MAKEINTRESOURCEA(templateId), PopupWindow(), procedure, 0), IDCANCEL);
    }
}

// Silently, an add writes defaults over what was stored; a configure keeps what it does not name.
TEST_F(ConfigDsnTest, CommitSilentAddsAndConfiguresCheckThenWrite) {
    ASSERT_TRUE(CreateDsn("Sales", {{"DBQ", "OLD"}, {"Description", "old"}}));  // overwritten without asking
    const std::string head = "ArrayBufferSize=8 ArrayFetchOn=1 ", tail = " TranslationDLL= TranslationOption= "
                             "TransportHint=TCP:SPX", client = " Description=Quillmere ODBC Client Interface";
    struct Step { WORD request; std::vector<std::string> pairs; const char* dbhost; int connects; std::string keys; };
    const Step steps[] = {  // connects: the database check, and the engine check when a server is named
        {ODBC_ADD_DSN, {"DSN=Sales", "DBQ=DEMODATA"}, "dbhost", 1,
         "DBQ=DEMODATA" + client + " QmTranslate= ServerDSN= ServerName= TCPPort=1583"},
        {ODBC_ADD_DSN, {"DSN=Sales", "DBQ=DEMODATA", "ServerName=dbhost", "TCPPort=2000"}, "dbhost", 2,
         "DBQ=DEMODATA" + client + " QmTranslate= ServerDSN= ServerName=dbhost.2000 TCPPort=2000"},
        {ODBC_CONFIG_SYS_DSN, {"DSN=Sales", "Description=Changed"}, "dbhost", 0,
         "DBQ=DEMODATA Description=Changed QmTranslate= ServerDSN= ServerName=dbhost.2000 TCPPort=2000"},
        {ODBC_CONFIG_DSN, {"DSN=Sales", "DBQ=DEMODATA"}, "elsewhere", 1, ""},  // the stored server no longer answers
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.pairs[1]);
        scenario_.write(Scenario(step.dbhost));
        const std::string before = OdbcIniSnapshot();
        EXPECT_EQ(Call(nullptr, step.request, step.pairs), !step.keys.empty());
        EXPECT_EQ(scenario_.counter("DBUConnect"), step.connects);
        EXPECT_EQ(step.keys.empty() ? OdbcIniSnapshot() : (DsnListed("Sales") ? "listed " : "") + DsnKeys("Sales"),
                  step.keys.empty() ? before : "listed " + head + step.keys + tail);
    }
}

// Every check runs before anything is written: a failure leaves "odbc.ini" as it was, with a window as one box,
// silently as its words posted (the probe's box also unowned). A rename registers the new name before the old goes.
TEST_F(ConfigDsnTest, CommitChecksBeforeWritesMessagesAndRenames) {
    // WINE8: SQLWriteDSNToIni lists a DSN in the machine hive, but SQLGetPrivateProfileString
    // reads only the user hive: the entry is also written where the installer reads it.
    const char engine[] = "Quillmere ODBC Engine Interface";
    ASSERT_TRUE(CreateDsn("EngineHeld", {{"Description", "engine"}}, engine) &&
                SQLWritePrivateProfileString("ODBC Data Sources", "EngineHeld", engine, "odbc.ini"));
    const std::string address = "Failed to validate the server address supplied or the server address needed to "
                                "verify the ", longName(40, 'L');  // Wine's installer refuses a 40-character name
    const auto stop = [&](std::string text) { return RecordedMessageBox{owner_, text, kSetupCaption, kStopBox}; };
    const auto bad = [](const std::string& name) {
        return RecordedMessageBox{nullptr, "'" + name + "' cannot be used as a data source name. Make sure that the "
            "data source name does not contain more than 32 characters and it doesn't contain any of the following "
            "characters: [ ] { } ( ) ? * = ! @ , ;", kSetupCaption, kStopBox};
    };
    const auto ask = [&](const std::string& name) {
        return RecordedMessageBox{owner_, "Data source " + name + " already exists.\n Overwrite?", "<null>",
                                  MB_YESNO | MB_ICONQUESTION};
    };
    const auto record = [](const std::string& name) {
        return std::vector<std::string>{"DSN=" + name, "ServerDSN=DEMO", "ServerName=dbhost", "Description=new"};
    };
    // silent: 1 fails silently too, posting code, 2 also with the box unowned; existing: there first, the initial name.
    struct Case { bool add; std::vector<std::string> pairs; int silent, code; std::string existing; bool refused;
                  int answer; int result; Boxes boxes; };
    const Case cases[] = {
        {true, {"DSN=Sales", "DBQ=DEMODATA", "ServerName=x"}, 1, 11, "", 0, 0, 0, {stop(address + "database name.")}},
        {false, {"DSN=Sales", "ServerDSN=DEMO"}, 1, 11, "", 0, 0, 0, {stop(address + "server DSN.")}},  // none stored
        {true, {"DSN=Sales", "ServerDSN=NOPE", "ServerName=dbhost"}, 1, 11, "", 0, 0, 0,
         {stop("Failed to validate the Engine DSN. The engine data source does not exist on the server.")}},
        {true, {"DSN=Sales", "ServerDSN=DEMO"}, 2, 11, "", 0, 0, 0, {stop(kEngineConnectionMessage)}},
        {true, {"DSN=EngineHeld", "DBQ=DEMODATA"}, 1, 9, "", 0, 0, 0, {{owner_, "The client data source 'EngineHeld' "
         "cannot be created because an engine data source with the same name already exists. Please rename the client "
         "data source name or the engine data source name and try again.", "<null>", MB_OK | MB_ICONINFORMATION}}},
        {true, {"DSN=Bad[Name", "DBQ=DEMODATA"}, 1, 9, "", 0, 0, 0, {bad("Bad[Name")}},
        {true, {"DSN=" + longName, "DBQ=DEMODATA"}, 1, 9, "", 0, 0, 0, {bad(longName)}},
        {true, {"DSN=Sales", "DBQ=DEMODATA", "ServerName=" + std::string(510, 'h')}, 1, 8, "", 0, 0, 0,
         {stop("The server name and port cannot be stored: together they must not exceed 512 characters.")}},
        {true, {"DSN=Sales", "ServerName=dbhost"}, 0, 0, "", 0, 0, 0, {}},  // neither a database nor an engine DSN
        {true, record("Sales"), 0, 0, "Sales", 0, IDNO, 0, {ask("Sales")}},
        {true, record("Sales"), 0, 0, "Sales", 0, IDYES, 1, {ask("Sales")}},
        {false, record("Sales"), 0, 0, "Sales", 0, 0, 1, {}},  // a configure that keeps its name never asks
        {false, record("Bad[Name"), 0, 0, "Sales", 0, 0, 0, {bad("Bad[Name")}},
        {false, record(longName), 0, 0, "Sales", 0, 0, 0, {bad(longName)}},
        {false, record("Renamed"), 0, 0, "Sales", true, 0, 0, {bad("Renamed")}},
        {false, record("SALES"), 0, 0, "Sales", true, IDYES, 0, {ask("SALES"), bad("SALES")}},
        {false, record("Renamed"), 0, 0, "Sales", 0, 0, 1, {}},
        {false, record("SALES"), 0, 0, "Sales", 0, IDYES, 1, {ask("SALES")}},
        {false, record("S\xDC" "D"), 0, 0, "S\xFC" "d", 0, IDYES, 1, {ask("S\xDC" "D")}},  // code page 1252
    };
    for (const Case& c : cases) {
        const std::string name = c.pairs[0].substr(4);
        SCOPED_TRACE(name + (c.add ? " added" : " configured") + (c.existing.empty() ? "" : " over " + c.existing));
        nlohmann::json scenario = Scenario();
        if (c.silent == 2) scenario["inject"] = {{"DBUGetVersion", 7104}}, scenario["engine"] = {{"op26Status", 9}};
        scenario_.write(scenario);
        refusedName.clear();
        ASSERT_TRUE(c.existing.empty() ||
                    Call(nullptr, 1, {"DSN=" + c.existing, "DBQ=DEMODATA", "ServerName=dbhost", "Description=old"}));
        const std::string before = OdbcIniSnapshot();
        if (c.silent) {
            MessageBoxRecorder boxes(dll_);
            posted[0] = 0;
            EXPECT_FALSE(Call(nullptr, c.add ? ODBC_ADD_DSN : ODBC_CONFIG_DSN, c.pairs));
            EXPECT_EQ(posted, " [" + std::to_string(c.code) + "] " + c.boxes.at(0).text);
            Boxes unowned = c.silent == 2 ? c.boxes : Boxes{};
            for (RecordedMessageBox& box : unowned) box.owner = nullptr;
            EXPECT_EQ(boxes.boxes(), unowned);
        }
        refusedName = c.refused ? name : "";
        MessageBoxRecorder boxes(GetModuleHandleA(nullptr));
        boxes.answer(c.answer);
        EXPECT_EQ(WithWindow(c.add, c.pairs, c.existing), c.result);
        EXPECT_EQ(boxes.boxes(), c.boxes);
        // Done: only the new name, with the record's values; not done: all as it was.
        EXPECT_EQ(c.result ? std::string(name != c.existing && DsnListed(c.existing) ? "old " : "") +
                                 (DsnListed(name) ? "new " : "") + ReadDsnKey(name, "ServerName") + " " +
                                 ReadDsnKey(name, "Description") + " DBQ=" + ReadDsnKey(name, "DBQ")
                           : OdbcIniSnapshot(),
                  c.result ? "new dbhost.1583 new DBQ=" : before);
        for (const std::string& dsn : {c.existing, name}) ForgetDsn(dsn);
    }
}

TEST_F(ConfigDsnTest, DsnsetScriptedSetupThroughTheInstaller) {
    const std::string sued = "S\xC3\xBC" "d", x512(512, 'x');  // UTF-8, as a script and a terminal have it
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
}

// Each call succeeds, and a probe in shared memory proves that calls of different processes
// alternated and no two were ever inside the library together.
TEST_F(ConfigDsnTest, ThreadsOfSeveralProcessesNeverMeetInsideTheLibrary) {
    *Probe = OverlapProbe{};
    EXPECT_EQ(RunTogether("config_dsn_tests.exe", {"--child A", "--child B", "--child C"}), std::vector<DWORD>(3, 0));
    EXPECT_EQ(std::to_string(Probe->entries) + " calls, at most " + std::to_string(Probe->mostInside) + " inside, " +
                  std::to_string(Probe->inside) + " left inside", "360 calls, at most 1 inside, 0 left inside");
    EXPECT_GT(Probe->processChanges, 3) << "the processes' calls never interleaved";
}

// Whatever fails, no exception reaches the caller, the DSN is whole or untouched (a refusal posted), neither
// the call mutex nor the engine interface's spin lock stays taken, and the next call works.
TEST_F(ConfigDsnTest, NoAllocationFailureEscapesLocksOrHalfWritesADsn) {
    ProductRegistrySandbox product;  // the shared log in a folder of its own, for the engine's failures
    TempFolder logs{L"dsnset-alloc-log"};
    ASSERT_TRUE(product.Set(HKEY_CURRENT_USER, kLogSettings, L"EventLogDirectory", logs.path()));
    LibraryOpens engineLibrary(L"w64kfif", false);  // refused in the second round: the engine fails its load
    ImportHook messageBox("user32.dll", "MessageBoxA", &AnswerBox);
    ASSERT_TRUE(messageBox.installed());
    // The server answers no version until the engine has started, so the probe goes through
    // the engine interface: loaded (and its library looked up), or missing (and logged).
    nlohmann::json server = DemoServer({"localhost"});
    server["versions"] = nlohmann::json::object();
    server["versionsAfterEngineStart"] = {{"5", {{"major", 9}, {"platform", "WNT "}}}};
    const std::string add = AttributeList({"DSN=Sales", "DBQ=DEMODATA", "ServerDSN=DEMO", "ServerName=localhost"});
    const auto run = [&](std::uint64_t nth) {
        ForgetDsn("Sales");
        scenario_.write(nlohmann::json{{"servers", {server}}});
        EngineInterfaceLoaded = 0;  // loaded afresh by each call's probe
        made = 0, failAt = nth, armedThread = GetCurrentThreadId();
        const BOOL result = ConfigDSN(nullptr, ODBC_ADD_DSN, kClientDriverName, add.c_str());
        return armedThread = 0, result;
    };
    for (bool engineMissing : {false, true}) {
        SCOPED_TRACE(engineMissing ? "engine interface missing" : "engine interface loads");
        engineLibrary.refuse = engineMissing;
        ASSERT_EQ(run(0), !engineMissing);
        const std::uint64_t allocations = made;
        const std::string whole = DsnKeys("Sales"), nothing = (ForgetDsn("Sales"), OdbcIniSnapshot());
        ASSERT_GT(allocations, 0u);
        for (std::uint64_t nth = 1; nth <= allocations; ++nth) {
            SCOPED_TRACE(testing::Message() << "allocation " << nth << " of " << allocations << " fails");
            BOOL result = TRUE;
            posted[0] = 0;
            EXPECT_NO_THROW(result = run(nth));
            EXPECT_EQ(!*posted, result == TRUE) << posted;  // a refusal, and only a refusal, says why
            EXPECT_EQ(result ? DsnKeys("Sales") : OdbcIniSnapshot(), result ? whole : nothing);
            EXPECT_EQ(EngineInterfaceLock, 0) << "the engine interface's spin lock was left taken";
            EngineInterfaceLock = 0;  // else the next call would spin for ever
            EXPECT_TRUE(ConfigDsnMutexIsFree());
        }
        EXPECT_EQ(run(0), !engineMissing);  // nothing failing, the next call behaves as the first did
    }
}
}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--child") return Child(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
