#include "setup/install_lookup.h"

#include <cwchar>
#include <new>

#include "platform/fixed_text.h"
#include "platform/qscore.h"
#include "platform/utf16.h"
#include "setup/install_paths.h"

const wchar_t* const InstallInfoKeys[3] = {
    L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL Client\\InstallInfo",
    L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL Workgroup\\InstallInfo",
    L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL NT Server\\InstallInfo",
};

namespace {

constexpr std::size_t kWorkingCharacters = 261;

// One key, machine root first, then the user's; each read gets the caller's capacity.
bool ReadFromKey(const wchar_t* key, const wchar_t* valueName, std::uint32_t capacity, std::uint32_t* byteSize,
                 wchar_t* buffer) {
    for (std::int32_t root : {QS_ROOT_LOCAL_MACHINE, QS_ROOT_CURRENT_USER}) {
        std::uint32_t size = capacity;
        std::uint32_t type = 0;
        if (QSRegistryGetValue(root, key, valueName, &type, buffer, &size) == 0) {
            *byteSize = size;
            return true;
        }
    }
    return false;
}

std::int32_t GetInstallDirectory(const wchar_t* valueName, std::uint32_t* byteSize, wchar_t* buffer) {
    std::uint32_t capacity = *byteSize;
    std::int32_t result = GetInstallValue(valueName, byteSize, buffer);
    if (result == 0)
        StripTrailingBackslash(AsUtf16(buffer), *byteSize, capacity);
    return result;
}

// A found file's path goes to the caller when it fits with its terminator.
std::int32_t HandOver(const wchar_t* path, std::uint64_t* capacity, wchar_t* output) {
    std::uint64_t needed = std::wcslen(path) + 1;
    std::int32_t result = kResultBufferTooSmall;
    if (needed <= *capacity) {
        std::wmemcpy(output, path, static_cast<std::size_t>(needed));
        result = 0;
    }
    *capacity = needed;
    return result;
}

bool OpensForReading(const wchar_t* path) {
    QSHandle file = nullptr;
    if (QSFileOpen(path, 0x80000000 /* GENERIC_READ */, 0, &file) != 0) return false;
    QSFileClose(file);
    return true;
}

class PortableDirectories : public DirectoryOperations {
public:
    bool exists(const std::u16string& path) override {
        QSHandle dir = nullptr;
        if (QSDirOpen(AsWide(path), &dir) != 0) return false;
        QSDirClose(dir);
        return true;
    }
    std::int32_t create(const std::u16string& path) override {
        return QSDirCreate(AsWide(path), nullptr);
    }
};

}  // namespace

std::int32_t GetInstallValue(const wchar_t* valueName, std::uint32_t* byteSize, wchar_t* buffer) {
    if (byteSize == nullptr || buffer == nullptr) return kResultFail;
    const std::uint32_t capacity = *byteSize;
    for (const wchar_t* key : InstallInfoKeys)
        if (ReadFromKey(key, valueName, capacity, byteSize, buffer)) return 0;
    return kResultFail;
}

std::int32_t GetInstallDataDir(std::uint32_t* byteSize, wchar_t* buffer) {
    return GetInstallDirectory(L"InstallData", byteSize, buffer);
}
std::int32_t GetInstallDir(std::uint32_t* byteSize, wchar_t* buffer) {
    return GetInstallDirectory(L"InstallDir", byteSize, buffer);
}
std::int32_t GetInstallDir64(std::uint32_t* byteSize, wchar_t* buffer) {
    return GetInstallDirectory(L"InstallDir64", byteSize, buffer);
}

std::int32_t CreateDirectoryPath(const wchar_t* path) {
    if (path == nullptr) return kResultFail;
    PortableDirectories directories;
    try {
        return CreateDirectoryPathWith(AsUtf16(path), directories);
    } catch (const std::bad_alloc&) {
        return kResultFail;
    }
}

std::int32_t FindInstalledLibrary(const wchar_t* libraryName, std::uint64_t* capacity, wchar_t* output) {
    if (libraryName == nullptr || capacity == nullptr || output == nullptr) return kResultFail;
    // Built in the working buffer, never on the heap: the engine interface's loader calls
    // this with its spin lock held, where nothing may throw.
    const wchar_t kBin[] = L"\\bin\\";
    const std::size_t binLength = std::wcslen(kBin), nameLength = std::wcslen(libraryName);
    for (const wchar_t* key : InstallInfoKeys) {
        WideText<kWorkingCharacters> working = {};
        std::uint32_t size = 0;
        if (!ReadFromKey(key, L"InstallDir64", sizeof working.bytes, &size, working.data())) continue;
        working.terminate();
        // A path that would not fit the working buffer is refused; the next key may do.
        if (working.length() + binLength + nameLength > working.maxLength()) continue;
        working.append(kBin);
        working.append(libraryName);
        if (OpensForReading(working.c_str())) return HandOver(working.c_str(), capacity, output);
    }
    if (!OpensForReading(libraryName)) return kResultFileNotFound;
    return HandOver(libraryName, capacity, output);
}
