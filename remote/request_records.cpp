#include "remote/request_records.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "remote/byte_record.h"

namespace {

std::size_t Length(const char* text) { return text ? std::strlen(text) : 0; }
const char* Text(const char* text) { return text ? text : ""; }

// The caller's capacities and lengths are 64-bit; one that no 16-bit field can carry is
// refused before any record is sized from it.
constexpr std::uint64_t kLongestSlotText = ByteWriter::kMostLength16 - 3;

EncodedRecord Finished(Record& record, const ByteWriter& w) {
    if (!w.ok()) return std::nullopt;
    return std::move(record);
}

void PutAttributes(ByteWriter& w, const DatabaseAttributes& a) {
    const std::uint8_t bytes[10] = {a.bound, a.integrityEnforced, a.createDictionary, a.securityModel,
                                    a.longMetadata, std::uint8_t(a.codePage), std::uint8_t(a.codePage >> 8), 0, 0, 0};
    w.put(bytes, sizeof bytes);
}

// A text slot: its 16-bit length field (capacity + 3), then capacity + 1 bytes holding
// the text (cut to the capacity) and zeros.
void PutSlot(ByteWriter& w, const char* text, std::uint64_t capacity) {
    w.putLength16(capacity + 3);
    std::size_t start = w.position();
    w.put(Text(text), std::min<std::size_t>(Length(text), static_cast<std::size_t>(capacity)));
    w.seek(start + static_cast<std::size_t>(capacity) + 1);
}

}  // namespace

EncodedRecord EncodeEngineDsnRecord(std::uint16_t translation, const char* name, const char* description,
                             const char* database, const char* openMode) {
    const char* texts[] = {name, description, database, openMode};
    std::size_t size = 16;
    for (const char* t : texts) size += Length(t);
    Record record(size, 0);
    ByteWriter w(record.data(), record.size());
    w.skip(2);
    w.put16(translation);
    for (const char* t : texts) w.putItem(Text(t), Length(t));
    return Finished(record, w);
}

namespace {

// A record that carries only a name: reserved bytes, the name item, nine reserved bytes.
EncodedRecord EncodeNameRecord(std::size_t nameOffset, const char* name) {
    Record record(nameOffset + Length(name) + 3 + 9, 0);
    ByteWriter w(record.data(), record.size());
    w.skip(nameOffset);
    w.putItem(Text(name), Length(name));
    return Finished(record, w);
}

}  // namespace

EncodedRecord EncodeDeleteEngineDsn(const char* name) { return EncodeNameRecord(2, name); }

EncodedRecord EncodeReadEngineDsnRequest(const char* name) { return EncodeNameRecord(4, name); }

std::size_t ReadEngineDsnAnswerSize(const char* name) { return Length(name) + 136; }

EngineDsnAnswer ReadEngineDsnAnswer(const std::uint8_t* answer, std::size_t size) {
    EngineDsnAnswer result{};
    ByteReader r(answer, size);
    result.translation = r.get16(2);
    FixedText<513>* outputs[] = {nullptr, &result.description, &result.database, &result.openMode};
    std::size_t pos = 4;
    for (FixedText<513>* out : outputs) {
        std::uint16_t itemLength = r.get16(pos);
        if (itemLength < 3 || !r.has(pos, itemLength)) break;  // a frame that lies ends the reading
        if (out) r.copyText(pos + 2, itemLength - 2u, out->data(), out->capacity());
        pos += itemLength;
    }
    return result;
}

std::uint64_t ReadDatabaseCountAnswer(const std::uint8_t* answer, std::size_t size) {
    return ByteReader(answer, size).get16(0);
}

std::uint64_t DatabaseNamesByteLength(std::uint64_t count) {
    return std::min(count, kMostDatabaseNamesPerRequest) * kDatabaseNameSlot;
}

EncodedRecord EncodeDatabaseNamesRequest(std::uint64_t byteLength) {
    if (byteLength > ByteWriter::kMostLength16) return std::nullopt;
    Record record(static_cast<std::size_t>(byteLength) + 3, 0);
    ByteWriter w(record.data(), record.size());
    w.putLength16(byteLength);
    return Finished(record, w);  // the first name slot is sent as zeros
}

std::uint64_t ReadDatabaseNamesAnswer(const std::uint8_t* answer, std::size_t size, std::uint64_t asked,
                                      char* names, std::size_t capacity) {
    ByteReader r(answer, size);
    std::uint64_t n = r.get16(0);
    n = std::min<std::uint64_t>({n, asked, size >= 2 ? size - 2 : 0, capacity});
    r.copy(2, names, static_cast<std::size_t>(n));
    return n;
}

FixedText<21> DatabaseNameAt(const char* names, std::uint64_t length, std::size_t slot) {
    FixedText<21> name{};
    std::uint64_t offset = static_cast<std::uint64_t>(slot) * kDatabaseNameSlot;
    if (names == nullptr || offset >= length) return name;
    name.assign(names + offset, static_cast<std::size_t>(std::min<std::uint64_t>(kDatabaseNameSlot, length - offset)));
    return name;
}

EncodedRecord EncodeDatabaseRecord(const char* name, const DatabaseAttributes& attributes,
                                   std::uint64_t dictionaryLength, const char* dictionary, std::uint64_t dataLength,
                                   const char* dataFiles) {
    if (dictionaryLength > kLongestSlotText || dataLength > kLongestSlotText) return std::nullopt;
    Record record(Length(name) + static_cast<std::size_t>(dictionaryLength + dataLength) + 23, 0);
    ByteWriter w(record.data(), record.size());
    w.putLength16(dataLength);
    w.putLength16(dictionaryLength);
    PutAttributes(w, attributes);
    w.putItem(Text(name), Length(name));
    PutSlot(w, dataFiles, dataLength);
    PutSlot(w, dictionary, dictionaryLength);
    return Finished(record, w);
}

DatabaseDetails ReadDatabaseDetailsAnswer(const std::uint8_t* answer, std::size_t size, char* dataFiles,
                                          std::size_t dataCapacity, char* dictionary, std::size_t dictionaryCapacity) {
    ByteReader r(answer, size);
    DatabaseDetails details{};
    details.dataLength = r.get16(0);
    details.dictionaryLength = r.get16(2);
    std::uint8_t a[10] = {};
    r.copy(4, a, sizeof a);
    details.attributes = {a[0], a[1], a[2], a[3], a[4], static_cast<std::uint16_t>(a[5] | a[6] << 8)};

    if (dataFiles && dataCapacity) dataFiles[0] = 0;
    if (dictionary && dictionaryCapacity) dictionary[0] = 0;
    std::uint16_t nameItem = r.get16(14);
    if (nameItem < 3) return details;  // a frame that lies ends the reading

    // The slots are found from the answered D, not from their own length fields.
    std::size_t dataSlot = 14 + std::size_t(nameItem);
    std::size_t dictionarySlot = dataSlot + static_cast<std::size_t>(details.dataLength) + 3;
    if (dataFiles && dataCapacity)
        r.copyText(dataSlot + 2, static_cast<std::size_t>(details.dataLength) + 1, dataFiles, dataCapacity);
    if (dictionary && dictionaryCapacity)
        r.copyText(dictionarySlot + 2, static_cast<std::size_t>(details.dictionaryLength) + 1, dictionary,
                   dictionaryCapacity);
    return details;
}

VersionAnswer ReadVersionAnswer(const std::uint8_t* record, std::size_t size) {
    ByteReader r(record, size);
    VersionAnswer v{};
    v.major = r.get32(4);
    r.copy(16, v.platform, 4);
    return v;
}
