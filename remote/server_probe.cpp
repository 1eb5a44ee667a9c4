// Finds a connected server's engine type from its version answer, starting the local
// engine through the engine interface when the server answers neither as type 1 nor 5.
#include <cstdlib>
#include <cstring>
#include <new>

#include "remote/server_probe.h"

#include "remote/engine_interface.h"
#include "remote/request_records.h"
#include "setup/messages.h"

std::uint16_t ServerType = 0;
char ServerPlatformCode[5] = {};

const char kEngineConnectionMessage[] =
    "Cannot connect to Quillmere.SQL Server Engine, Workgroup Engine or Workstation Engine. Make sure either the "
    "Quillmere.SQL Server is started or Quillmere.SQL Workstation Engine is installed.";

namespace {

constexpr std::size_t kEngineBufferSize = 57000;  // the data buffer of operation 26

// Asks the server for its version as the given type; on success keeps the platform code
// and answers the type the caller stores (25 for major version 10 and later).
bool AskVersion(std::int32_t session, std::uint16_t askAs, int& type) {
    std::uint8_t record[20] = {};
    if (DBUGetVersion(session, askAs, 0, sizeof record, record) != 0) return false;
    VersionAnswer v = ReadVersionAnswer(record, sizeof record);
    std::memcpy(ServerPlatformCode, v.platform, sizeof ServerPlatformCode);
    type = v.major >= 10 ? 25 : askAs;
    return true;
}

}  // namespace

int ProbeServerType(HWND window, std::int32_t session) {
    if (session == kNoRemoteSession) return -1;
    int type = -1;
    if (AskVersion(session, 1, type) || AskVersion(session, 5, type)) return type;

    auto* data = new (std::nothrow) unsigned char[kEngineBufferSize]();
    if (data == nullptr) {
        if (window == nullptr) PostRefusal(kInstallerOutOfMemory, kMessageNoMemory);
        return -1;
    }
    // Not freed here on purpose: the attribute buffer is handed over with the identity and
    // is the string library's to keep.
    void* attributes = std::malloc(kClientAttributeBufferSize);
    initVdexIDClientAttrib(ClientIdentity, attributes);
    std::uint8_t position[128] = {};
    std::int32_t dataLength = 75;
    std::int32_t zero = 0;
    std::int32_t status = CallEngine(26, position, data, &dataLength, 75, nullptr, &zero, 0, 0, ClientIdentity);
    delete[] data;

    if (status == 0 && AskVersion(session, 5, type)) return type;
    ShowFailure(window, kEngineConnectionMessage);  // shown even without a window
    if (window == nullptr) PostRefusal(kInstallerRequestFailed, kEngineConnectionMessage);
    return -1;
}
