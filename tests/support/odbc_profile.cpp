#include "tests/support/odbc_profile.h"
#include <cstring>
const char kClientDriverName[] = "Quillmere ODBC Client Interface";
static const std::string kOdbcIni = "Software\\ODBC\\ODBC.INI";
bool RegisterClientDriver(const std::string& folder) {
    const std::string driver = AttributeList({kClientDriverName, "Driver=DSNSET64.dll", "Setup=DSNSET64.dll"});
    char path[MAX_PATH];
    WORD length = 0;
    DWORD usage = 0;
    return SQLInstallDriverEx(driver.c_str(), folder.c_str(), path, MAX_PATH, &length, ODBC_INSTALL_COMPLETE, &usage);
}
bool CreateDsn(const std::string& dsn, const std::map<std::string, std::string>& keys, const char* driver) {
    bool done = SQLWriteDSNToIni(dsn.c_str(), driver);
    for (const auto& [key, value] : keys)
        done = done && SQLWritePrivateProfileString(dsn.c_str(), key.c_str(), value.c_str(), "odbc.ini");
    return done;
}
bool DsnListed(const std::string& dsn) {
    const std::string listed = RegistryText(HKEY_LOCAL_MACHINE, kOdbcIni + "\\ODBC Data Sources");
    return listed.find("\\ODBC Data Sources\\" + dsn + "=") != std::string::npos;
}
std::string ReadDsnKey(const std::string& dsn, const std::string& key) {
    char value[1024];
    return SQLGetPrivateProfileString(dsn.c_str(), key.c_str(), "<missing>", value, sizeof value, "odbc.ini"), value;
}
std::string DsnKeys(const std::string& dsn) {
    char keys[4096] = {};
    SQLGetPrivateProfileString(dsn.c_str(), nullptr, "", keys, sizeof keys, "odbc.ini");
    std::string line;
    for (const char* k = keys; *k; k += std::strlen(k) + 1)
        line += (line.empty() ? "" : " ") + std::string(k) + "=" + ReadDsnKey(dsn, k);
    return line;
}
void ForgetDsn(const std::string& dsn) {
    if (dsn.empty()) return;  // WINE8: the installer would remove every DSN, the registry the whole key
    SQLRemoveDSNFromIni(dsn.c_str());
    for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) RegDeleteTreeA(hive, (kOdbcIni + "\\" + dsn).c_str());
    RegDeleteKeyValueA(HKEY_CURRENT_USER, (kOdbcIni + "\\ODBC Data Sources").c_str(), dsn.c_str());
}
std::string RegistryText(HKEY root, const std::string& path) {
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
std::string OdbcIniSnapshot() {
    return RegistryText(HKEY_LOCAL_MACHINE, kOdbcIni) + RegistryText(HKEY_CURRENT_USER, kOdbcIni);
}
