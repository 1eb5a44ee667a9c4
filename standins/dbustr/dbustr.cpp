// Stand-in of the utility string library wdbustr64.dll: status texts and the client
// identity of engine calls.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#define DBUSTR_BUILDING
#include "platform/string_library.h"
#include "standins/scenario/statuses.h"

namespace {

struct KnownStatus { std::uint16_t status; const char* text; };

const KnownStatus kTexts[] = {
    {kSuccess, "The operation completed successfully."},
    {kNoMemory, "There is not enough memory to build the request."},
    {kDictionaryExists, "The dictionary files already exist at the specified location."},
    {kMoreNames, "More named databases exist than were returned."},
    {kDatabaseExists, "A named database with this name already exists."},
    {kDictionaryPathMissing, "The dictionary path does not exist."},
    {kDictionaryShared, "The dictionary files are in use by another named database."},
    {kEngineDsnExists, "An engine data source with this name already exists."},
    {kEntryNotAvailable, "The remote administration function is not available."},
    {kEngineNotLoaded, "The engine interface library could not be loaded."},
    {kServerNotReachable, "The server could not be reached."},
    {kLogonRefused, "The user name or password is not valid on the server."},
    {kSessionNotOpen, "No session to the server is open."},
    {kWrongEngineType, "The server does not answer as this engine type."},
    {kDatabaseNotFound, "The named database does not exist on the server."},
    {kEngineDsnNotFound, "The engine data source does not exist on the server."},
    {kMalformedRecord, "The server could not read the request."},
    {kInfoCodeNotSupported, "The server does not support this request."},
};

}  // namespace

// Callers hand a buffer of kStatusTextCapacity bytes.
DBUSTR_API std::uint16_t DBUGetString(std::uint16_t status, char* buffer, std::uint16_t) {
    if (buffer == nullptr) return 1;
    for (const KnownStatus& t : kTexts) {
        if (t.status == status) {
            std::snprintf(buffer, kStatusTextCapacity, "%s", t.text);
            return 0;
        }
    }
    std::snprintf(buffer, kStatusTextCapacity, "Status %u.", static_cast<unsigned>(status));
    return 0;
}

// Fills the 32-byte identity: a tag, this process and thread, and the computer's name.
DBUSTR_API std::uint16_t initVdexIDClientAttrib(void* identity, void* attributes) {
    if (identity == nullptr) return 1;
    unsigned char* id = static_cast<unsigned char*>(identity);
    std::memset(id, 0, kClientIdentitySize);
    std::memcpy(id, "QMCL", 4);
    DWORD pid = GetCurrentProcessId(), tid = GetCurrentThreadId();
    std::memcpy(id + 4, &pid, 4);
    std::memcpy(id + 8, &tid, 4);
    DWORD size = 19;
    GetComputerNameA(reinterpret_cast<char*>(id + 12), &size);
    if (attributes != nullptr) std::snprintf(static_cast<char*>(attributes), kClientAttributeBufferSize, "client=%lu", pid);
    return 0;
}
