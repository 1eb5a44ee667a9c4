#include "setup/installer_library.h"

#include <windows.h>

#include <cstdio>

#include "platform/fixed_text.h"
#include "setup/installer_version.h"

HMODULE InstallerModule = nullptr;

namespace {

const char kInstallerErrorCaption[] = "ODBC Installer Error";
const char kInstallerFileName[] = "odbccp32.dll";

using PathText = FixedText<MAX_PATH + 1>;  // 261 bytes

struct FileVersionRead {
    bool ok;
    DWORD mostSignificant;
    DWORD leastSignificant;
};

FileVersionRead ReadFileVersion(const VersionFunctions& f, const char* path) {
    FileVersionRead result = {false, 0, 0};
    DWORD handle = 0;
    DWORD size = f.GetFileVersionInfoSizeA(path, &handle);
    if (size == 0) return result;
    void* block = HeapAlloc(GetProcessHeap(), 0, size);
    if (block == nullptr) return result;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoLength = 0;
    if (f.GetFileVersionInfoA(path, 0, size, block) &&
        f.VerQueryValueA(block, "\\", reinterpret_cast<void**>(&info), &infoLength) && info != nullptr &&
        infoLength >= sizeof(VS_FIXEDFILEINFO)) {
        result = {true, info->dwFileVersionMS, info->dwFileVersionLS};
    }
    HeapFree(GetProcessHeap(), 0, block);
    return result;
}

// An old setup program could leave a tiny installer stub without version information in
// the system directory; it would shadow the real library, so it is moved aside.
void MoveStubAside(const char* systemDirectory, const char* systemCopy) {
    HANDLE file = CreateFileA(systemCopy, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_RANDOM_ACCESS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER size;
    bool sizeKnown = GetFileSizeEx(file, &size) != 0;
    CloseHandle(file);  // closed before any rename: an open handle would hold the file
    if (!sizeKnown || size.QuadPart >= static_cast<LONGLONG>(kInstallerStubSizeLimit)) return;

    VersionFunctions f;
    HMODULE version = LoadVersionFunctions(f);
    if (version == nullptr) return;
    DWORD handle = 0;
    bool hasVersionInformation = f.GetFileVersionInfoSizeA(systemCopy, &handle) != 0;
    if (IsInstallerStub(sizeKnown, static_cast<std::uint64_t>(size.QuadPart), hasVersionInformation)) {
        char badCopy[MAX_PATH + 16];
        std::snprintf(badCopy, sizeof badCopy, "%s\\odbccp32.bad", systemDirectory);
        MoveFileExA(systemCopy, badCopy, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED);
    }
    FreeLibrary(version);
}

}  // namespace

HMODULE LoadVersionFunctions(VersionFunctions& functions) {
    functions = {};
    HMODULE version = LoadLibraryA("version.dll");
    if (version == nullptr) return nullptr;
    functions.GetFileVersionInfoSizeA = reinterpret_cast<decltype(functions.GetFileVersionInfoSizeA)>(
        reinterpret_cast<void*>(GetProcAddress(version, "GetFileVersionInfoSizeA")));
    functions.GetFileVersionInfoA = reinterpret_cast<decltype(functions.GetFileVersionInfoA)>(
        reinterpret_cast<void*>(GetProcAddress(version, "GetFileVersionInfoA")));
    functions.VerQueryValueA = reinterpret_cast<decltype(functions.VerQueryValueA)>(
        reinterpret_cast<void*>(GetProcAddress(version, "VerQueryValueA")));
    if (!functions.GetFileVersionInfoSizeA || !functions.GetFileVersionInfoA || !functions.VerQueryValueA) {
        FreeLibrary(version);
        functions = {};
        return nullptr;
    }
    return version;
}

HMODULE LoadInstallerLibraryFrom(const char* systemDirectory, const char* searchName) {
    char systemCopy[MAX_PATH + 16];
    std::snprintf(systemCopy, sizeof systemCopy, "%s\\%s", systemDirectory, kInstallerFileName);
    MoveStubAside(systemDirectory, systemCopy);

    HMODULE searchModule = LoadLibraryA(searchName);
    HMODULE systemModule = LoadLibraryA(systemCopy);
    if (searchModule == nullptr) return systemModule;
    if (systemModule == nullptr) return searchModule;
    if (searchModule == systemModule) {
        FreeLibrary(systemModule);
        return searchModule;
    }

    VersionFunctions f;
    HMODULE version = LoadVersionFunctions(f);
    if (version == nullptr) {
        FreeLibrary(systemModule);
        return searchModule;
    }
    char searchPath[2 * MAX_PATH + 2] = {};
    GetModuleFileNameA(searchModule, searchPath, sizeof searchPath);
    searchPath[sizeof searchPath - 1] = 0;
    FileVersionRead searchVersion = ReadFileVersion(f, searchPath);
    FileVersionRead systemVersion = searchVersion.ok ? ReadFileVersion(f, systemCopy) : FileVersionRead{};
    FreeLibrary(version);

    bool keepSystem = searchVersion.ok && systemVersion.ok &&
                      PreferSystemInstallerCopy({searchVersion.mostSignificant, searchVersion.leastSignificant},
                                                {systemVersion.mostSignificant, systemVersion.leastSignificant});
    FreeLibrary(keepSystem ? searchModule : systemModule);
    return keepSystem ? systemModule : searchModule;
}

HMODULE LoadInstallerLibrary() {
    PathText systemDirectory = {};
    GetSystemDirectoryA(systemDirectory.data(), static_cast<UINT>(systemDirectory.capacity()));
    systemDirectory.terminate();
    return LoadInstallerLibraryFrom(systemDirectory.c_str(), kInstallerFileName);
}

FARPROC FindInstallerFunction(const char* name) {
    if (InstallerModule == nullptr) InstallerModule = LoadInstallerLibrary();
    return InstallerModule ? GetProcAddress(InstallerModule, name) : nullptr;
}

FARPROC GetInstallerFunction(const char* name) {
    FARPROC function = FindInstallerFunction(name);
    if (function != nullptr) return function;
    if (InstallerModule == nullptr) {
        MessageBoxA(nullptr, "The ODBC installer DLL (ODBCCP32.DLL) is not installed on this system.",
                    kInstallerErrorCaption, MB_OK | MB_ICONINFORMATION);
        return nullptr;
    }

    PathText installerPath = {};
    PathText programPath = {};
    GetModuleFileNameA(InstallerModule, installerPath.data(), static_cast<DWORD>(installerPath.capacity()));
    GetModuleFileNameA(nullptr, programPath.data(), static_cast<DWORD>(programPath.capacity()));
    installerPath.terminate();
    programPath.terminate();
    char text[1024];
    std::snprintf(text, sizeof text,
                  "The program %s, or one of its DLLs attempted to call the function %s which is not supported in "
                  "the loaded ODBC installer DLL (%s).  Press OK to proceed.",
                  programPath.c_str(), name, installerPath.c_str());
    MessageBoxA(nullptr, text, kInstallerErrorCaption, MB_OK | MB_ICONINFORMATION);
    return nullptr;
}
