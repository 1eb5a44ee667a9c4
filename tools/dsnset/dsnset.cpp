// dsnset: scripted DSN setup over the real ODBC installer. Every change goes through
// SQLInstallDriverEx or SQLConfigDataSource, exactly as an installer script would make it;
// this tool never writes a profile key itself.
#include <windows.h>
#include <odbcinst.h>
#include <shellapi.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kDefaultDriver[] = "Quillmere ODBC Client Interface";

enum ExitCode { kOk = 0, kRefused = 1, kUsage = 2 };

// With --window, the top-level window that owns the setup dialog; none: silent requests.
HWND Owner = nullptr;

// The installer speaks the ANSI code page. What we print goes to a console as wide
// characters, and anywhere else (a pipe, a file, a UTF-8 terminal under Wine) as UTF-8, so
// that a DSN named with letters outside ASCII reads the same everywhere.
std::wstring Widen(const std::string& text, UINT codePage) {
    int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

std::string Narrow(const std::wstring& text, UINT codePage) {
    int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &narrow[0], n, nullptr, nullptr);
    return narrow;
}

void WriteAnsi(DWORD stream, const std::string& ansi) {
    HANDLE handle = GetStdHandle(stream);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    const std::wstring wide = Widen(ansi, CP_ACP);
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(handle, &mode)) {
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    const std::string utf8 = Narrow(wide, CP_UTF8);
    WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

void Print(DWORD stream, const char* format, ...) {
    char text[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    WriteAnsi(stream, text);
}

int Usage() {
    Print(STD_ERROR_HANDLE,
          "usage: dsnset [--driver NAME] [--system] [--window] COMMAND ...\n"
          "  register FOLDER          register FOLDER\\DSNSET64.dll as the driver's setup library\n"
          "  add KEY=VALUE ...        add a DSN silently (DSN=NAME required)\n"
          "  configure KEY=VALUE ...  change an existing DSN silently (DSN=NAME required)\n"
          "  remove NAME              remove an existing DSN\n"
          "  show NAME                print the DSN's stored keys\n"
          "  list                     print the data sources\n"
          "with --window the setup dialog opens over a window of its own:\n"
          "  add [KEY=VALUE ...]      add a DSN, the fields given filled in\n"
          "  configure NAME           change the DSN NAME\n"
          "  engine-dsn SERVER [NAME] create an engine DSN on SERVER, or change its engine DSN NAME\n"
          "exit codes: 0 done, 1 refused (no such DSN, or the installer or the setup library\n"
          "refused; nothing was changed), 2 usage\n");
    return kUsage;
}

void PrintInstallerErrors() {
    for (WORD i = 1; i <= 8; ++i) {
        DWORD code = 0;
        char message[SQL_MAX_MESSAGE_LENGTH] = {};
        WORD length = 0;
        if (SQLInstallerError(i, &code, message, sizeof message, &length) != SQL_SUCCESS) break;
        Print(STD_ERROR_HANDLE, "dsnset: installer error %lu: %s\n", static_cast<unsigned long>(code), message);
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
    Print(STD_OUTPUT_HANDLE, "registered \"%s\": setup library %s\\DSNSET64.dll\n", driver, pathOut);
    return kOk;
}

const char kDataSourcesKey[] = "Software\\ODBC\\ODBC.INI\\ODBC Data Sources";

// A DSN exists when "ODBC Data Sources" lists it, in the machine's or the user's hive
// (value names compare without regard to case, as the installer's do).
bool DataSourceExists(const std::string& dsn) {
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        HKEY key;
        if (RegOpenKeyExA(hive, kDataSourcesKey, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
        bool listed = RegQueryValueExA(key, dsn.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
        RegCloseKey(key);
        if (listed) return true;
    }
    return false;
}

// The DSN a list names: the last DSN= pair, the key in any case, as the setup library reads it.
bool NamedDsn(const std::vector<std::string>& pairs, std::string& dsn) {
    bool named = false;
    for (const std::string& p : pairs) {
        if (_strnicmp(p.c_str(), "DSN=", 4) == 0) {
            dsn = p.substr(4);
            named = true;
        }
    }
    return named && !dsn.empty();
}

int Configure(const char* driver, WORD request, const std::vector<std::string>& pairs, bool mustExist) {
    for (const std::string& p : pairs) {
        if (p.find('=') == std::string::npos) {
            Print(STD_ERROR_HANDLE, "dsnset: '%s' is not KEY=VALUE\n", p.c_str());
            return kUsage;
        }
    }
    std::string dsn;
    if (mustExist) {
        if (!NamedDsn(pairs, dsn)) {
            Print(STD_ERROR_HANDLE, "dsnset: name the data source with DSN=NAME\n");
            return kUsage;
        }
        // Asked to configure a DSN that is not there, the installer would create half of one.
        if (!DataSourceExists(dsn)) {
            Print(STD_ERROR_HANDLE, "dsnset: no data source named \"%s\"; nothing was changed\n", dsn.c_str());
            return kRefused;
        }
    }
    std::string list = AttributeList(pairs);
    if (!SQLConfigDataSource(Owner, request, driver, list.c_str())) {
        Print(STD_ERROR_HANDLE, Owner ? "dsnset: the dialog was cancelled or the request refused; nothing was changed "
                                        "by it\n"
                                      : "dsnset: the request was refused; nothing was changed by it\n");
        PrintInstallerErrors();
        return kRefused;
    }
    return kOk;
}

int Show(const std::string& dsn) {
    char keys[4096] = {};
    int n = SQLGetPrivateProfileString(dsn.c_str(), nullptr, "", keys, sizeof keys, "odbc.ini");
    if (n <= 0 || keys[0] == 0) {
        Print(STD_ERROR_HANDLE, "dsnset: no keys stored for \"%s\"\n", dsn.c_str());
        return kRefused;
    }
    Print(STD_OUTPUT_HANDLE, "[%s]\n", dsn.c_str());
    for (const char* key = keys; *key; key += std::strlen(key) + 1) {
        char value[1024] = {};
        SQLGetPrivateProfileString(dsn.c_str(), key, "", value, sizeof value, "odbc.ini");
        Print(STD_OUTPUT_HANDLE, "%s=%s\n", key, value);
    }
    return kOk;
}

// The engine DSN dialog of the driver's registered setup library, over our window.
int EditEngineDsnOn(const char* driver, const std::string& server, const std::string& name) {
    char setup[MAX_PATH] = {};
    SQLGetPrivateProfileString(driver, "Setup", "", setup, sizeof setup, "odbcinst.ini");
    DWORD size = sizeof setup;
    // WINE8: the installer reads "odbcinst.ini" from the user's hive only, while it registers
    // drivers in the machine's: then the machine's registration is read directly.
    if (setup[0] == '\0')
        RegGetValueA(HKEY_LOCAL_MACHINE, ("Software\\ODBC\\ODBCINST.INI\\" + std::string(driver)).c_str(), "Setup",
                     RRF_RT_REG_SZ, nullptr, setup, &size);
    HMODULE library = setup[0] ? LoadLibraryA(setup) : nullptr;
    using Editor = BOOL(WINAPI*)(HWND, LPCSTR, LPCSTR);
    auto edit = library ? reinterpret_cast<Editor>(reinterpret_cast<void*>(GetProcAddress(library, "EditEngineDsn")))
                        : nullptr;
    if (edit == nullptr) {
        Print(STD_ERROR_HANDLE, "dsnset: \"%s\" has no setup library with engine DSNs (register it first)\n", driver);
        if (library) FreeLibrary(library);
        return kRefused;
    }
    const BOOL saved = edit(Owner, server.c_str(), name.c_str());
    FreeLibrary(library);
    if (!saved) Print(STD_ERROR_HANDLE, "dsnset: the engine DSN was not saved\n");
    return saved ? kOk : kRefused;
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
        Print(STD_OUTPUT_HANDLE, "%s=%s\n", name, type == REG_SZ ? driver : "");
    }
    RegCloseKey(key);
    return kOk;
}


// Arguments come from the wide command line, so that a name typed in any script reaches
// the installer in its code page rather than through the C runtime's own conversion.
std::vector<std::string> Arguments() {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; wide != nullptr && i < count; ++i) arguments.push_back(Narrow(wide[i], CP_ACP));
    LocalFree(wide);
    return arguments;
}

}  // namespace

int main() {
    const std::vector<std::string> arguments = Arguments();
    std::string driver = kDefaultDriver;
    bool system = false, window = false;
    std::size_t i = 0;
    for (; i < arguments.size() && arguments[i].compare(0, 2, "--") == 0; ++i) {
        if (arguments[i] == "--system") system = true;
        else if (arguments[i] == "--window") window = true;
        else if (arguments[i] == "--driver" && i + 1 < arguments.size()) driver = arguments[++i];
        else return Usage();
    }
    if (i >= arguments.size()) return Usage();
    const std::string command = arguments[i++];
    const std::vector<std::string> rest(arguments.begin() + static_cast<std::ptrdiff_t>(i), arguments.end());
    const char* d = driver.c_str();
    const WORD add = system ? ODBC_ADD_SYS_DSN : ODBC_ADD_DSN, configure = system ? ODBC_CONFIG_SYS_DSN : ODBC_CONFIG_DSN;

    const bool engineDsn = command == "engine-dsn" && (rest.size() == 1 || rest.size() == 2) && !rest[0].empty();
    if (window && (command == "add" || engineDsn ||
                   (command == "configure" && rest.size() == 1 && !rest[0].empty() &&
                    rest[0].find('=') == std::string::npos))) {
        Owner = CreateWindowExA(0, "STATIC", "Quillmere ODBC Data Sources", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                640, 420, nullptr, nullptr, nullptr, nullptr);
        if (command == "add") return Configure(d, add, rest, false);
        if (engineDsn) return EditEngineDsnOn(d, rest[0], rest.size() == 2 ? rest[1] : "");
        return Configure(d, configure, {"DSN=" + rest[0]}, true);
    }
    if (window) return Usage();
    if (command == "register" && rest.size() == 1) return Register(d, rest[0]);
    if (command == "add" && !rest.empty()) return Configure(d, add, rest, false);
    if (command == "configure" && !rest.empty())
        return Configure(d, configure, rest, true);
    // An empty name would reach the installer as "every DSN" on some platforms: a usage error.
    if (command == "remove" && rest.size() == 1 && !rest[0].empty())
        return Configure(d, system ? ODBC_REMOVE_SYS_DSN : ODBC_REMOVE_DSN, {"DSN=" + rest[0]}, true);
    if (command == "show" && rest.size() == 1) return Show(rest[0]);
    if (command == "list" && rest.empty()) return List();
    return Usage();
}
