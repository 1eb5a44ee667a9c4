// One builder per request record: lays the record out, sends it with the session and
// server type, reads the answer into the caller's variables. Each answers the call's
// status, or 222 when its record could not be made.
#pragma once

#include <cstdint>

#include "remote/request_records.h"

std::int32_t CreateEngineDsn(std::int32_t session, std::uint16_t serverType, std::uint16_t translation, const char* name,
                             const char* description, const char* database, const char* openMode);
std::int32_t ModifyEngineDsn(std::int32_t session, std::uint16_t serverType, std::uint16_t translation, const char* name,
                             const char* description, const char* database, const char* openMode);
std::int32_t DeleteEngineDsn(std::int32_t session, std::uint16_t serverType, const char* name);
// The three texts are 513-byte buffers; nothing is written unless the status is 0.
std::int32_t GetEngineDsn(std::int32_t session, std::uint16_t serverType, std::uint16_t* translation, const char* name,
                          char* description, char* database, char* openMode);
std::int32_t GetDatabaseCount(std::int32_t session, std::uint16_t serverType, std::uint64_t* count);
// byteLength: in, 20 times the count; out, the name bytes copied into names (L + 1 bytes).
std::int32_t GetDatabaseNames(std::int32_t session, std::uint16_t serverType, std::uint64_t* byteLength, char* names);
std::int32_t GetDatabaseInfo(std::int32_t session, std::uint16_t serverType, const char* name,
                             DatabaseAttributes* attributes, std::uint64_t* dictionaryLength, char* dictionary,
                             std::uint64_t* dataLength, char* dataFiles);
std::int32_t CreateDatabase(std::int32_t session, std::uint16_t serverType, const char* name,
                            const DatabaseAttributes* attributes, std::uint64_t dictionaryLength, const char* dictionary,
                            std::uint64_t dataLength, const char* dataFiles);
