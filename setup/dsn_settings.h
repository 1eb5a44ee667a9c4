// The settings record of one ConfigDSN call and its attribute-list parser.
// Windows-free: the native build, its tests and the fuzzers compile this file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/fixed_text.h"

constexpr std::size_t kProfileTextCapacity = 513;  // 512 characters and the terminator
using ProfileText = FixedText<kProfileTextCapacity>;

struct DsnSetting {
    std::uint32_t isSet;  // nonzero once a caller, the user, the profile or a default gave a value
    ProfileText value;    // empty while unset

    void set(const char* text) { isSet = 1; value.assign(text); }
    void set(const char* text, std::size_t n) { isSet = 1; value.assign(text, n); }
};

// Field order is fixed; each field is named after the odbc.ini or attribute key that carries it.
struct DsnSettings {
    DsnSetting DSN;
    DsnSetting Description;
    DsnSetting DBQ;
    DsnSetting ServerDSN;
    DsnSetting DictionaryLoc;
    DsnSetting DatafileLoc;
    DsnSetting ServerName;
    DsnSetting EngineDescription;
    DsnSetting ArrayFetchOn;
    DsnSetting ArrayBufferSize;
    DsnSetting OpenMode;
    DsnSetting TransportHint;
    DsnSetting TCPPort;
    DsnSetting TranslationDLL;
    DsnSetting TranslationOption;
    DsnSetting ReplicationSystem;
    DsnSetting QmTranslate;
};

struct AttributeKey {
    const char* name;
    DsnSetting DsnSettings::*field;
};

// The keys an attribute list may carry, in lookup order. EngineDescription has no key.
extern const AttributeKey AttributeKeyTable[16];

// Keys of this many characters or more are never looked up.
constexpr std::size_t kAttributeKeyLengthLimit = 18;

// Fills settings from an attribute list: key=value texts, each zero-terminated, ended by an
// empty text. A text without "=" ends the parse; unknown and overlong keys are skipped;
// values are cut to 512 characters. The list must be terminated by the caller.
void ParseAttributeList(const char* attributes, DsnSettings& settings);

// Same, over a list known to lie within size bytes: nothing past the buffer is read even
// when the final double zero is missing (used by the fuzzers and the command-line front).
void ParseAttributeListBounded(const char* attributes, std::size_t size, DsnSettings& settings);

// Case-insensitive comparison of ASCII letters, 0 when equal (the C locale's _stricmp).
int CompareIgnoringCase(const char* a, const char* b);
