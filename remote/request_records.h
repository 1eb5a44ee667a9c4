// The packed records exchanged with the administration library: encoders for requests
// and bounds-checked readers of answers. The answers are treated as hostile: no length in
// them can make a reader go past the answer buffer or a caller's output. Windows-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/fixed_text.h"

using Record = std::vector<std::uint8_t>;
// A request record, or none when one of its lengths does not fit the 16-bit field that
// carries it (the builders then answer 222 and send nothing).
using EncodedRecord = std::optional<Record>;

// Information codes.
constexpr std::uint16_t kInfoDatabaseCount = 4115;
constexpr std::uint16_t kInfoDatabaseDetails = 4116;
constexpr std::uint16_t kInfoDatabaseNames = 4117;
constexpr std::uint16_t kInfoCreateDatabase = 4166;
constexpr std::uint16_t kInfoDeleteEngineDsn = 5202;
constexpr std::uint16_t kInfoCreateEngineDsn = 5205;
constexpr std::uint16_t kInfoModifyEngineDsn = 5206;
constexpr std::uint16_t kInfoReadEngineDsn = 5207;

constexpr std::size_t kDatabaseNameSlot = 20;
// The most names one 4117 request can ask for: its byte length travels in 16 bits.
constexpr std::uint64_t kMostDatabaseNamesPerRequest = 0xFFFF / kDatabaseNameSlot;  // 3,276
// The byte length L to ask for when the server holds count databases: a server that holds
// more than one request can carry is listed up to that many.
std::uint64_t DatabaseNamesByteLength(std::uint64_t count);

struct DatabaseAttributes {
    std::uint8_t bound;
    std::uint8_t integrityEnforced;
    std::uint8_t createDictionary;
    std::uint8_t securityModel;
    std::uint8_t longMetadata;
    std::uint16_t codePage;
};

// 5205 and 5206: translation at 2, then name, description, database and open mode items.
EncodedRecord EncodeEngineDsnRecord(std::uint16_t translation, const char* name, const char* description,
                             const char* database, const char* openMode);
// 5202: the name item at 2, nine reserved bytes after it.
EncodedRecord EncodeDeleteEngineDsn(const char* name);
// 5207: the name item at 4, nine reserved bytes after it; the answer buffer's size.
EncodedRecord EncodeReadEngineDsnRequest(const char* name);
std::size_t ReadEngineDsnAnswerSize(const char* name);

struct EngineDsnAnswer {
    std::uint16_t translation;
    FixedText<513> description;
    FixedText<513> database;
    FixedText<513> openMode;
};
// Reads the answer; items that run past the answer are read as empty texts.
EngineDsnAnswer ReadEngineDsnAnswer(const std::uint8_t* answer, std::size_t size);

// 4115: the 16-bit count in the 2-byte answer, widened.
std::uint64_t ReadDatabaseCountAnswer(const std::uint8_t* answer, std::size_t size);

// 4117: one buffer of L + 3 bytes for request and answer.
EncodedRecord EncodeDatabaseNamesRequest(std::uint64_t byteLength);
// Copies the answered name bytes (never more than asked, nor more than the answer holds)
// into names (capacity bytes) and returns how many were copied.
std::uint64_t ReadDatabaseNamesAnswer(const std::uint8_t* answer, std::size_t size, std::uint64_t asked,
                                      char* names, std::size_t capacity);
// The name in 20-byte slot i of a names buffer of the given length, terminated.
FixedText<21> DatabaseNameAt(const char* names, std::uint64_t length, std::size_t slot);

// 4116 and 4166: D and K, the attributes, the name item, the data and dictionary slots.
EncodedRecord EncodeDatabaseRecord(const char* name, const DatabaseAttributes& attributes, std::uint64_t dictionaryLength,
                            const char* dictionary, std::uint64_t dataLength, const char* dataFiles);

struct DatabaseDetails {
    std::uint64_t dataLength;        // D as answered
    std::uint64_t dictionaryLength;  // K as answered
    DatabaseAttributes attributes;
};
// Reads a 4116 answer; the texts go into the caller's buffers (dataCapacity and
// dictionaryCapacity bytes each, always terminated).
DatabaseDetails ReadDatabaseDetailsAnswer(const std::uint8_t* answer, std::size_t size, char* dataFiles,
                                          std::size_t dataCapacity, char* dictionary, std::size_t dictionaryCapacity);

// The 20-byte version record: the major version and the platform code.
struct VersionAnswer {
    std::uint32_t major;
    char platform[5];
};
VersionAnswer ReadVersionAnswer(const std::uint8_t* record, std::size_t size);
