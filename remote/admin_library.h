// The product's remote administration library w64rmadm.dll: opened on first use, its
// entries resolved into a call table, one wrapper per entry. A wrapper whose entry is not
// available answers 8005 without calling anything.
#pragma once

#include <cstdint>

#include "platform/qscore.h"

// Status codes the callers test.
constexpr std::uint16_t kStatusSuccess = 0;
constexpr std::uint16_t kStatusNoMemory = 222;
constexpr std::uint16_t kStatusDictionaryExists = 290;
constexpr std::uint16_t kStatusMoreNames = 2300;
constexpr std::uint16_t kStatusDatabaseExists = 2303;
constexpr std::uint16_t kStatusDictionaryPathMissing = 2305;
constexpr std::uint16_t kStatusDictionaryShared = 2313;
constexpr std::uint16_t kStatusEngineDsnExists = 4111;
constexpr std::uint16_t kStatusEntryNotAvailable = 8005;
constexpr std::uint16_t kStatusEngineNotLoaded = 8020;

// A row of a run-time library's call table; the last row is the terminator.
struct CallTableRow {
    const wchar_t* name;           // the plain export name, used for resolution
    const wchar_t* decoratedName;  // the 32-bit decorated name, documenting the argument count
    std::uint16_t index;
    void* address;                 // empty until resolved
};

// The one session shared by the dialogs and the commit; -2 when none is open. Each
// ConfigDSN call starts with none.
extern std::int32_t RemoteSession;
constexpr std::int32_t kNoRemoteSession = -2;

extern CallTableRow AdminCallTable[9];
extern std::uint16_t AdminLibraryLoaded;
extern std::int32_t AdminLibraryUsers;
extern QSHandle AdminLibraryHandle;  // (QSHandle)-1 while closed

// Opens a run-time library by bare file name: from an installation's "bin" directory when
// it is there, else by the system's search. 0 and the handle, or the open's failure.
std::int32_t LoadRuntimeLibrary(const wchar_t* fileName, QSHandle* handle);

std::uint16_t DBUGetInfo(std::int32_t session, std::uint16_t serverType, std::uint16_t infoCode,
                         std::uint32_t requestLength, void* request, std::uint32_t answerLength, void* answer);
std::uint16_t DBUSetInfo(std::int32_t session, std::uint16_t serverType, std::uint16_t infoCode,
                         std::uint32_t recordLength, void* record);
std::uint16_t DBUGetVersion(std::int32_t session, std::uint16_t askAsType, std::uint16_t zero, std::uint32_t length,
                            void* versionRecord);
std::uint16_t DBUConnect(const char* server, const char* user, const char* password, std::int32_t* session);
std::uint16_t DBUDisconnect(std::int32_t* session);
std::uint16_t DBUStart(void* reserved);
std::uint16_t DBUStop(void* reserved);
std::uint16_t QmListDSNs(std::int32_t session, std::uint32_t* length, char* buffer, std::uint8_t flag);

// The status texts come from the utility string library.
#include "platform/string_library.h"
