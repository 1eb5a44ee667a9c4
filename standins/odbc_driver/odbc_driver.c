/* A stand-in ODBC driver for the host's Driver Manager (unixODBC), reached from Wine's
 * odbc32 by Test Connection. A Linux shared library: Wine's Driver Manager cannot load a
 * Windows driver.
 *
 * At each SQLDriverConnect it writes the connection string it received, byte for byte, to
 * the file named by QM_ODBC_RECEIVED, and answers from the scenario file named by
 * QM_ODBC_SCENARIO (both Unix paths, fixed before the process starts), one directive a line:
 *
 *   return success|info|error
 *   diag <SQLSTATE> <native error> <message text to the end of the line>
 *
 * The diag records become the connection's diagnostics, in file order.
 *
 * The Driver Manager exports the same names and is loaded first, so the driver never calls
 * its own entries by name (they would reach the Driver Manager's); it is also linked with
 * -Bsymbolic.
 *
 * Entries: those unixODBC 2.3 calls for a connection made by an ODBC 2 application (as
 * Wine's odbc32 makes it). It collects a failed or warned connection's records through the
 * driver's SQLError, all of them at once, before the application asks. */
#include <sql.h>
#include <sqlext.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define MAX_DIAGS 8
#define MESSAGE_CAPACITY 512

struct diag {
    char state[SQL_SQLSTATE_SIZE + 1];
    SQLINTEGER native;
    char message[MESSAGE_CAPACITY];
};

/* Environments and connections share one shape: only connections ever hold records. */
struct handle {
    int count;
    int next; /* the next record SQLError hands out */
    struct diag diags[MAX_DIAGS];
};

static void add_diag(struct handle* h, const char* state, SQLINTEGER native, const char* message) {
    if (h->count == MAX_DIAGS) return;
    struct diag* d = &h->diags[h->count++];
    snprintf(d->state, sizeof d->state, "%s", state);
    d->native = native;
    snprintf(d->message, sizeof d->message, "%s", message);
}

static void clear_diags(struct handle* h) { h->count = h->next = 0; }

static void copy_text(const char* text, SQLCHAR* out, SQLSMALLINT capacity, SQLSMALLINT* length) {
    if (length) *length = (SQLSMALLINT)strlen(text);
    if (out && capacity > 0) snprintf((char*)out, (size_t)capacity, "%s", text);
}

static void record_received(const SQLCHAR* text, SQLSMALLINT length) {
    const char* path = getenv("QM_ODBC_RECEIVED");
    if (!path) return;
    FILE* file = fopen(path, "wb");
    if (!file) return;
    size_t n = length == SQL_NTS ? strlen((const char*)text) : (size_t)(length < 0 ? 0 : length);
    fwrite(text, 1, n, file);
    fclose(file);
}

/* The scenario's answer; a missing or unreadable scenario is an error of its own. */
static SQLRETURN play_scenario(struct handle* dbc) {
    const char* path = getenv("QM_ODBC_SCENARIO");
    FILE* file = path ? fopen(path, "r") : NULL;
    if (!file) {
        add_diag(dbc, "HY000", 0, "[Quillmere stand-in driver]No scenario file.");
        return SQL_ERROR;
    }
    SQLRETURN answer = SQL_ERROR;
    char line[1024];
    while (fgets(line, sizeof line, file)) {
        line[strcspn(line, "\r\n")] = '\0';
        char state[SQL_SQLSTATE_SIZE + 1];
        long native;
        int offset = 0;
        if (strcmp(line, "return success") == 0) answer = SQL_SUCCESS;
        else if (strcmp(line, "return info") == 0) answer = SQL_SUCCESS_WITH_INFO;
        else if (strcmp(line, "return error") == 0) answer = SQL_ERROR;
        else if (sscanf(line, "diag %5s %ld %n", state, &native, &offset) == 2 && offset > 0)
            add_diag(dbc, state, (SQLINTEGER)native, line + offset);
    }
    fclose(file);
    return answer;
}

/* Handles of environments and connections only: the driver connects, it runs no statements. */
static SQLRETURN alloc_handle(SQLSMALLINT type, SQLHANDLE* output) {
    if (type != SQL_HANDLE_ENV && type != SQL_HANDLE_DBC) return SQL_ERROR;
    struct handle* h = calloc(1, sizeof *h);
    *output = h;
    return h ? SQL_SUCCESS : SQL_ERROR;
}

static SQLRETURN free_handle(SQLHANDLE handle) {
    free(handle);
    return SQL_SUCCESS;
}

SQLRETURN SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
    (void)input;
    return alloc_handle(type, output);
}

SQLRETURN SQLAllocEnv(SQLHENV* environment) { return alloc_handle(SQL_HANDLE_ENV, environment); }

SQLRETURN SQLAllocConnect(SQLHENV environment, SQLHDBC* connection) {
    (void)environment;
    return alloc_handle(SQL_HANDLE_DBC, connection);
}

SQLRETURN SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) {
    (void)type;
    return free_handle(handle);
}

SQLRETURN SQLFreeEnv(SQLHENV environment) { return free_handle(environment); }
SQLRETURN SQLFreeConnect(SQLHDBC connection) { return free_handle(connection); }

SQLRETURN SQLSetEnvAttr(SQLHENV environment, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
    (void)environment, (void)attribute, (void)value, (void)length;
    return SQL_SUCCESS;
}

SQLRETURN SQLDriverConnect(SQLHDBC connection, SQLHWND window, SQLCHAR* in, SQLSMALLINT inLength, SQLCHAR* out,
                           SQLSMALLINT outCapacity, SQLSMALLINT* outLength, SQLUSMALLINT completion) {
    (void)window, (void)completion;
    struct handle* dbc = connection;
    clear_diags(dbc);
    record_received(in, inLength);
    SQLRETURN answer = play_scenario(dbc);
    if (SQL_SUCCEEDED(answer)) {
        size_t n = inLength == SQL_NTS ? strlen((const char*)in) : (size_t)inLength;
        if (outLength) *outLength = (SQLSMALLINT)n;
        if (out && outCapacity > 0) {
            size_t copied = n < (size_t)outCapacity ? n : (size_t)outCapacity - 1;
            memcpy(out, in, copied);
            out[copied] = '\0';
        }
    }
    return answer;
}

SQLRETURN SQLDisconnect(SQLHDBC connection) {
    clear_diags(connection);
    return SQL_SUCCESS;
}

SQLRETURN SQLError(SQLHENV environment, SQLHDBC connection, SQLHSTMT statement, SQLCHAR* state, SQLINTEGER* native,
                   SQLCHAR* message, SQLSMALLINT capacity, SQLSMALLINT* length) {
    (void)statement;
    struct handle* h = connection ? connection : environment;
    if (!h || h->next >= h->count) return SQL_NO_DATA;
    const struct diag* d = &h->diags[h->next++];
    if (state) memcpy(state, d->state, sizeof d->state);
    if (native) *native = d->native;
    copy_text(d->message, message, capacity, length);
    return (SQLSMALLINT)strlen(d->message) < capacity ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO;
}
