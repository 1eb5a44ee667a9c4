#include "setup/profile_store.h"

#include "setup/installer_library.h"

namespace {

template <typename Function>
Function InstallerFunction(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetInstallerFunction(name)));
}

}  // namespace

BOOL SQLWriteDSNToIni(LPCSTR dsn, LPCSTR driver) {
    auto f = InstallerFunction<BOOL(WINAPI*)(LPCSTR, LPCSTR)>("SQLWriteDSNToIni");
    return f ? f(dsn, driver) : FALSE;
}

BOOL SQLRemoveDSNFromIni(LPCSTR dsn) {
    // Some installers take the empty name for the whole ODBC.INI key and remove every DSN
    // (Wine's does): a request that names no DSN must never cost the user all of them.
    if (dsn == nullptr || dsn[0] == 0) return FALSE;
    auto f = InstallerFunction<BOOL(WINAPI*)(LPCSTR)>("SQLRemoveDSNFromIni");
    return f ? f(dsn) : FALSE;
}

BOOL SQLWritePrivateProfileString(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
    auto f = InstallerFunction<BOOL(WINAPI*)(LPCSTR, LPCSTR, LPCSTR, LPCSTR)>("SQLWritePrivateProfileString");
    return f ? f(section, key, value, fileName) : FALSE;
}

int SQLGetPrivateProfileString(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, int bufferSize,
                               LPCSTR fileName) {
    auto f = InstallerFunction<int(WINAPI*)(LPCSTR, LPCSTR, LPCSTR, LPSTR, int, LPCSTR)>(
        "SQLGetPrivateProfileString");
    return f ? f(section, key, defaultValue, buffer, bufferSize, fileName) : 0;
}
