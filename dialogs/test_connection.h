// The setup dialog's Test button: a driver connection through the ODBC Driver Manager with
// the settings being edited, reported in message boxes. Nothing is written anywhere.
#pragma once

#include <windows.h>
#include <sql.h>

// Connects with the connection string built from the call's settings record and driver,
// without prompting, and disconnects again. 1 when the connection succeeded (also with
// warnings), 0 when it failed.
int TestConnection(HWND window);

// One message box per pending ODBC error of the handles (SQL_NULL_HDBC, SQL_NULL_HSTMT:
// none), in the order the Driver Manager returns them.
void ShowConnectionErrors(SQLHENV environment, SQLHDBC connection, SQLHSTMT statement);
