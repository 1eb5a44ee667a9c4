#include "tests/support/odbc_profile.h"
#include <odbcinst.h>
#include <cstring>
#include <vector>

const char kClientDriverName[] = "Quillmere ODBC Client Interface";

namespace {
const char kOdbcIniKey[] = "Software\\ODBC\\ODBC.INI";

void DumpKey(HKEY root, const std::string& rootName, const std::string& path, std::string& out) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    char name[512];
    std::vector<BYTE> data(4096);
    DWORD nameLength = sizeof name, dataLength = 4096, type = 0;
    for (DWORD i = 0; RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data.data(), &dataLength) == 0;
         ++i, nameLength = sizeof name, dataLength = 4096)
        out += rootName + "\\" + path + "\\" + name + "=" +
               (type == REG_SZ ? std::string(reinterpret_cast<char*>(data.data())) : "<binary>") + "\n";
    for (DWORD i = 0; RegEnumKeyExA(key, i, name, &(nameLength = sizeof name), nullptr, nullptr, nullptr, nullptr) == 0;
         ++i)
        DumpKey(root, rootName, path + "\\" + name, out);
    RegCloseKey(key);
}
}  // namespace

bool RegisterClientDriver(const std::string& folder) {
    const std::string attributes = AttributeList({kClientDriverName, "Driver=DSNSET64.dll", "Setup=DSNSET64.dll",
                                                  "APILevel=1"});
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

std::string DsnKeys(const std::string& dsn) {
    char keys[4096] = {};
    SQLGetPrivateProfileString(dsn.c_str(), nullptr, "", keys, sizeof keys, "odbc.ini");
    std::string line;
    for (const char* k = keys; *k; k += std::strlen(k) + 1)
        line += (line.empty() ? "" : " ") + std::string(k) + "=" + ReadDsnKey(dsn, k);
    return line;
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
    return RegistryText(HKEY_LOCAL_MACHINE, kOdbcIniKey) + RegistryText(HKEY_CURRENT_USER, kOdbcIniKey);
}
