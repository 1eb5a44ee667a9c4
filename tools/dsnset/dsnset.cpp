// dsnset: scripted DSN setup over the real ODBC installer. Every change goes through
// SQLInstallDriverEx or SQLConfigDataSource, exactly as an installer script would make it;
// this tool never writes a profile key itself.
#include <windows.h>
#include <odbcinst.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kDefaultDriver[] = "Quillmere ODBC Client Interface";

enum ExitCode { kOk = 0, kRefused = 1, kUsage = 2 };

int Usage() {
    std::fprintf(stderr,
                 "usage: dsnset [--driver NAME] [--system] COMMAND ...\n"
                 "  register FOLDER          register FOLDER\\DSNSET64.dll as the driver's setup library\n"
                 "  add KEY=VALUE ...        add a DSN silently (DSN=name required)\n"
                 "  configure KEY=VALUE ...  change a DSN silently\n"
                 "  remove NAME              remove a DSN\n"
                 "  show NAME                print the DSN's stored keys\n"
                 "  list                     print the data sources\n"
                 "exit codes: 0 done, 1 the installer or the setup library refused, 2 usage\n");
    return kUsage;
}

void PrintInstallerErrors() {
    for (WORD i = 1; i <= 8; ++i) {
        DWORD code = 0;
        char message[SQL_MAX_MESSAGE_LENGTH] = {};
        WORD length = 0;
        if (SQLInstallerError(i, &code, message, sizeof message, &length) != SQL_SUCCESS) break;
        std::fprintf(stderr, "dsnset: installer error %lu: %s\n", static_cast<unsigned long>(code), message);
    }
}

std::string AttributeList(const std::vector<std::string>& pairs) {
    std::string list;
    for (const std::string& p : pairs) list.append(p).push_back('\0');
    list.push_back('\0');
    return list;
}

int Register(const char* driver, const std::string& folder) {
    std::string attributes = std::string(driver) + '\0' + "Driver=DSNSET64.dll" + '\0' + "Setup=DSNSET64.dll" +
                             '\0' + "APILevel=1" + '\0' + '\0';
    char pathOut[MAX_PATH];
    WORD pathLength = 0;
    DWORD usage = 0;
    if (!SQLInstallDriverEx(attributes.c_str(), folder.c_str(), pathOut, MAX_PATH, &pathLength, ODBC_INSTALL_COMPLETE,
                            &usage)) {
        PrintInstallerErrors();
        return kRefused;
    }
    std::printf("registered \"%s\": setup library %s\\DSNSET64.dll\n", driver, pathOut);
    return kOk;
}

int Configure(const char* driver, WORD request, const std::vector<std::string>& pairs) {
    for (const std::string& p : pairs) {
        if (p.find('=') == std::string::npos) {
            std::fprintf(stderr, "dsnset: '%s' is not KEY=VALUE\n", p.c_str());
            return kUsage;
        }
    }
    std::string list = AttributeList(pairs);
    if (!SQLConfigDataSource(nullptr, request, driver, list.c_str())) {
        std::fprintf(stderr, "dsnset: the request was refused; nothing was changed by it\n");
        PrintInstallerErrors();
        return kRefused;
    }
    return kOk;
}

int Show(const std::string& dsn) {
    char keys[4096] = {};
    int n = SQLGetPrivateProfileString(dsn.c_str(), nullptr, "", keys, sizeof keys, "odbc.ini");
    if (n <= 0 || keys[0] == 0) {
        std::fprintf(stderr, "dsnset: no keys stored for '%s'\n", dsn.c_str());
        return kRefused;
    }
    std::printf("[%s]\n", dsn.c_str());
    for (const char* key = keys; *key; key += std::strlen(key) + 1) {
        char value[1024] = {};
        SQLGetPrivateProfileString(dsn.c_str(), key, "", value, sizeof value, "odbc.ini");
        std::printf("%s=%s\n", key, value);
    }
    return kOk;
}

int List() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\ODBC\\ODBC.INI\\ODBC Data Sources", 0, KEY_READ, &key) != 0)
        return kOk;
    for (DWORD i = 0;; ++i) {
        char name[256], driver[512];
        DWORD nameLength = sizeof name, driverLength = sizeof driver, type = 0;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(driver), &driverLength))
            break;
        std::printf("%s=%s\n", name, type == REG_SZ ? driver : "");
    }
    RegCloseKey(key);
    return kOk;
}

}  // namespace

int main(int argc, char** argv) {
    const char* driver = kDefaultDriver;
    bool system = false;
    int i = 1;
    for (; i < argc && std::strncmp(argv[i], "--", 2) == 0; ++i) {
        if (std::strcmp(argv[i], "--system") == 0) system = true;
        else if (std::strcmp(argv[i], "--driver") == 0 && i + 1 < argc) driver = argv[++i];
        else return Usage();
    }
    if (i >= argc) return Usage();
    std::string command = argv[i++];
    std::vector<std::string> rest(argv + i, argv + argc);

    if (command == "register" && rest.size() == 1) return Register(driver, rest[0]);
    if (command == "add" && !rest.empty()) return Configure(driver, system ? ODBC_ADD_SYS_DSN : ODBC_ADD_DSN, rest);
    if (command == "configure" && !rest.empty())
        return Configure(driver, system ? ODBC_CONFIG_SYS_DSN : ODBC_CONFIG_DSN, rest);
    if (command == "remove" && rest.size() == 1)
        return Configure(driver, system ? ODBC_REMOVE_SYS_DSN : ODBC_REMOVE_DSN, {"DSN=" + rest[0]});
    if (command == "show" && rest.size() == 1) return Show(rest[0]);
    if (command == "list" && rest.empty()) return List();
    return Usage();
}
