#include "tests/support/odbc_profile.h"

#include <odbcinst.h>

#include <vector>

const char kClientDriverName[] = "Quillmere ODBC Client Interface";

namespace {

const char kOdbcIniKey[] = "Software\\ODBC\\ODBC.INI";

void DumpKey(HKEY root, const std::string& rootName, const std::string& path, std::string& out) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    for (DWORD i = 0;; ++i) {
        char name[512];
        DWORD nameLength = sizeof name;
        std::vector<BYTE> data(4096);
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data.data(), &dataLength) != ERROR_SUCCESS) break;
        std::string value = type == REG_SZ ? std::string(reinterpret_cast<char*>(data.data())) : "<binary>";
        out += rootName + "\\" + path + "\\" + name + "=" + value + "\n";
    }
    for (DWORD i = 0;; ++i) {
        char name[512];
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        DumpKey(root, rootName, path + "\\" + name, out);
    }
    RegCloseKey(key);
}

}  // namespace


bool RegisterClientDriver(const std::string& folder) {
    std::string attributes = std::string(kClientDriverName) + '\0' + "Driver=DSNSET64.dll" + '\0' +
                             "Setup=DSNSET64.dll" + '\0' + "APILevel=1" + '\0' + '\0';
    char pathOut[MAX_PATH];
    WORD pathLength = 0;
    DWORD usage = 0;
    return SQLInstallDriverEx(attributes.c_str(), folder.c_str(), pathOut, MAX_PATH, &pathLength,
                              ODBC_INSTALL_COMPLETE, &usage) != FALSE;
}

bool CreateDsn(const std::string& dsn, const std::map<std::string, std::string>& keys, const char* driver) {
    if (!SQLWriteDSNToIni(dsn.c_str(), driver)) return false;
    for (const auto& [key, value] : keys)
        if (!SQLWritePrivateProfileString(dsn.c_str(), key.c_str(), value.c_str(), "odbc.ini")) return false;
    return true;
}

bool DsnListed(const std::string& dsn) {
    char value[513];
    DWORD size = sizeof value;
    return RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\ODBC\\ODBC.INI\\ODBC Data Sources", dsn.c_str(),
                        RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS;
}

std::string ReadDsnKey(const std::string& dsn, const std::string& key) {
    char value[1024];
    SQLGetPrivateProfileString(dsn.c_str(), key.c_str(), "<missing>", value, sizeof value, "odbc.ini");
    return value;
}

void ForgetDsn(const std::string& dsn) {
    SQLRemoveDSNFromIni(dsn.c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(kOdbcIniKey) + "\\" + dsn).c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string(kOdbcIniKey) + "\\" + dsn).c_str());
}

std::string RegistryText(HKEY root, const std::string& path) {
    std::string out;
    DumpKey(root, root == HKEY_LOCAL_MACHINE ? "HKLM" : "HKCU", path, out);
    return out;
}

std::string OdbcIniSnapshot() {
    std::string out;
    DumpKey(HKEY_LOCAL_MACHINE, "HKLM", kOdbcIniKey, out);
    DumpKey(HKEY_CURRENT_USER, "HKCU", kOdbcIniKey, out);
    return out;
}
