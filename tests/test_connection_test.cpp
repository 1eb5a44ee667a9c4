// Test Connection through Wine's odbc32, the host's unixODBC and the stand-in driver: the
// string the driver received, byte for byte, and every message box the user sees.
#include <gtest/gtest.h>
#include <windows.h>
#include <sql.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/import_hook.h"
#include "tests/support/message_box_recorder.h"

#include "dialogs/test_connection.h"
#include "setup/call_values.h"

namespace {

const char kPlain[] = "DRIVER={" QM_TEST_DRIVER "};DBQ=DEMODATA;ServerName=dbhost.1583;TransportHint=TCP:SPX";
const char kRecord[] = "DBQ=DEMODATA\0ServerName=dbhost\0TCPPort=1583\0TransportHint=TCP:SPX\0";
const char kTest[] = "Test Connection";
const char kErrors[] = "Errors during connection";
const UINT kStop = MB_OK | MB_ICONSTOP;
const UINT kNotice = MB_OK | MB_ICONINFORMATION;
const char kNoOwner[] = "";  // a box the user sees without an owner window

// A Unix path the environment gave the test, as Windows code opens it (drive Z: is "/").
std::string UnixFile(const char* variable) {
    const char* path = std::getenv(variable);
    return path ? std::string("Z:") + path : std::string();
}

struct ExpectedBox {
    const char* owner;  // kNoOwner, or any other text for the test's window
    const char* text;
    const char* caption;
    UINT flags;
};

class TestConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(UnixFile("QM_ODBC_SCENARIO").empty()) << "ctest sets the stand-in driver's files";
        owner_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        std::memset(&record_, 0, sizeof record_);  // zero-filled like GlobalAlloc's block
        Settings = &record_;
        DriverName = QM_TEST_DRIVER;
        std::remove(UnixFile("QM_ODBC_RECEIVED").c_str());  // no string from an earlier case
    }
    void TearDown() override {
        Settings = nullptr;
        DriverName = nullptr;
        DestroyWindow(owner_);
    }
    static void WriteScenario(const std::string& text) {
        std::ofstream(UnixFile("QM_ODBC_SCENARIO"), std::ios::binary) << text;
    }
    // What the driver received; "<not reached>" when it was never asked to connect.
    static std::string Received() {
        std::ifstream file(UnixFile("QM_ODBC_RECEIVED"), std::ios::binary);
        if (!file) return "<not reached>";
        std::ostringstream bytes;
        bytes << file.rdbuf();
        return bytes.str();
    }
    void ExpectBoxes(const MessageBoxRecorder& recorder, const std::vector<ExpectedBox>& expected) {
        const auto& boxes = recorder.boxes();
        ASSERT_EQ(boxes.size(), expected.size());
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            SCOPED_TRACE("box " + std::to_string(i + 1));
            EXPECT_EQ(boxes[i].owner, expected[i].owner == kNoOwner ? nullptr : owner_);
            EXPECT_EQ(boxes[i].text, expected[i].text);
            EXPECT_EQ(boxes[i].caption, expected[i].caption);
            EXPECT_EQ(boxes[i].flags, expected[i].flags);
        }
    }

    DsnSettings record_;
    HWND owner_ = nullptr;
};

// The driver's records are listed in the scenario first to last. unixODBC 2.3's SQLError
// (what Wine's odbc32 reaches) hands a connection's records out newest first, so the boxes,
// which follow SQLError, come last to first.
TEST_F(TestConnectionTest, ReportsWhatTheDriverAnswers) {
    struct Case {
        const char* name;
        const char* attributes;
        const char* scenario;
        const char* received;
        int result;
        std::vector<ExpectedBox> boxes;
    };
    const Case cases[] = {
        {"success", kRecord, "return success\n", kPlain, 1,
         {{"owner", "Connection successful!", kTest, kNotice}}},
        {"success with two messages", kRecord,
         "return info\ndiag 01000 11 Server dbhost answers slowly.\ndiag 01004 12 Client name cut to 15 characters.\n",
         kPlain, 1,
         {{"owner", "Connection completed successful, possibly with a nonfatal error. ", kTest, kNotice},
          {kNoOwner, "Client name cut to 15 characters.", kErrors, kStop},
          {kNoOwner, "Server dbhost answers slowly.", kErrors, kStop}}},
        {"three errors, in the order SQLError returns them", kRecord,
         "return error\ndiag 08001 21 Server dbhost not found.\ndiag 28000 22 Logon refused.\n"
         "diag HY000 23 Database DEMODATA is not open.\n",
         kPlain, 0,
         {{kNoOwner, "Database DEMODATA is not open.", kErrors, kStop},
          {kNoOwner, "Logon refused.", kErrors, kStop},
          {kNoOwner, "Server dbhost not found.", kErrors, kStop}}},
        {"QmTranslate and an empty TranslationDLL",
         "DBQ=DEMODATA\0ServerName=fe80::1\0TCPPort=1583\0TransportHint=TCP:SPX\0TranslationDLL=\0QmTranslate=Auto\0",
         "return success\n",
         "DRIVER={" QM_TEST_DRIVER "};DBQ=DEMODATA;ServerName=[fe80::1].1583;TransportHint=TCP:SPX;QmTranslate=Auto", 1,
         {{"owner", "Connection successful!", kTest, kNotice}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::memset(&record_, 0, sizeof record_);
        ParseAttributeList(c.attributes, record_);
        std::remove(UnixFile("QM_ODBC_RECEIVED").c_str());
        WriteScenario(c.scenario);
        MessageBoxRecorder recorder(GetModuleHandleA(nullptr));
        ASSERT_TRUE(recorder.installed());
        EXPECT_EQ(TestConnection(owner_), c.result);
        EXPECT_EQ(Received(), c.received);
        ExpectBoxes(recorder, c.boxes);
    }
}

// A description the Driver Manager does not know: its own error is the one box.
TEST_F(TestConnectionTest, UnknownDriverShowsTheDriverManagersError) {
    ParseAttributeList(kRecord, record_);
    DriverName = "Quillmere No Such Driver";
    WriteScenario("return success\n");
    MessageBoxRecorder recorder(GetModuleHandleA(nullptr));
    ASSERT_TRUE(recorder.installed());
    EXPECT_EQ(TestConnection(owner_), 0);
    EXPECT_EQ(Received(), "<not reached>");
    ExpectBoxes(recorder,
                {{kNoOwner, "[unixODBC][Driver Manager]Can't open lib 'Quillmere No Such Driver' : file not found",
                  kErrors, kStop}});
}

// Settings whose string would pass 512 characters are not sent cut short.
TEST_F(TestConnectionTest, TooLongToTest) {
    ParseAttributeList(kRecord, record_);
    record_.DBQ.set(std::string(512, 'D').c_str());
    WriteScenario("return success\n");
    MessageBoxRecorder recorder(GetModuleHandleA(nullptr));
    EXPECT_EQ(TestConnection(owner_), 0);
    EXPECT_EQ(Received(), "<not reached>");
    ExpectBoxes(recorder, {{"owner",
                            "The connection string would be longer than 512 characters; shorten the settings to test them.",
                            kErrors, kStop}});
}

// Handle allocations made to fail through the test program's own imports.
SQLHENV FreedEnvironment = SQL_NULL_HENV;
ImportHook* FreeEnvHook = nullptr;
SQLRETURN SQL_API FailAllocation(SQLHANDLE, SQLHANDLE*) { return SQL_ERROR; }
SQLRETURN SQL_API FailEnvAllocation(SQLHENV*) { return SQL_ERROR; }
SQLRETURN SQL_API RecordFreeEnv(SQLHENV environment) {
    FreedEnvironment = environment;
    return reinterpret_cast<SQLRETURN(SQL_API*)(SQLHENV)>(FreeEnvHook->original())(environment);
}

TEST_F(TestConnectionTest, AllocationFailures) {
    ParseAttributeList(kRecord, record_);
    WriteScenario("return success\n");
    HMODULE self = GetModuleHandleA(nullptr);
    {
        SCOPED_TRACE("environment");
        ImportHook failing(self, "odbc32.dll", "SQLAllocEnv", reinterpret_cast<void*>(&FailEnvAllocation));
        ASSERT_TRUE(failing.installed());
        MessageBoxRecorder recorder(self);
        EXPECT_EQ(TestConnection(owner_), 0);
        ExpectBoxes(recorder, {{"owner", "Failed to allocate memory for the environment handle.", kErrors, kStop}});
    }
    {
        SCOPED_TRACE("connection: the environment is freed, nothing is shown");
        ImportHook failing(self, "odbc32.dll", "SQLAllocConnect", reinterpret_cast<void*>(&FailAllocation));
        ImportHook freeing(self, "odbc32.dll", "SQLFreeEnv", reinterpret_cast<void*>(&RecordFreeEnv));
        ASSERT_TRUE(failing.installed() && freeing.installed());
        FreeEnvHook = &freeing;
        FreedEnvironment = SQL_NULL_HENV;
        MessageBoxRecorder recorder(self);
        EXPECT_EQ(TestConnection(owner_), 0);
        FreeEnvHook = nullptr;
        EXPECT_NE(FreedEnvironment, nullptr);
        ExpectBoxes(recorder, {});
    }
    EXPECT_EQ(Received(), "<not reached>");
}

}  // namespace
