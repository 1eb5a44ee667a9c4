#include "tests/support/network_double.h"

#include <winnetwk.h>

#include <cstring>

#include "platform/qscore.h"
#include "tests/support/import_hook.h"

namespace {

NetworkScenario* Active = nullptr;
int BatchesOfThisList = 0;
void* RealGetSymbol = nullptr;

bool Busy() {
    if (Active->busyForever) return true;
    if (Active->busyAnswers.empty()) return false;
    Active->busyAnswers.pop_front();
    return true;
}

// The drive's remote name, as the router has it; ERROR_NOT_CONNECTED for any other drive.
DWORD RemoteOf(const char* local, std::string* remote) {
    if (local == nullptr || std::toupper(static_cast<unsigned char>(local[0])) != Active->drive || local[1] != ':')
        return ERROR_NOT_CONNECTED;
    *remote = Active->remoteName;
    return NO_ERROR;
}

DWORD APIENTRY UniversalName(LPCSTR local, DWORD level, LPVOID buffer, LPDWORD size) {
    Active->nameSizes.push_back(*size);
    if (level != UNIVERSAL_NAME_INFO_LEVEL) return ERROR_NOT_SUPPORTED;
    if (Busy()) return RPC_S_SERVER_TOO_BUSY;
    std::string remote;
    if (DWORD e = RemoteOf(local, &remote)) return e;
    std::string unc = remote + (local + 2);
    DWORD needed = static_cast<DWORD>(sizeof(UNIVERSAL_NAME_INFOA) + unc.size() + 1);
    if (*size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    auto* info = static_cast<UNIVERSAL_NAME_INFOA*>(buffer);
    info->lpUniversalName = reinterpret_cast<char*>(info + 1);
    std::memcpy(info->lpUniversalName, unc.c_str(), unc.size() + 1);
    return NO_ERROR;
}

DWORD APIENTRY ConnectionName(LPCSTR local, LPSTR remoteName, LPDWORD size) {
    Active->nameSizes.push_back(*size);
    if (Busy()) return RPC_S_SERVER_TOO_BUSY;
    std::string remote;
    if (DWORD e = RemoteOf(local, &remote)) return e;
    if (*size < remote.size() + 1) {
        *size = static_cast<DWORD>(remote.size() + 1);
        return ERROR_MORE_DATA;
    }
    std::memcpy(remoteName, remote.c_str(), remote.size() + 1);
    return NO_ERROR;
}

QSResult GetSymbol(QSHandle library, const wchar_t* name, void** entry) {
    bool universal = std::wcscmp(name, L"WNetGetUniversalNameA") == 0;
    bool connection = std::wcscmp(name, L"WNetGetConnectionA") == 0;
    if (universal || connection) {
        if (Active->entriesMissing) return E_FAIL;
        *entry = universal ? reinterpret_cast<void*>(&UniversalName) : reinterpret_cast<void*>(&ConnectionName);
        return 0;
    }
    return reinterpret_cast<decltype(&QSLibGetSymbol)>(RealGetSymbol)(library, name, entry);
}

HANDLE const kList = reinterpret_cast<HANDLE>(0x5EED);

DWORD APIENTRY OpenEnum(DWORD scope, DWORD type, DWORD usage, LPNETRESOURCEA, LPHANDLE list) {
    if (Active->openFails || scope != RESOURCE_CONNECTED || type != RESOURCETYPE_ANY || usage != 0)
        return ERROR_NO_NETWORK;
    *list = kList;
    BatchesOfThisList = 0;
    return NO_ERROR;
}

// The first batch holds every connection (records first, their texts after them); then
// the list ends, or fails as the scenario says.
DWORD APIENTRY EnumResource(HANDLE list, LPDWORD count, LPVOID buffer, LPDWORD size) {
    if (list != kList) return ERROR_INVALID_HANDLE;
    ++Active->batches;
    if (BatchesOfThisList++ > 0) return Active->afterFirstBatch;
    auto* records = static_cast<NETRESOURCEA*>(buffer);
    char* texts = reinterpret_cast<char*>(records + Active->connections.size());
    DWORD n = 0;
    for (const auto& c : Active->connections) {
        if (n == *count) break;
        NETRESOURCEA& r = records[n++];
        std::memset(&r, 0, sizeof r);
        r.dwScope = RESOURCE_CONNECTED;
        r.lpRemoteName = std::strcpy(texts, c.first.c_str());
        texts += c.first.size() + 1;
        r.lpProvider = std::strcpy(texts, c.second.c_str());
        texts += c.second.size() + 1;
    }
    if (static_cast<DWORD>(texts - static_cast<char*>(buffer)) > *size) return ERROR_MORE_DATA;
    *count = n;
    return n ? NO_ERROR : ERROR_NO_MORE_ITEMS;
}

DWORD APIENTRY CloseEnum(HANDLE list) {
    ++Active->closes;
    return list == kList ? NO_ERROR : ERROR_INVALID_HANDLE;
}

void WINAPI RecordSleep(DWORD milliseconds) { Active->sleeps.push_back(milliseconds); }

BOOL WINAPI Version(LPOSVERSIONINFOA info) {
    if (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) return FALSE;
    std::memset(reinterpret_cast<char*>(info) + sizeof info->dwOSVersionInfoSize, 0,
                sizeof *info - sizeof info->dwOSVersionInfoSize);
    info->dwMajorVersion = Active->platformId == VER_PLATFORM_WIN32_NT ? 6 : 4;
    info->dwPlatformId = Active->platformId;
    return TRUE;
}

}  // namespace

NetworkDouble::NetworkDouble(NetworkScenario& scenario) {
    Active = &scenario;
    HMODULE program = GetModuleHandleA(nullptr);
    auto hook = [&](const char* dll, const char* name, void* replacement) {
        hooks_.push_back(std::make_unique<ImportHook>(program, dll, name, replacement));
        return hooks_.back()->original();
    };
    RealGetSymbol = hook("w64qscore3.dll", "QSLibGetSymbol", reinterpret_cast<void*>(&GetSymbol));
    hook("mpr.dll", "WNetOpenEnumA", reinterpret_cast<void*>(&OpenEnum));
    hook("mpr.dll", "WNetEnumResourceA", reinterpret_cast<void*>(&EnumResource));
    hook("mpr.dll", "WNetCloseEnum", reinterpret_cast<void*>(&CloseEnum));
    hook("kernel32.dll", "Sleep", reinterpret_cast<void*>(&RecordSleep));
    hook("kernel32.dll", "GetVersionExA", reinterpret_cast<void*>(&Version));
}

bool NetworkDouble::installed() const {
    for (const auto& h : hooks_)
        if (!h->installed()) return false;
    return true;
}

NetworkDouble::~NetworkDouble() {
    hooks_.clear();
    Active = nullptr;
}
