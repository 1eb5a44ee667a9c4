// The class library's encodings: UTF-8 and the table-driven code pages (single-byte and
// double-byte). Windows-free; the tables come from a provider (Windows' own code page
// tables in the library, the host's iconv in the native build).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace qscl {

constexpr char16_t kReplacementCharacter = 0xFFFD;
constexpr unsigned char kReplacementByte = '?';

struct CodePageTable {
    static constexpr char16_t kNone = 0xFFFF;  // a byte (or pair) that stands for no character
    bool lead[256] = {};                       // first byte of a two-byte character
    char16_t single[256];                      // character of a one-byte code
    std::vector<char16_t> pairs;               // lead * 256 + trail, when any byte leads
    // Character to code: 0 none, 0x100 | b one byte b, (lead << 8) | trail two bytes (lead >= 0x80).
    std::vector<std::uint16_t> reverse;

    CodePageTable();
    void buildReverse();  // after single, lead and pairs are filled
};

// The provider: fills the table of a code page; false when the code page is unknown or is
// not a one- or two-byte code page.
bool LoadCodePageTable(unsigned codePage, CodePageTable& table);

// ISO-8859-1: every byte is the character of the same number.
const CodePageTable& Latin1Table();

// Each answers the units (or bytes) written and sets used to the input consumed.
// Decoders leave an incomplete sequence at the input's end unconsumed; they write a
// surrogate pair only whole. Encoders never write a character in part.
std::size_t DecodeUtf8(const unsigned char* in, std::size_t count, std::size_t* used, char16_t* out,
                       std::size_t capacity);
std::size_t EncodeUtf8(const char16_t* in, std::size_t count, std::size_t* used, unsigned char* out,
                       std::size_t capacity);
std::size_t DecodeTable(const CodePageTable& table, const unsigned char* in, std::size_t count, std::size_t* used,
                        char16_t* out, std::size_t capacity);
std::size_t EncodeTable(const CodePageTable& table, const char16_t* in, std::size_t count, std::size_t* used,
                        unsigned char* out, std::size_t capacity);

// The table of a code page, loaded once per process; null when the provider has none.
std::shared_ptr<const CodePageTable> SharedCodePageTable(unsigned codePage);

}  // namespace qscl
