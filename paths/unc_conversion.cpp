// The system side of path resolution: the services one conversion opens and closes
// (platform family, the network provider router, the NetWare client) and the Windows,
// router and client calls, each checked before its answer is believed.
#include "paths/unc_conversion.h"

#include <windows.h>
#include <winnetwk.h>

#include <cstring>

#include "paths/path_platform.h"
#include "paths/text_encodings.h"
#include "paths/unc_resolver.h"
#include "platform/netware_client.h"
#include "platform/qscore.h"
#include "remote/server_probe.h"
#include "setup/call_values.h"

std::uint16_t NetWareProbed = 0;

namespace {

using UniversalNameEntry = DWORD(APIENTRY*)(LPCSTR, DWORD, LPVOID, LPDWORD);
using ConnectionEntry = DWORD(APIENTRY*)(LPCSTR, LPSTR, LPDWORD);

constexpr int kNetWareMissing = -3;
constexpr std::size_t kEnumBlockSize = 16384;
constexpr DWORD kAllEntries = 0xFFFFFFFF;
constexpr std::size_t kNetWareServerSize = 56;
constexpr std::size_t kNetWareVolumeSize = 81;

struct NetWareClient {
    QSHandle library = nullptr;
    NWCallsInitEntry init = nullptr;
    NWParsePathEntry parse = nullptr;
};
NetWareClient NetWare;

void UnloadNetWareClient() {
    if (NetWare.library) QSLibClose(NetWare.library);
    NetWare = NetWareClient();
}

QSResult OpenLibrary(const char* name, QSHandle* library) {
    wchar_t wide[511];
    if (QSAnsiToUnicode(wide, name, 511) != 0) return -1;
    return QSLibOpen(wide, library);
}

template <typename Entry>
Entry Symbol(QSHandle library, const wchar_t* name) {
    void* entry = nullptr;
    return library && QSLibGetSymbol(library, name, &entry) == 0 ? reinterpret_cast<Entry>(entry) : nullptr;
}

// A text the system wrote into [begin, end): terminated inside it.
bool TerminatedWithin(const char* text, const char* begin, const char* end) {
    return text >= begin && text < end && std::memchr(text, 0, static_cast<std::size_t>(end - text)) != nullptr;
}

// The services of one conversion: opened by the constructor, closed by the destructor.
class WindowsPathPlatform final : public PathPlatform {
public:
    WindowsPathPlatform() {
        OSVERSIONINFOA version = {};
        version.dwOSVersionInfoSize = sizeof version;  // 148
        if (GetVersionExA(&version))
            family_ = (version.dwPlatformId & 1) ? kWin9xFamily : static_cast<int>(version.dwPlatformId & 2);
        if (OpenLibrary("mpr.dll", &mpr_) != 0) mpr_ = nullptr;
        universalName_ = Symbol<UniversalNameEntry>(mpr_, L"WNetGetUniversalNameA");
        connectionName_ = Symbol<ConnectionEntry>(mpr_, L"WNetGetConnectionA");
    }
    ~WindowsPathPlatform() {
        if (mpr_) QSLibClose(mpr_);
        if (NetWare.library) {
            UnloadNetWareClient();
            NetWareProbed = 0;  // a present client is loaded again by the next conversion
        }
    }

    int family() override { return family_; }

    bool fullPathName(const char* path, AnsiPath& full) override {
        char buffer[MAX_PATH];
        DWORD n = GetFullPathNameA(path, MAX_PATH, buffer, nullptr);
        if (n == 0 || n >= MAX_PATH) return false;
        full.assign(buffer, n);
        return true;
    }

    unsigned driveType(char letter) override {
        const char root[4] = {letter, ':', '\\', 0};
        return GetDriveTypeA(root);
    }

    bool queryDosDevice(char letter, DeviceName& answer, std::uint32_t* stored) override {
        const char drive[3] = {letter, ':', 0};
        char buffer[256];
        DWORD n = QueryDosDeviceA(drive, buffer, sizeof buffer);
        if (n == 0 || n > sizeof buffer) return false;
        answer.assign(buffer, n);
        *stored = n;
        return true;
    }

    bool hasUniversalName() override { return universalName_ != nullptr; }
    std::uint32_t universalName(const char* path, std::uint32_t* size, UniversalName& unc) override {
        alignas(UNIVERSAL_NAME_INFOA) char buffer[780];
        DWORD bytes = *size < sizeof buffer ? *size : sizeof buffer;  // never more room than there is
        DWORD error = universalName_(path, UNIVERSAL_NAME_INFO_LEVEL, buffer, &bytes);
        *size = bytes;
        if (error != 0) return error;
        const char* text = reinterpret_cast<UNIVERSAL_NAME_INFOA*>(buffer)->lpUniversalName;
        if (!TerminatedWithin(text, buffer + sizeof(UNIVERSAL_NAME_INFOA), buffer + sizeof buffer))
            return ERROR_INVALID_DATA;
        unc.assign(text);
        return 0;
    }

    bool hasConnectionName() override { return connectionName_ != nullptr; }
    std::uint32_t connectionName(char letter, std::uint32_t* size, AnsiPath& remote) override {
        const char drive[3] = {letter, ':', 0};
        char buffer[260];
        DWORD bytes = *size < sizeof buffer ? *size : sizeof buffer;
        DWORD error = connectionName_(drive, buffer, &bytes);
        *size = bytes;
        if (error != 0) return error;
        if (!TerminatedWithin(buffer, buffer, buffer + sizeof buffer)) return ERROR_INVALID_DATA;
        remote.assign(buffer);
        return 0;
    }

    void wait(unsigned milliseconds) override { Sleep(milliseconds); }

    // The search ends at the list's end, at the first entry whose server is host, or at
    // any error of the router (a batch it cannot give is treated as the end).
    Connection connectionTo(const char* host) override {
        HANDLE list = nullptr;
        if (WNetOpenEnumA(RESOURCE_CONNECTED, RESOURCETYPE_ANY, 0, nullptr, &list) != NO_ERROR) return Connection::None;
        Connection found = Connection::None;
        for (bool more = true; more && found == Connection::None;) {
            void* block = GlobalAlloc(GPTR, kEnumBlockSize);
            if (block == nullptr) break;
            DWORD count = kAllEntries, size = kEnumBlockSize;
            more = WNetEnumResourceA(list, &count, block, &size) == NO_ERROR;
            if (more) found = Match(static_cast<const char*>(block), count, host);
            GlobalFree(block);
        }
        WNetCloseEnum(list);
        return found;
    }

    bool netWareReady() override {
        if (!NetWareProbed) LoadNetWareClient();
        return NetWare.parse != nullptr;
    }

    int netWareParsePath(const char* oemPath, NetWareAnswer& answer) override {
        // Laid out as the client's callers lay it out: server, volume, then the path.
        char block[kPartsBufferSize] = {};
        char* server = block;
        char* volume = server + kNetWareServerSize;
        char* path = volume + kNetWareVolumeSize;
        char* end = block + sizeof block;
        std::uint32_t connection = 0;
        if (NetWare.parse(oemPath, server, &connection, volume, path) != 0) return -1;
        if (!TerminatedWithin(server, server, volume) || !TerminatedWithin(volume, volume, path) ||
            !TerminatedWithin(path, path, end))
            return -1;
        answer.server.assign(server);
        answer.volume.assign(volume);
        answer.path.assign(path);
        return 0;
    }

    bool localHostName(HostName& name) override {
        char buffer[1026];
        if (QSGetHostNameA(buffer, sizeof buffer) != 0 || std::memchr(buffer, 0, sizeof buffer) == nullptr) return false;
        name.assign(buffer);
        return true;
    }

    bool isThisMyComputer(const char* host) override { return QSIsThisMyComputerA(host) != 0; }

private:
    static Connection Match(const char* block, DWORD count, const char* host) {
        const char* end = block + kEnumBlockSize;
        if (count > kEnumBlockSize / sizeof(NETRESOURCEA)) count = kEnumBlockSize / sizeof(NETRESOURCEA);
        const NETRESOURCEA* entries = reinterpret_cast<const NETRESOURCEA*>(block);
        for (DWORD i = 0; i < count; ++i) {
            const char* remote = entries[i].lpRemoteName;
            const char* provider = entries[i].lpProvider;
            if (remote == nullptr || provider == nullptr || !TerminatedWithin(remote, block, end) ||
                !TerminatedWithin(provider, block, end))
                continue;
            if (RemoteNameNamesHost(remote, host)) return IsNetWareProvider(provider) ? Connection::NetWare : Connection::Plain;
        }
        return Connection::None;
    }

    int family_ = kOtherFamily;
    QSHandle mpr_ = nullptr;
    UniversalNameEntry universalName_ = nullptr;
    ConnectionEntry connectionName_ = nullptr;
};

}  // namespace

int LoadNetWareClient() {
    NetWareProbed = 1;
    QSHandle probe = nullptr;
    if (OpenLibrary("CLNWIN32.DLL", &probe) != 0) return kNetWareMissing;
    QSLibClose(probe);
    if (OpenLibrary("CALWIN32.DLL", &NetWare.library) != 0) {
        NetWare = NetWareClient();
        return kNetWareMissing;
    }
    NetWare.init = Symbol<NWCallsInitEntry>(NetWare.library, L"NWCallsInit");
    if (NetWare.init == nullptr || NetWare.init(nullptr, nullptr) != 0) {
        UnloadNetWareClient();
        return kNetWareMissing;
    }
    NetWare.parse = Symbol<NWParsePathEntry>(NetWare.library, L"NWParsePath");
    if (NetWare.parse == nullptr) {
        UnloadNetWareClient();
        return kNetWareMissing;
    }
    return 0;
}

int ConvertToUnc(const char* path, ProfileText& output, std::uint32_t lookUpConnections) {
    WindowsPathPlatform platform;
    InitTextEncodings();
    char platformCode[sizeof ServerPlatformCode + 1] = {};
    std::memcpy(platformCode, ServerPlatformCode, sizeof ServerPlatformCode);
    DsnServer server{Settings && Settings->ServerName.isSet ? Settings->ServerName.value.c_str() : "", platformCode};
    return FormatUncPath(platform, path, output, lookUpConnections, server);
}
