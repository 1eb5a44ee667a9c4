#include "setup/dsn_settings.h"

#include <cstring>

const char kDriverDescriptionDefault[] = "<driver description>";

// In lookup order; the commit writes by the order column.
const AttributeKey AttributeKeyTable[kAttributeKeyCount] = {
    // name                field                            order removed kept   new DSN's default
    {"DSN",               &DsnSettings::DSN,               0,    false,  false, nullptr},
    {"Description",       &DsnSettings::Description,       1,    false,  false, kDriverDescriptionDefault},
    {"DBQ",               &DsnSettings::DBQ,               6,    true,   true,  nullptr},
    {"ServerDSN",         &DsnSettings::ServerDSN,         7,    true,   true,  nullptr},
    {"DictionaryLoc",     &DsnSettings::DictionaryLoc,     0,    false,  false, nullptr},
    {"DatafileLoc",       &DsnSettings::DatafileLoc,       0,    false,  false, nullptr},
    {"ServerName",        &DsnSettings::ServerName,        5,    true,   true,  nullptr},
    {"ArrayFetchOn",      &DsnSettings::ArrayFetchOn,      2,    false,  false, "1"},
    {"ArrayBufferSize",   &DsnSettings::ArrayBufferSize,   3,    false,  false, kDefaultArrayBufferSize},
    {"OpenMode",          &DsnSettings::OpenMode,          0,    false,  false, nullptr},
    {"TransportHint",     &DsnSettings::TransportHint,     8,    false,  false, "TCP:SPX"},
    {"TCPPort",           &DsnSettings::TCPPort,           4,    false,  false, kDefaultTcpPort},
    {"TranslationDLL",    &DsnSettings::TranslationDLL,    9,    false,  false, ""},
    {"TranslationOption", &DsnSettings::TranslationOption, 10,   false,  false, ""},
    {"ReplicationSystem", &DsnSettings::ReplicationSystem, 11,   false,  false, nullptr},
    {"QmTranslate",       &DsnSettings::QmTranslate,       12,   false,  false, ""},
};

namespace {

unsigned char LowerAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

// Compares a key given by pointer and length with a zero-terminated table name.
bool KeyMatches(const char* key, std::size_t keyLength, const char* name) {
    for (std::size_t i = 0; i < keyLength; ++i) {
        if (name[i] == 0 || LowerAscii(key[i]) != LowerAscii(name[i])) return false;
    }
    return name[keyLength] == 0;
}

DsnSetting* FindField(const char* key, std::size_t keyLength, DsnSettings& settings) {
    if (keyLength >= kAttributeKeyLengthLimit) return nullptr;
    for (const AttributeKey& row : AttributeKeyTable) {
        if (KeyMatches(key, keyLength, row.name)) return &(settings.*row.field);
    }
    return nullptr;
}

}  // namespace

int CompareIgnoringCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        int d = LowerAscii(static_cast<unsigned char>(*a)) - LowerAscii(static_cast<unsigned char>(*b));
        if (d != 0 || *a == 0) return d;
    }
}

void ParseAttributeListBounded(const char* attributes, std::size_t size, DsnSettings& settings) {
    if (attributes == nullptr) return;
    std::size_t pos = 0;
    while (pos < size && attributes[pos] != 0) {
        const char* text = attributes + pos;
        std::size_t room = size - pos;
        const char* end = static_cast<const char*>(std::memchr(text, 0, room));
        std::size_t textLength = end ? static_cast<std::size_t>(end - text) : room;
        const char* equals = static_cast<const char*>(std::memchr(text, '=', textLength));
        if (equals == nullptr) return;  // a text without "=" ends the whole list
        std::size_t keyLength = static_cast<std::size_t>(equals - text);
        if (DsnSetting* field = FindField(text, keyLength, settings)) {
            field->set(equals + 1, textLength - keyLength - 1);
        }
        pos += textLength + 1;
    }
}

void ParseAttributeList(const char* attributes, DsnSettings& settings) {
    if (attributes == nullptr) return;
    // The caller guarantees the double zero; measure the list once and parse it bounded.
    std::size_t size = 0;
    while (attributes[size] != 0) size += std::strlen(attributes + size) + 1;
    ParseAttributeListBounded(attributes, size, settings);
}

void ApplyNewDsnDefaults(DsnSettings& settings, const char* driverDescription) {
    for (const AttributeKey& row : AttributeKeyTable) {
        DsnSetting& field = settings.*row.field;
        if (row.newDsnDefault == nullptr || field.isSet) continue;
        field.set(row.newDsnDefault == kDriverDescriptionDefault ? (driverDescription ? driverDescription : "")
                                                                  : row.newDsnDefault);
    }
}

ProfileWritePlan PlanProfileWrites(const DsnSettings& settings, const char* storedServer, bool keepUnnamed) {
    ProfileWritePlan plan{};
    for (std::uint8_t order = 1; order <= kWrittenKeyCount; ++order) {
        for (const AttributeKey& row : AttributeKeyTable) {
            if (row.writeOrder != order) continue;
            const DsnSetting& field = settings.*row.field;
            const char* value = field.value.c_str();
            if (row.field == &DsnSettings::ServerName) value = field.value.empty() ? nullptr : storedServer;
            if (field.isSet) plan.writes[plan.count++] = {row.name, value};
            else if (row.removedWhenUnset && !(keepUnnamed && row.keptBySilentConfigure))
                plan.writes[plan.count++] = {row.name, nullptr};
        }
    }
    return plan;
}
