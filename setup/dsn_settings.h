// The settings record of one ConfigDSN call and its attribute-list parser.
// Windows-free: the native build, its tests and the fuzzers compile this file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "platform/fixed_text.h"


struct DsnSetting {
    std::uint32_t isSet;  // nonzero once a caller, the user, the profile or a default gave a value
    ProfileText value;    // empty while unset

    void set(const char* text) { isSet = 1; value.assign(text); }
    void set(const char* text, std::size_t n) { isSet = 1; value.assign(text, n); }
};

// Field order is fixed; each field is named after the odbc.ini or attribute key that carries it.
// The record is trivially constructible: the zero-filled block GlobalAlloc gives is an empty
// record, with every field unset.
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
static_assert(std::is_trivially_default_constructible_v<DsnSettings> && std::is_trivially_copyable_v<DsnSettings>,
              "the settings record lives in zero-filled global memory");

// One row per key of a client DSN, for its whole life: the attribute list sets the field,
// a new DSN takes the default, and the commit writes the key in its place.
struct AttributeKey {
    const char* name;
    DsnSetting DsnSettings::*field;
    std::uint8_t writeOrder;      // position among the commit's writes, 1 first; 0: never written
    bool removedWhenUnset;        // written always: the value when set, a removal when not
    bool keptBySilentConfigure;   // a silent configure that does not name it leaves the stored key
    const char* newDsnDefault;    // a new DSN's value when unset; none: no default
};

// The port and array buffer size a new DSN gets, which the dialogs offer too.
constexpr char kDefaultTcpPort[] = "1583";
constexpr char kDefaultArrayBufferSize[] = "8";

// Stands for the driver's description as a new DSN's default (its "Description").
extern const char kDriverDescriptionDefault[];

constexpr std::size_t kAttributeKeyCount = 16;
constexpr std::size_t kWrittenKeyCount = 12;

// The keys an attribute list may carry. EngineDescription has no key.
extern const AttributeKey AttributeKeyTable[kAttributeKeyCount];

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

// Fills each unset field that has a default for a new DSN, and marks it set.
void ApplyNewDsnDefaults(DsnSettings& settings, const char* driverDescription);

// One write into the DSN's section: the key and its value, or none to remove the key.
struct ProfileWrite {
    const char* key;
    const char* value;
};
struct ProfileWritePlan {
    ProfileWrite writes[kWrittenKeyCount];
    std::size_t count;
};

// The commit's writes, in order, for the record. storedServer is the stored form of the
// server ("dbhost.1583"), written for a set, non-empty ServerName. keepUnnamed: a silent
// configure, which leaves the stored keys it does not name. The texts point into the record
// and into storedServer.
ProfileWritePlan PlanProfileWrites(const DsnSettings& settings, const char* storedServer, bool keepUnnamed);
