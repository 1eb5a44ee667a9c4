#include "dialogs/test_connection.h"

#include <sqlext.h>

#include "dialogs/dialog_support.h"
#include "platform/fixed_text.h"
#include "setup/call_values.h"
#include "setup/connection_string.h"

namespace {

const char kTestCaption[] = "Test Connection";
const char kErrorCaption[] = "Errors during connection";

}  // namespace

void ShowConnectionErrors(SQLHENV environment, SQLHDBC connection, SQLHSTMT statement) {
    SQLCHAR state[SQL_SQLSTATE_SIZE + 1];
    SQLINTEGER nativeError = 0;
    SQLSMALLINT length = 0;
    FixedText<512> message;
    message.clear();
    // Only the text: the state and native code mean nothing to the user reading the box.
    while (SQLError(environment, connection, statement, state, &nativeError,
                    reinterpret_cast<SQLCHAR*>(message.data()), 511, &length) == SQL_SUCCESS) {
        MessageBoxA(nullptr, message.c_str(), kErrorCaption, MB_OK | MB_ICONSTOP);
        message.clear();
    }
}

int TestConnection(HWND window) {
    if (Settings == nullptr) return 0;  // only a ConfigDSN call has settings to test
    SetCursorShape(IDC_WAIT);
    SQLHENV environment = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocEnv(&environment))) {
        MessageBoxA(window, "Failed to allocate memory for the environment handle.", kErrorCaption,
                    MB_OK | MB_ICONSTOP);
        return 0;
    }
    SQLHDBC connection = SQL_NULL_HDBC;
    if (!SQL_SUCCEEDED(SQLAllocConnect(environment, &connection))) {
        SetCursorShape(IDC_ARROW);
        ShowConnectionErrors(environment, SQL_NULL_HDBC, SQL_NULL_HSTMT);
        SQLFreeEnv(environment);
        return 0;
    }

    int result = 0;
    ProfileText connectionString;
    if (!BuildConnectionString(*Settings, DriverName, connectionString)) {
        // Sent cut short, the string could reach another database; the settings cannot be
        // tested as they stand.
        MessageBoxA(window, "The connection string would be longer than 512 characters; shorten the settings to test them.",
                    kErrorCaption, MB_OK | MB_ICONSTOP);
    } else {
        SQLCHAR completed[300];
        SQLSMALLINT completedLength = 0;
        // No window: neither the Driver Manager nor the driver may prompt, so a missing
        // value fails the test instead of asking for it.
        SQLRETURN code = SQLDriverConnect(connection, nullptr,
                                          reinterpret_cast<SQLCHAR*>(connectionString.data()),
                                          static_cast<SQLSMALLINT>(connectionString.length()), completed,
                                          sizeof completed, &completedLength, SQL_DRIVER_COMPLETE);
        if (code == SQL_SUCCESS) {
            MessageBoxA(window, "Connection successful!", kTestCaption, MB_OK | MB_ICONINFORMATION);
            SQLDisconnect(connection);
            result = 1;
        } else if (code == SQL_SUCCESS_WITH_INFO) {
            MessageBoxA(window, "Connection completed successful, possibly with a nonfatal error. ", kTestCaption,
                        MB_OK | MB_ICONINFORMATION);
            ShowConnectionErrors(environment, connection, SQL_NULL_HSTMT);
            SQLDisconnect(connection);
            result = 1;
        } else {
            ShowConnectionErrors(environment, connection, SQL_NULL_HSTMT);
        }
    }

    SetCursorShape(IDC_ARROW);
    SQLFreeConnect(connection);
    SQLFreeEnv(environment);
    return result;
}
