#include "setup/dsn_settings.h"

#include <cstring>

const AttributeKey AttributeKeyTable[16] = {
    {"DSN", &DsnSettings::DSN},
    {"Description", &DsnSettings::Description},
    {"DBQ", &DsnSettings::DBQ},
    {"ServerDSN", &DsnSettings::ServerDSN},
    {"DictionaryLoc", &DsnSettings::DictionaryLoc},
    {"DatafileLoc", &DsnSettings::DatafileLoc},
    {"ServerName", &DsnSettings::ServerName},
    {"ArrayFetchOn", &DsnSettings::ArrayFetchOn},
    {"ArrayBufferSize", &DsnSettings::ArrayBufferSize},
    {"OpenMode", &DsnSettings::OpenMode},
    {"TransportHint", &DsnSettings::TransportHint},
    {"TCPPort", &DsnSettings::TCPPort},
    {"TranslationDLL", &DsnSettings::TranslationDLL},
    {"TranslationOption", &DsnSettings::TranslationOption},
    {"ReplicationSystem", &DsnSettings::ReplicationSystem},
    {"QmTranslate", &DsnSettings::QmTranslate},
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
