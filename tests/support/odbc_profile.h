// The ODBC profiles as a user's installer sees them, through Wine's real odbccp32, plus
// direct registry reads where the installer splits a DSN between the hives.
#pragma once
#include <windows.h>
#include <odbcinst.h>
#include <cstring>
#include <map>
#include <string>
#include "tests/support/attribute_list.h"
#include "tests/support/executable_folder.h"

inline const char kClientDriverName[] = "Quillmere ODBC Client Interface";  // DSNSET64.dll's description
inline const std::string kOdbcIni = "Software\\ODBC\\ODBC.INI";

// The folder's DSNSET64.dll registered as an installer does.
inline bool RegisterClientDriver(const std::string& folder) {
    const std::string driver = AttributeList({kClientDriverName, "Driver=DSNSET64.dll", "Setup=DSNSET64.dll"});
    char path[MAX_PATH];
    WORD length = 0;
    DWORD usage = 0;
    return SQLInstallDriverEx(driver.c_str(), folder.c_str(), path, MAX_PATH, &length, ODBC_INSTALL_COMPLETE, &usage);
}
// A DSN as an earlier setup left it: SQLWriteDSNToIni, then each key.
inline bool CreateDsn(const std::string& dsn, const std::map<std::string, std::string>& keys,
                      const char* driver = kClientDriverName) {
    bool done = SQLWriteDSNToIni(dsn.c_str(), driver);
    for (const auto& [key, value] : keys)
        done = done && SQLWritePrivateProfileString(dsn.c_str(), key.c_str(), value.c_str(), "odbc.ini");
    return done;
}
// "hive\key\value=data" lines of the key and its subkeys.
inline std::string RegistryText(HKEY root, const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
    std::string out, hive = root == HKEY_LOCAL_MACHINE ? "HKLM\\" : "HKCU\\";
    char name[512], data[4096];
    DWORD n = sizeof name, size = sizeof data, type = 0;
    for (DWORD i = 0; RegEnumValueA(key, i, name, &n, 0, &type, LPBYTE(data), &size) == 0; ++i, n = sizeof name)
        out += hive + path + "\\" + name + "=" + (type == REG_SZ ? data : "<binary>") + "\n", size = sizeof data;
    for (DWORD i = 0; RegEnumKeyExA(key, i, name, &(n = sizeof name), 0, 0, 0, 0) == 0; ++i)
        out += RegistryText(root, path + "\\" + name);
    return RegCloseKey(key), out;
}
// The installer's list of DSNs (in the machine hive) holds the name spelled exactly so.
inline bool DsnListed(const std::string& dsn) {
    const std::string listed = RegistryText(HKEY_LOCAL_MACHINE, kOdbcIni + "\\ODBC Data Sources");
    return listed.find("\\ODBC Data Sources\\" + dsn + "=") != std::string::npos;
}
inline std::string ReadDsnKey(const std::string& dsn, const std::string& key) {  // "<missing>" when absent
    char value[1024];
    return SQLGetPrivateProfileString(dsn.c_str(), key.c_str(), "<missing>", value, sizeof value, "odbc.ini"), value;
}
inline std::string DsnKeys(const std::string& dsn) {  // the DSN's section as one line "K=V K=V"
    char keys[4096] = {};
    SQLGetPrivateProfileString(dsn.c_str(), nullptr, "", keys, sizeof keys, "odbc.ini");
    std::string line;
    for (const char* k = keys; *k; k += std::strlen(k) + 1)
        line += (line.empty() ? "" : " ") + std::string(k) + "=" + ReadDsnKey(dsn, k);
    return line;
}
inline void ForgetDsn(const std::string& dsn) {  // every trace, both hives
    if (dsn.empty()) return;  // WINE8: the installer would remove every DSN, the registry the whole key
    SQLRemoveDSNFromIni(dsn.c_str());
    for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) RegDeleteTreeA(hive, (kOdbcIni + "\\" + dsn).c_str());
    RegDeleteKeyValueA(HKEY_CURRENT_USER, (kOdbcIni + "\\ODBC Data Sources").c_str(), dsn.c_str());
}
inline std::string OdbcIniSnapshot() {  // RegistryText of Software\ODBC\ODBC.INI in both hives
    return RegistryText(HKEY_LOCAL_MACHINE, kOdbcIni) + RegistryText(HKEY_CURRENT_USER, kOdbcIni);
}
