#include "remote/request_builders.h"

#include <cstring>
#include <new>

#include "remote/admin_library.h"

namespace {

std::uint32_t Length32(const Record& r) { return static_cast<std::uint32_t>(r.size()); }

// A record that could not be made is never sent.
std::int32_t SetRecord(std::int32_t session, std::uint16_t serverType, std::uint16_t code, EncodedRecord record) {
    if (!record) return kStatusNoMemory;
    return DBUSetInfo(session, serverType, code, Length32(*record), record->data());
}

std::int32_t WriteEngineDsn(std::uint16_t code, std::int32_t session, std::uint16_t serverType,
                            std::uint16_t translation, const char* name, const char* description, const char* database,
                            const char* openMode) {
    try {
        return SetRecord(session, serverType, code, EncodeEngineDsnRecord(translation, name, description, database, openMode));
    } catch (const std::bad_alloc&) {
        return kStatusNoMemory;
    }
}

void CopyOut(const FixedText<513>& text, char* out) {
    if (out) std::memcpy(out, text.c_str(), text.length() + 1);
}

}  // namespace

std::int32_t CreateEngineDsn(std::int32_t session, std::uint16_t serverType, std::uint16_t translation, const char* name,
                             const char* description, const char* database, const char* openMode) {
    return WriteEngineDsn(kInfoCreateEngineDsn, session, serverType, translation, name, description, database, openMode);
}

std::int32_t ModifyEngineDsn(std::int32_t session, std::uint16_t serverType, std::uint16_t translation, const char* name,
                             const char* description, const char* database, const char* openMode) {
    return WriteEngineDsn(kInfoModifyEngineDsn, session, serverType, translation, name, description, database, openMode);
}

std::int32_t DeleteEngineDsn(std::int32_t session, std::uint16_t serverType, const char* name) {
    try {
        return SetRecord(session, serverType, kInfoDeleteEngineDsn, EncodeDeleteEngineDsn(name));
    } catch (const std::bad_alloc&) {
        return kStatusNoMemory;
    }
}

std::int32_t GetEngineDsn(std::int32_t session, std::uint16_t serverType, std::uint16_t* translation, const char* name,
                          char* description, char* database, char* openMode) {
    try {
        EncodedRecord request = EncodeReadEngineDsnRequest(name);
        if (!request) return kStatusNoMemory;
        Record answer(ReadEngineDsnAnswerSize(name), 0);
        std::uint16_t status = DBUGetInfo(session, serverType, kInfoReadEngineDsn, Length32(*request), request->data(),
                                          Length32(answer), answer.data());
        if (status != 0) return status;
        EngineDsnAnswer a = ReadEngineDsnAnswer(answer.data(), answer.size());
        if (translation) *translation = a.translation;
        CopyOut(a.description, description);
        CopyOut(a.database, database);
        CopyOut(a.openMode, openMode);
        return status;
    } catch (const std::bad_alloc&) {
        return kStatusNoMemory;
    }
}

std::int32_t GetDatabaseCount(std::int32_t session, std::uint16_t serverType, std::uint64_t* count) {
    std::uint8_t buffer[2] = {0, 0};
    std::uint16_t status = DBUGetInfo(session, serverType, kInfoDatabaseCount, 2, buffer, 2, buffer);
    if (status == 0 && count) *count = ReadDatabaseCountAnswer(buffer, sizeof buffer);
    return status;
}

std::int32_t GetDatabaseNames(std::int32_t session, std::uint16_t serverType, std::uint64_t* byteLength, char* names) {
    if (byteLength == nullptr || names == nullptr) return kStatusNoMemory;
    try {
        const std::uint64_t asked = *byteLength;
        EncodedRecord request = EncodeDatabaseNamesRequest(asked);
        if (!request) return kStatusNoMemory;
        Record& buffer = *request;
        std::uint16_t status = DBUGetInfo(session, serverType, kInfoDatabaseNames, Length32(buffer), buffer.data(),
                                          Length32(buffer), buffer.data());
        // Copied back whatever the status: callers use them for 0 and 2300 only.
        *byteLength = ReadDatabaseNamesAnswer(buffer.data(), buffer.size(), asked, names, static_cast<std::size_t>(asked));
        return status;
    } catch (const std::bad_alloc&) {
        return kStatusNoMemory;
    }
}

std::int32_t GetDatabaseInfo(std::int32_t session, std::uint16_t serverType, const char* name,
                             DatabaseAttributes* attributes, std::uint64_t* dictionaryLength, char* dictionary,
                             std::uint64_t* dataLength, char* dataFiles) {
    if (attributes == nullptr || dictionaryLength == nullptr || dataLength == nullptr) return kStatusNoMemory;
    try {
        const std::uint64_t dictionaryCapacity = *dictionaryLength, dataCapacity = *dataLength;
        EncodedRecord request = EncodeDatabaseRecord(name, *attributes, dictionaryCapacity, "", dataCapacity, "");
        if (!request) return kStatusNoMemory;
        Record& buffer = *request;
        std::uint16_t status = DBUGetInfo(session, serverType, kInfoDatabaseDetails, Length32(buffer), buffer.data(),
                                          Length32(buffer), buffer.data());
        if (status != 0) return status;
        DatabaseDetails d = ReadDatabaseDetailsAnswer(buffer.data(), buffer.size(), dataFiles,
                                                      static_cast<std::size_t>(dataCapacity) + 1, dictionary,
                                                      static_cast<std::size_t>(dictionaryCapacity) + 1);
        *dataLength = d.dataLength;
        *dictionaryLength = d.dictionaryLength;
        *attributes = d.attributes;
        return status;
    } catch (const std::bad_alloc&) {
        return kStatusNoMemory;
    }
}

std::int32_t CreateDatabase(std::int32_t session, std::uint16_t serverType, const char* name,
                            const DatabaseAttributes* attributes, std::uint64_t dictionaryLength, const char* dictionary,
                            std::uint64_t dataLength, const char* dataFiles) {
    if (attributes == nullptr) return kStatusNoMemory;
    try {
        return SetRecord(session, serverType, kInfoCreateDatabase,
                         EncodeDatabaseRecord(name, *attributes, dictionaryLength, dictionary, dataLength, dataFiles));
    } catch (const std::bad_alloc&) {
        return kStatusNoMemory;
    }
}
