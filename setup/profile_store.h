// Access to the ODBC profiles, only through the ODBC installer library loaded at run time.
// The wrappers carry the installer functions' names (C++ linkage, so they never clash with
// an import of the real ones) and answer 0 when the function cannot be had.
#pragma once

#include <windows.h>

// The profile every DSN lives in.
constexpr char kOdbcIni[] = "odbc.ini";

BOOL SQLWriteDSNToIni(LPCSTR dsn, LPCSTR driver);
// FALSE for an empty name, without asking the installer (see the definition).
BOOL SQLRemoveDSNFromIni(LPCSTR dsn);
BOOL SQLWritePrivateProfileString(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName);
int SQLGetPrivateProfileString(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, int bufferSize,
                               LPCSTR fileName);

// A profile value into a fixed text, always terminated; the text keeps what it held when the
// installer cannot answer.
template <typename Text>
void ReadProfileText(const char* section, const char* key, const char* fallback, Text& text,
                     const char* fileName = kOdbcIni) {
    SQLGetPrivateProfileString(section, key, fallback, text.data(), static_cast<int>(text.capacity()), fileName);
    text.terminate();
}
