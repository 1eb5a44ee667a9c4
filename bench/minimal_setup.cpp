// The yardstick for the product's per-request cost: a setup library that makes only the
// installer calls the product makes for a silent add (DSN and DBQ), a silent configure of
// the description and a remove, and that imports the same three outside libraries, each
// called once so that the linker keeps the import.
#include <windows.h>
#include <odbcinst.h>

#include <cstring>

#include "platform/qscl.h"
#include "platform/qscore.h"
#include "platform/string_library.h"

namespace {

// The value of DSN= in a double-NUL terminated list, or nullptr.
const char* FindDsn(const char* attributes) {
    for (const char* p = attributes; p && *p; p += std::strlen(p) + 1)
        if (_strnicmp(p, "DSN=", 4) == 0) return p + 4;
    return nullptr;
}

// One cheap call into each imported library, so that each stays a load-time import.
void TouchImports() {
    volatile std::uint32_t length = QSStrLenA_32("x");
    (void)length;
    qs::String text(L"x");
    StatusText status = {};
    DBUGetString(0, status.data(), 1);
}

}  // namespace

extern "C" BOOL WINAPI ConfigDSN(HWND, WORD request, LPCSTR driver, LPCSTR attributes) {
    TouchImports();
    const char* dsn = FindDsn(attributes);
    if (dsn == nullptr) return FALSE;
    switch (request) {
        case ODBC_ADD_DSN: {
            if (!SQLWriteDSNToIni(dsn, driver)) return FALSE;
            const char* const keys[][2] = {{"Description", driver}, {"ArrayFetchOn", "1"}, {"ArrayBufferSize", "8"},
                                     {"TCPPort", "1583"}, {"ServerName", nullptr}, {"DBQ", "DEMODATA"},
                                     {"ServerDSN", nullptr}, {"TransportHint", "TCP:SPX"}, {"TranslationDLL", ""},
                                     {"TranslationOption", ""}, {"QmTranslate", ""}};
            for (auto& kv : keys) SQLWritePrivateProfileString(dsn, kv[0], kv[1], "odbc.ini");
            return TRUE;
        }
        case ODBC_CONFIG_DSN:
            if (!SQLWriteDSNToIni(dsn, driver)) return FALSE;
            return SQLWritePrivateProfileString(dsn, "Description", "changed", "odbc.ini");
        case ODBC_REMOVE_DSN:
            return SQLRemoveDSNFromIni(dsn);
        default:
            return FALSE;
    }
}
