// Test Connection through Wine's odbc32, the host's unixODBC and the stand-in driver: the
// string the driver received, byte for byte, and every message box the user sees.
#include <gtest/gtest.h>
#include <windows.h>
#include <sql.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>

#include "dialogs/test_connection.h"
#include "setup/call_values.h"
#include "tests/support/file_text.h"
#include "tests/support/message_box_recorder.h"

namespace {

const char kPlain[] = "DRIVER={" QM_TEST_DRIVER "};DBQ=DEMODATA;ServerName=dbhost.1583;TransportHint=TCP:SPX";
const char kRecord[] = "DBQ=DEMODATA\0ServerName=dbhost\0TCPPort=1583\0TransportHint=TCP:SPX\0";
const char kTest[] = "Test Connection", kErrors[] = "Errors during connection", kNotReached[] = "<not reached>";
const UINT kNotice = MB_OK | MB_ICONINFORMATION;

// A Unix path the environment gave the test, as Windows code opens it (drive Z: is "/").
std::string UnixFile(const char* variable) { return std::string("Z:") + std::getenv(variable); }

class TestConnectionTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(std::getenv("QM_ODBC_SCENARIO"), nullptr) << "ctest sets the driver's files"; }
    void TearDown() override { Settings = nullptr, DriverName = nullptr; }
    // Test Connection on the settings, the driver answering as the scenario says; the result,
    // and what the driver received ("<not reached>" when nothing).
    int Test(const char* attributes, const std::string& scenario, std::string& received) {
        std::memset(&record_, 0, sizeof record_);  // zero-filled like GlobalAlloc's block
        ParseAttributeList(attributes, record_);
        Settings = &record_, DriverName = QM_TEST_DRIVER;
        const std::string path = UnixFile("QM_ODBC_RECEIVED");
        std::remove(path.c_str());
        std::ofstream(UnixFile("QM_ODBC_SCENARIO"), std::ios::binary) << scenario;
        const int result = TestConnection(owner_);
        received = GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES ? kNotReached : ReadWholeFile(path);
        return result;
    }
    DsnSettings record_;
    PopupWindow owner_;
};

// A connection that cannot be allocated (through the test program's imports): the
// environment's error record, as a Driver Manager keeps one, answered through SQLError.
int ErrorsLeft = 0;
SQLRETURN SQL_API FailConnectAllocation(SQLHENV, SQLHDBC*) { return SQL_ERROR; }
SQLRETURN SQL_API EnvironmentError(SQLHENV, SQLHDBC connection, SQLHSTMT, SQLCHAR*, SQLINTEGER*, SQLCHAR* text,
                                   SQLSMALLINT, SQLSMALLINT*) {
    if (connection != SQL_NULL_HDBC || ErrorsLeft-- <= 0) return SQL_NO_DATA;
    return std::strcpy(reinterpret_cast<char*>(text), "No more connections."), SQL_SUCCESS;
}
struct NoConnection {
    ImportHook failing{GetModuleHandleA(nullptr), "odbc32.dll", "SQLAllocConnect", (void*)&FailConnectAllocation};
    ImportHook errors{GetModuleHandleA(nullptr), "odbc32.dll", "SQLError", (void*)&EnvironmentError};
};

// The driver's records are listed in the scenario first to last. unixODBC 2.3's SQLError
// (what Wine's odbc32 reaches) hands a connection's records out newest first, so the boxes,
// which follow SQLError, come last to first.
TEST_F(TestConnectionTest, ReportsWhatTheDriverAnswers) {
    const std::string e510(510, 'e'), tooLong = "DBQ=" + std::string(512, 'D') + '\0';
    struct Case { const char *name, *attributes; std::string scenario; const char* received; int result; Boxes boxes;
                  bool noConnection = false; };
    const Case cases[] = {
        {"success", kRecord, "return success\n", kPlain, 1, {{owner_, "Connection successful!", kTest, kNotice}}},
        {"success with two messages", kRecord,
         "return info\ndiag 01000 11 Server dbhost answers slowly.\ndiag 01004 12 Client name cut to 15 characters.\n",
         kPlain, 1,
         {{owner_, "Connection completed successful, possibly with a nonfatal error. ", kTest, kNotice},
          {nullptr, "Client name cut to 15 characters.", kErrors, kStopBox},
          {nullptr, "Server dbhost answers slowly.", kErrors, kStopBox}}},
        {"three errors, the longest text whole", kRecord,
         "return error\ndiag 08001 21 Server dbhost not found.\ndiag 28000 22 Logon refused.\ndiag HY000 23 " + e510,
         kPlain, 0,
         {{nullptr, e510, kErrors, kStopBox}, {nullptr, "Logon refused.", kErrors, kStopBox},
          {nullptr, "Server dbhost not found.", kErrors, kStopBox}}},
        {"settings past 512 characters are not sent cut", tooLong.c_str(), "return success\n", kNotReached, 0,
         {{owner_, "The connection string would be longer than 512 characters; shorten the settings to test them.",
           kErrors, kStopBox}}},
        {"no connection handle", kRecord, "return success\n", kNotReached, 0,
         {{nullptr, "No more connections.", kErrors, kStopBox}}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<NoConnection> hooks;
        if (c.noConnection) hooks.emplace(), ErrorsLeft = 1;
        MessageBoxRecorder recorder(GetModuleHandleA(nullptr));
        std::string received;
        EXPECT_EQ(Test(c.attributes, c.scenario, received), c.result);
        EXPECT_EQ(received, c.received);
        EXPECT_EQ(recorder.boxes(), c.boxes);
    }
}

}  // namespace
