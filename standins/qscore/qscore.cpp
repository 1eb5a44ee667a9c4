// Stand-in of the portability library w64qscore3.dll: each operation is a thin, real
// mapping onto Win32. Roots: 1 = HKEY_LOCAL_MACHINE, 4 = HKEY_CURRENT_USER.
#define QSCORE_BUILD
#include "platform/qscore.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

QSResult LastError() {
    DWORD e = GetLastError();
    return e == 0 ? static_cast<QSResult>(E_FAIL) : static_cast<QSResult>(HRESULT_FROM_WIN32(e));
}

HKEY RootKey(std::int32_t root) {
    switch (root) {
        case QS_ROOT_LOCAL_MACHINE: return HKEY_LOCAL_MACHINE;
        case QS_ROOT_CURRENT_USER: return HKEY_CURRENT_USER;
        default: return nullptr;
    }
}

std::uint32_t QsTypeOf(DWORD regType) {
    switch (regType) {
        case REG_SZ: case REG_EXPAND_SZ: return QS_REG_TEXT;
        case REG_DWORD: return QS_REG_NUMBER;
        default: return QS_REG_BINARY;
    }
}

struct DirHandle { HANDLE find; };

}  // namespace

QSCORE_API QSResult QSMutexCreate(const char* name, std::int32_t, QSHandle* mutex) {
    if (mutex == nullptr) return E_INVALIDARG;
    // A named kernel mutex: it serialises every thread and every process of the session.
    HANDLE h = CreateMutexA(nullptr, FALSE, name);
    *mutex = h;
    return h ? 0 : LastError();
}

QSCORE_API QSResult QSMutexAcquire(QSHandle mutex) {
    if (mutex == nullptr) return E_HANDLE;
    DWORD r = WaitForSingleObject(mutex, INFINITE);
    // An abandoned mutex is still ours: its last owner died, the call it guarded is over.
    return (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED) ? 0 : LastError();
}

QSCORE_API QSResult QSMutexRelease(QSHandle mutex) {
    if (mutex == nullptr) return E_HANDLE;
    return ReleaseMutex(mutex) ? 0 : LastError();
}

QSCORE_API QSResult QSMutexDestroy(QSHandle mutex) {
    if (mutex == nullptr) return E_HANDLE;
    return CloseHandle(mutex) ? 0 : LastError();
}

QSCORE_API QSResult QSLibOpen(const wchar_t* name, QSHandle* library) {
    if (name == nullptr || library == nullptr) return E_INVALIDARG;
    HMODULE m = LoadLibraryW(name);
    *library = m;
    return m ? 0 : LastError();
}

QSCORE_API QSResult QSLibGetSymbol(QSHandle library, const wchar_t* name, void** entry) {
    if (library == nullptr || name == nullptr || entry == nullptr) return E_INVALIDARG;
    char narrow[256];
    if (WideCharToMultiByte(CP_ACP, 0, name, -1, narrow, sizeof narrow, nullptr, nullptr) == 0) return LastError();
    FARPROC p = GetProcAddress(static_cast<HMODULE>(library), narrow);
    *entry = reinterpret_cast<void*>(p);
    return p ? 0 : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
}

QSCORE_API QSResult QSLibClose(QSHandle library) {
    if (library == nullptr) return E_HANDLE;
    return FreeLibrary(static_cast<HMODULE>(library)) ? 0 : LastError();
}

QSCORE_API QSResult QSRegistryGetValue(std::int32_t root, const wchar_t* keyPath, const wchar_t* valueName,
                                       std::uint32_t* type, void* buffer, std::uint32_t* byteSize) {
    HKEY rootKey = RootKey(root);
    if (rootKey == nullptr || keyPath == nullptr || byteSize == nullptr) return E_INVALIDARG;
    HKEY key;
    LONG r = RegOpenKeyExW(rootKey, keyPath, 0, KEY_QUERY_VALUE, &key);
    if (r != ERROR_SUCCESS) return HRESULT_FROM_WIN32(r);
    DWORD regType = 0;
    DWORD size = *byteSize;
    r = RegQueryValueExW(key, valueName, nullptr, &regType, static_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS) {
        if (r == ERROR_MORE_DATA) *byteSize = size;
        return HRESULT_FROM_WIN32(r);
    }
    if (regType == REG_SZ || regType == REG_EXPAND_SZ) {
        // Texts come back terminated; the size counts the terminator.
        if (size % 2 != 0) ++size;
        wchar_t* text = static_cast<wchar_t*>(buffer);
        std::size_t chars = size / 2;
        if (chars == 0 || text[chars - 1] != 0) {
            if (size + 2 > *byteSize) { *byteSize = size + 2; return HRESULT_FROM_WIN32(ERROR_MORE_DATA); }
            text[chars] = 0;
            size += 2;
        }
    }
    *byteSize = size;
    if (type) *type = QsTypeOf(regType);
    return 0;
}

QSCORE_API QSResult QSRegistrySetValue(std::int32_t root, const wchar_t* keyPath, const wchar_t* valueName,
                                       std::uint32_t type, const void* data, std::uint32_t byteLength) {
    HKEY rootKey = RootKey(root);
    if (rootKey == nullptr || keyPath == nullptr || (data == nullptr && byteLength != 0)) return E_INVALIDARG;
    DWORD regType = type == QS_REG_TEXT ? REG_SZ : type == QS_REG_NUMBER ? REG_DWORD : REG_BINARY;
    HKEY key;
    LONG r = RegCreateKeyExW(rootKey, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (r != ERROR_SUCCESS) return HRESULT_FROM_WIN32(r);
    r = RegSetValueExW(key, valueName, 0, regType, static_cast<const BYTE*>(data), byteLength);
    RegCloseKey(key);
    return r == ERROR_SUCCESS ? 0 : HRESULT_FROM_WIN32(r);
}

QSCORE_API QSResult QSFileOpen(const wchar_t* path, std::uint32_t access, std::uint32_t, QSHandle* file) {
    if (path == nullptr || file == nullptr) return E_INVALIDARG;
    HANDLE h = CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) { *file = nullptr; return LastError(); }
    *file = h;
    return 0;
}

QSCORE_API QSResult QSFileClose(QSHandle file) {
    if (file == nullptr) return E_HANDLE;
    return CloseHandle(file) ? 0 : LastError();
}

QSCORE_API QSResult QSDirOpen(const wchar_t* path, QSHandle* dir) {
    if (path == nullptr || dir == nullptr) return E_INVALIDARG;
    *dir = nullptr;
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return LastError();
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return HRESULT_FROM_WIN32(ERROR_DIRECTORY);
    wchar_t pattern[MAX_PATH + 3];
    int n = _snwprintf(pattern, MAX_PATH + 2, L"%ls\\*", path);
    if (n < 0) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    pattern[MAX_PATH + 2] = 0;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(pattern, &found);
    if (find == INVALID_HANDLE_VALUE) return LastError();
    *dir = new DirHandle{find};
    return 0;
}

QSCORE_API QSResult QSDirClose(QSHandle dir) {
    if (dir == nullptr) return E_HANDLE;
    DirHandle* d = static_cast<DirHandle*>(dir);
    FindClose(d->find);
    delete d;
    return 0;
}

QSCORE_API QSResult QSDirCreate(const wchar_t* path, void*) {
    if (path == nullptr) return E_INVALIDARG;
    return CreateDirectoryW(path, nullptr) ? 0 : LastError();
}

QSCORE_API QSResult QSGetHostNameA(char* buffer, std::uint32_t capacity) {
    if (buffer == nullptr || capacity == 0) return E_INVALIDARG;
    DWORD size = capacity;
    return GetComputerNameExA(ComputerNameDnsHostname, buffer, &size) ? 0 : LastError();
}

QSCORE_API QSResult QSGetHostName(wchar_t* buffer, std::uint32_t capacity) {
    if (buffer == nullptr || capacity == 0) return E_INVALIDARG;
    DWORD size = capacity;
    return GetComputerNameExW(ComputerNameDnsHostname, buffer, &size) ? 0 : LastError();
}

// This computer is: the loopback names and addresses, "." and the computer's own names.
QSCORE_API std::uint16_t QSIsThisMyComputerA(const char* host) {
    if (host == nullptr || *host == 0) return 0;
    static const char* const loopback[] = {"localhost", ".", "::1", "[::1]", "0:0:0:0:0:0:0:1"};
    for (const char* name : loopback)
        if (_stricmp(host, name) == 0) return 1;
    unsigned a, b, c, d;
    char rest;
    if (std::sscanf(host, "%u.%u.%u.%u%c", &a, &b, &c, &d, &rest) == 4 && a == 127 && b < 256 && c < 256 && d < 256)
        return 1;
    const COMPUTER_NAME_FORMAT formats[] = {ComputerNameNetBIOS, ComputerNameDnsHostname,
                                            ComputerNameDnsFullyQualified};
    for (COMPUTER_NAME_FORMAT f : formats) {
        char name[256];
        DWORD size = sizeof name;
        if (GetComputerNameExA(f, name, &size) && size > 0 && _stricmp(host, name) == 0) return 1;
    }
    return 0;
}

// Conversions stop at capacity, always terminate, and say when the text did not fit.
QSCORE_API QSResult QSAnsiToUnicode(wchar_t* destination, const char* source, std::int32_t capacity) {
    if (destination == nullptr || source == nullptr || capacity <= 0) return E_INVALIDARG;
    if (MultiByteToWideChar(CP_ACP, 0, source, -1, destination, capacity) > 0) return 0;
    QSResult r = LastError();
    int sourceLength = static_cast<int>(std::strlen(source));
    int n = MultiByteToWideChar(CP_ACP, 0, source, sourceLength < capacity - 1 ? sourceLength : capacity - 1,
                                destination, capacity - 1);
    destination[n > 0 ? n : 0] = 0;
    return r;
}

QSCORE_API QSResult QSUnicodeToAnsi(char* destination, const wchar_t* source, std::int32_t capacity) {
    if (destination == nullptr || source == nullptr || capacity <= 0) return E_INVALIDARG;
    if (WideCharToMultiByte(CP_ACP, 0, source, -1, destination, capacity, nullptr, nullptr) > 0) return 0;
    QSResult r = LastError();
    destination[0] = 0;
    // Keep the longest prefix that fits whole characters.
    for (int chars = static_cast<int>(std::wcslen(source)); chars > 0; --chars) {
        int n = WideCharToMultiByte(CP_ACP, 0, source, chars, destination, capacity - 1, nullptr, nullptr);
        if (n > 0) { destination[n] = 0; break; }
    }
    return r;
}

QSCORE_API QSResult QSGetDefaultCharEncoding(wchar_t* buffer) {
    if (buffer == nullptr) return E_INVALIDARG;
    UINT cp = GetACP();
    if (cp == CP_UTF8) _snwprintf(buffer, 40, L"UTF-8");
    else _snwprintf(buffer, 40, L"windows-%u", cp);
    buffer[39] = 0;
    return 0;
}

QSCORE_API wchar_t* QSLToStrW(long number, wchar_t* buffer, int radix) { return _ltow(number, buffer, radix); }

QSCORE_API std::int32_t QSStrLenA_32(const char* text) { return static_cast<std::int32_t>(std::strlen(text)); }
QSCORE_API std::int32_t QSStrLenW_32(const wchar_t* text) { return static_cast<std::int32_t>(std::wcslen(text)); }
QSCORE_API char* QSStrCpyA(char* destination, const char* source) { return std::strcpy(destination, source); }
QSCORE_API wchar_t* QSStrCpyW(wchar_t* destination, const wchar_t* source) { return std::wcscpy(destination, source); }
QSCORE_API wchar_t* QSStrCatW(wchar_t* destination, const wchar_t* source) { return std::wcscat(destination, source); }
QSCORE_API int QSStrCmpW(const wchar_t* a, const wchar_t* b) { return std::wcscmp(a, b); }
QSCORE_API int QSStrICmpA(const char* a, const char* b) { return _stricmp(a, b); }
QSCORE_API const wchar_t* QSStrRChrW(const wchar_t* text, wchar_t c) { return std::wcsrchr(text, c); }
QSCORE_API const wchar_t* QSStrStrW(const wchar_t* text, const wchar_t* part) { return std::wcsstr(text, part); }

QSCORE_API void* QSMemAlloc(std::size_t size) { return std::malloc(size ? size : 1); }
QSCORE_API void QSMemFree(void* block) { std::free(block); }
