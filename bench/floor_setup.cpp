// The floor of the product's per-request cost: a setup library that does, bare, the outside
// work the design requires of every ConfigDSN call and nothing else. At load: the three
// load-time imports, the user's locale, the call mutex created. Per call: the mutex; the
// installation lookup's registry reads (three keys, two roots) and the open of the
// administration library, its eight entries resolved, started, stopped and closed; the
// record's block; the installer library chosen from its two copies by file version, each
// installer function resolved by name when it is called; for an add the connection the
// silent add makes to check its database, and the installer's existing-DSN reads; then the
// installer writes. No parsing beyond finding DSN=, no name rule, no plan of the writes.
#include <windows.h>
#include <odbcinst.h>

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/qscl.h"
#include "platform/qscore.h"
#include "platform/string_library.h"
#include "setup/dsn_settings.h"

namespace {

QSHandle CallMutex = nullptr;
HMODULE Installer = nullptr;  // chosen once per load, as the product does

const wchar_t* const kInstallInfoKeys[] = {
    L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL Client\\InstallInfo",
    L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL Workgroup\\InstallInfo",
    L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL NT Server\\InstallInfo",
};
const wchar_t* const kAdminEntries[] = {L"DBUGetInfo", L"DBUSetInfo", L"DBUGetVersion", L"DBUConnect",
                                        L"DBUDisconnect", L"DBUStart", L"DBUStop", L"QmListDSNs"};
enum { kConnect = 3, kDisconnect = 4, kStart = 5, kStop = 6 };

// The administration library as a call opens it: looked up in the installation's bin
// folders, else by bare name, resolved, started; stopped and closed at the end of the call.
struct AdminLibrary {
    QSHandle handle = nullptr;
    void* entries[8] = {};

    AdminLibrary() {
        const wchar_t kName[] = L"w64rmadm.dll";
        wchar_t path[261];
        bool found = false;
        for (const wchar_t* key : kInstallInfoKeys) {
            for (std::int32_t root : {QS_ROOT_LOCAL_MACHINE, QS_ROOT_CURRENT_USER}) {
                std::uint32_t size = sizeof path, type = 0;
                if (QSRegistryGetValue(root, key, L"InstallDir64", &type, path, &size) == 0) {
                    std::swprintf(path + size / 2 - 1, 261 - size / 2, L"\\bin\\%ls", kName);
                    QSHandle file = nullptr;
                    found = QSFileOpen(path, GENERIC_READ, 0, &file) == 0 && QSFileClose(file) == 0;
                    break;
                }
            }
            if (found) break;
        }
        if (!found) {
            QSHandle file = nullptr;
            if (QSFileOpen(kName, GENERIC_READ, 0, &file) == 0) QSFileClose(file);
        }
        if (!(found && QSLibOpen(path, &handle) == 0) && QSLibOpen(kName, &handle) != 0) handle = nullptr;
        for (int i = 0; handle && i < 8; ++i)
            if (QSLibGetSymbol(handle, kAdminEntries[i], &entries[i]) != 0) entries[i] = nullptr;
        call<std::uint16_t (*)(void*)>(kStart, nullptr);
    }
    ~AdminLibrary() {
        call<std::uint16_t (*)(void*)>(kStop, nullptr);
        if (handle) QSLibClose(handle);
    }
    template <typename Function, typename... Arguments>
    std::uint16_t call(int entry, Arguments... arguments) {
        return entries[entry] ? reinterpret_cast<Function>(entries[entry])(arguments...) : 8005;
    }
};

struct FileVersion {
    bool ok;
    DWORD high, low;
};

FileVersion ReadVersion(HMODULE version, const char* path) {
    auto size = reinterpret_cast<DWORD(WINAPI*)(LPCSTR, LPDWORD)>(
        reinterpret_cast<void*>(GetProcAddress(version, "GetFileVersionInfoSizeA")));
    auto info = reinterpret_cast<BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID)>(
        reinterpret_cast<void*>(GetProcAddress(version, "GetFileVersionInfoA")));
    auto query = reinterpret_cast<BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT)>(
        reinterpret_cast<void*>(GetProcAddress(version, "VerQueryValueA")));
    DWORD handle = 0, bytes = size ? size(path, &handle) : 0;
    FileVersion result = {false, 0, 0};
    void* block = bytes ? HeapAlloc(GetProcessHeap(), 0, bytes) : nullptr;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (block && info(path, 0, bytes, block) && query(block, "\\", reinterpret_cast<void**>(&fixed), &length) && fixed)
        result = {true, fixed->dwFileVersionMS, fixed->dwFileVersionLS};
    if (block) HeapFree(GetProcessHeap(), 0, block);
    return result;
}

// The search copy or the system directory's copy, whichever is newer, after the stub check.
HMODULE ChooseInstaller() {
    char system[MAX_PATH + 1] = {}, systemCopy[MAX_PATH + 16];
    GetSystemDirectoryA(system, sizeof system);
    std::snprintf(systemCopy, sizeof systemCopy, "%s\\odbccp32.dll", system);
    HANDLE file = CreateFileA(systemCopy, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_RANDOM_ACCESS, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        LARGE_INTEGER size = {};
        GetFileSizeEx(file, &size);
        CloseHandle(file);
        if (size.QuadPart < 20000) {  // a version-less stub is moved aside
            HMODULE version = LoadLibraryA("version.dll");
            auto versionSize = reinterpret_cast<DWORD(WINAPI*)(LPCSTR, LPDWORD)>(
                reinterpret_cast<void*>(GetProcAddress(version, "GetFileVersionInfoSizeA")));
            DWORD handle = 0;
            if (versionSize && versionSize(systemCopy, &handle) == 0) {
                char bad[MAX_PATH + 16];
                std::snprintf(bad, sizeof bad, "%s\\odbccp32.bad", system);
                MoveFileExA(systemCopy, bad, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED);
            }
            FreeLibrary(version);
        }
    }
    HMODULE search = LoadLibraryA("odbccp32.dll"), copy = LoadLibraryA(systemCopy);
    if (!search || !copy || search == copy) {
        if (search && copy) FreeLibrary(copy);
        return search ? search : copy;
    }
    HMODULE version = LoadLibraryA("version.dll");
    char searchPath[2 * MAX_PATH + 2] = {};
    GetModuleFileNameA(search, searchPath, sizeof searchPath);
    FileVersion a = ReadVersion(version, searchPath), b = ReadVersion(version, systemCopy);
    FreeLibrary(version);
    bool keepCopy = a.ok && b.ok && (a.high < b.high || (a.high == b.high && a.low < b.low));
    FreeLibrary(keepCopy ? search : copy);
    return keepCopy ? copy : search;
}

// Each installer function is resolved by name when it is called, as the design says.
template <typename Function>
Function InstallerFunction(const char* name) {
    if (Installer == nullptr) Installer = ChooseInstaller();
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(Installer, name)));
}
BOOL WriteDsn(const char* dsn, const char* driver) {
    return InstallerFunction<BOOL(WINAPI*)(LPCSTR, LPCSTR)>("SQLWriteDSNToIni")(dsn, driver);
}
BOOL WriteKey(const char* dsn, const char* key, const char* value) {
    return InstallerFunction<BOOL(WINAPI*)(LPCSTR, LPCSTR, LPCSTR, LPCSTR)>("SQLWritePrivateProfileString")(
        dsn, key, value, "odbc.ini");
}
int ReadKey(const char* section, const char* key, char* buffer) {
    return InstallerFunction<int(WINAPI*)(LPCSTR, LPCSTR, LPCSTR, LPSTR, int, LPCSTR)>(
        "SQLGetPrivateProfileString")(section, key, "", buffer, 513, "odbc.ini");
}

const char* FindDsn(const char* attributes) {
    for (const char* p = attributes; p && *p; p += std::strlen(p) + 1)
        if (_strnicmp(p, "DSN=", 4) == 0) return p + 4;
    return nullptr;
}

BOOL Add(const char* dsn, const char* driver, AdminLibrary& admin) {
    std::int32_t session = -2;
    if (admin.call<std::uint16_t (*)(const char*, const char*, const char*, std::int32_t*)>(
            kConnect, "localhost", "", "", &session) != 0)
        return FALSE;
    admin.call<std::uint16_t (*)(std::int32_t*)>(kDisconnect, &session);
    char keys[513] = {}, listed[513] = {};
    if (ReadKey(dsn, nullptr, keys) > 0) ReadKey("ODBC Data Sources", dsn, listed);
    if (!WriteDsn(dsn, driver)) return FALSE;
    const char* const writes[][2] = {{"Description", driver}, {"ArrayFetchOn", "1"}, {"ArrayBufferSize", "8"},
                                     {"TCPPort", "1583"}, {"ServerName", nullptr}, {"DBQ", "DEMODATA"},
                                     {"ServerDSN", nullptr}, {"TransportHint", "TCP:SPX"}, {"TranslationDLL", ""},
                                     {"TranslationOption", ""}, {"QmTranslate", ""}};
    for (auto& kv : writes) WriteKey(dsn, kv[0], kv[1]);
    return TRUE;
}

}  // namespace

extern "C" BOOL WINAPI ConfigDSN(HWND, WORD request, LPCSTR driver, LPCSTR attributes) {
    if (QSMutexAcquire(CallMutex) != 0) return TRUE;
    BOOL result = FALSE;
    {
        AdminLibrary admin;
        HGLOBAL memory = GlobalAlloc(GHND, sizeof(DsnSettings));
        const char* dsn = FindDsn(attributes);
        if (GlobalLock(memory) != nullptr && dsn != nullptr) {
            if (request == ODBC_ADD_DSN) result = Add(dsn, driver, admin);
            else if (request == ODBC_CONFIG_DSN)
                result = WriteDsn(dsn, driver) && WriteKey(dsn, "Description", "changed");
            else if (request == ODBC_REMOVE_DSN)
                result = InstallerFunction<BOOL(WINAPI*)(LPCSTR)>("SQLRemoveDSNFromIni")(dsn);
            GlobalUnlock(memory);
        }
        GlobalFree(memory);
    }
    QSMutexRelease(CallMutex);
    return result;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        // The imports the design makes load-time ones, kept without calling them.
        static void* volatile imports[] = {reinterpret_cast<void*>(&DBUGetString),
                                           reinterpret_cast<void*>(&QSEnumerateEncInfo)};
        (void)imports;
        std::setlocale(LC_ALL, "");
        QSMutexCreate("ConfigDSNFloorMutex", 0, &CallMutex);
    } else if (reason == DLL_PROCESS_DETACH) {
        QSMutexDestroy(CallMutex);
    }
    return TRUE;
}
