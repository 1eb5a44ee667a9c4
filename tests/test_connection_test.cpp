// Test Connection through Wine's odbc32, the host's unixODBC and the stand-in driver: the
// string the driver received, byte for byte, and every message box the user sees.
#include <gtest/gtest.h>
#include <windows.h>
#include <sql.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "tests/support/file_text.h"
#include "tests/support/import_hook.h"
#include "tests/support/message_box_recorder.h"

#include "dialogs/test_connection.h"
#include "setup/call_values.h"

namespace {

const char kPlain[] = "DRIVER={" QM_TEST_DRIVER "};DBQ=DEMODATA;ServerName=dbhost.1583;TransportHint=TCP:SPX";
const char kRecord[] = "DBQ=DEMODATA\0ServerName=dbhost\0TCPPort=1583\0TransportHint=TCP:SPX\0";
const char kTest[] = "Test Connection";
const char kErrors[] = "Errors during connection";
const UINT kNotice = MB_OK | MB_ICONINFORMATION;

// A Unix path the environment gave the test, as Windows code opens it (drive Z: is "/").
std::string UnixFile(const char* variable) {
    const char* path = std::getenv(variable);
    return path ? std::string("Z:") + path : std::string();
}

class TestConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(UnixFile("QM_ODBC_SCENARIO").empty()) << "ctest sets the stand-in driver's files";
        std::memset(&record_, 0, sizeof record_);  // zero-filled like GlobalAlloc's block
        Settings = &record_;
        DriverName = QM_TEST_DRIVER;
        std::remove(UnixFile("QM_ODBC_RECEIVED").c_str());  // no string from an earlier case
    }
    void TearDown() override {
        Settings = nullptr;
        DriverName = nullptr;
    }
    static void WriteScenario(const std::string& text) {
        std::ofstream(UnixFile("QM_ODBC_SCENARIO"), std::ios::binary) << text;
    }
    // What the driver received; "<not reached>" when it was never asked to connect.
    static std::string Received() {
        const std::string path = UnixFile("QM_ODBC_RECEIVED");
        return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES ? "<not reached>" : ReadWholeFile(path);
    }

    DsnSettings record_;
    PopupWindow owner_;
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
        Boxes boxes;
    };
    const Case cases[] = {
        {"success", kRecord, "return success\n", kPlain, 1,
         {{owner_, "Connection successful!", kTest, kNotice}}},
        {"success with two messages", kRecord,
         "return info\ndiag 01000 11 Server dbhost answers slowly.\ndiag 01004 12 Client name cut to 15 characters.\n",
         kPlain, 1,
         {{owner_, "Connection completed successful, possibly with a nonfatal error. ", kTest, kNotice},
          {nullptr, "Client name cut to 15 characters.", kErrors, kStopBox},
          {nullptr, "Server dbhost answers slowly.", kErrors, kStopBox}}},
        {"three errors, in the order SQLError returns them", kRecord,
         "return error\ndiag 08001 21 Server dbhost not found.\ndiag 28000 22 Logon refused.\n"
         "diag HY000 23 Database DEMODATA is not open.\n",
         kPlain, 0,
         {{nullptr, "Database DEMODATA is not open.", kErrors, kStopBox},
          {nullptr, "Logon refused.", kErrors, kStopBox},
          {nullptr, "Server dbhost not found.", kErrors, kStopBox}}},
        {"QmTranslate and an empty TranslationDLL",
         "DBQ=DEMODATA\0ServerName=fe80::1\0TCPPort=1583\0TransportHint=TCP:SPX\0TranslationDLL=\0QmTranslate=Auto\0",
         "return success\n",
         "DRIVER={" QM_TEST_DRIVER "};DBQ=DEMODATA;ServerName=[fe80::1].1583;TransportHint=TCP:SPX;QmTranslate=Auto", 1,
         {{owner_, "Connection successful!", kTest, kNotice}}},
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
        EXPECT_EQ(recorder.boxes(), c.boxes);
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
    EXPECT_EQ(recorder.boxes(),
              (Boxes{{nullptr, "[unixODBC][Driver Manager]Can't open lib 'Quillmere No Such Driver' : file not found",
                     kErrors, kStopBox}}));
}

// Settings whose string would pass 512 characters are not sent cut short.
TEST_F(TestConnectionTest, TooLongToTest) {
    ParseAttributeList(kRecord, record_);
    record_.DBQ.set(std::string(512, 'D').c_str());
    WriteScenario("return success\n");
    MessageBoxRecorder recorder(GetModuleHandleA(nullptr));
    EXPECT_EQ(TestConnection(owner_), 0);
    EXPECT_EQ(Received(), "<not reached>");
    EXPECT_EQ(recorder.boxes(),
              (Boxes{{owner_, "The connection string would be longer than 512 characters; shorten the settings to test them.",
                     kErrors, kStopBox}}));
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
        EXPECT_EQ(recorder.boxes(), (Boxes{{owner_, "Failed to allocate memory for the environment handle.", kErrors, kStopBox}}));
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
        EXPECT_TRUE(recorder.boxes().empty());
    }
    EXPECT_EQ(Received(), "<not reached>");
}

}  // namespace
