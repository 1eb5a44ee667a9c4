#include "standins/qscl/codecs.h"

#include <map>
#include <mutex>

namespace qscl {

CodePageTable::CodePageTable() {
    for (char16_t& c : single) c = kNone;
}

void CodePageTable::buildReverse() {
    reverse.assign(0x10000, 0);
    // The first code for a character wins; codes are visited in ascending order.
    for (unsigned b = 0; b < 256; ++b)
        if (!lead[b] && single[b] != kNone && reverse[single[b]] == 0) reverse[single[b]] = static_cast<std::uint16_t>(0x100 | b);
    if (pairs.empty()) return;
    for (unsigned l = 0x80; l < 256; ++l) {
        if (!lead[l]) continue;
        for (unsigned t = 0; t < 256; ++t) {
            char16_t c = pairs[l * 256 + t];
            if (c != kNone && reverse[c] == 0) reverse[c] = static_cast<std::uint16_t>((l << 8) | t);
        }
    }
}

const CodePageTable& Latin1Table() {
    static const CodePageTable table = [] {
        CodePageTable t;
        for (unsigned b = 0; b < 256; ++b) t.single[b] = static_cast<char16_t>(b);
        t.buildReverse();
        return t;
    }();
    return table;
}

namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Length of a UTF-8 sequence from its first byte, and the range its second byte must lie in
// (which rules out overlong forms, surrogates and code points above U+10FFFF).
int SequenceLength(unsigned char b, unsigned char* low, unsigned char* high) {
    *low = 0x80;
    *high = 0xBF;
    if (b < 0x80) return 1;
    if (b < 0xC2) return 0;
    if (b < 0xE0) return 2;
    if (b == 0xE0) *low = 0xA0;
    if (b == 0xED) *high = 0x9F;
    if (b < 0xF0) return 3;
    if (b == 0xF0) *low = 0x90;
    if (b == 0xF4) *high = 0x8F;
    if (b < 0xF5) return 4;
    return 0;
}

}  // namespace

std::size_t DecodeUtf8(const unsigned char* in, std::size_t count, std::size_t* used, char16_t* out,
                       std::size_t capacity) {
    std::size_t i = 0, n = 0;
    while (i < count && n < capacity) {
        unsigned char low, high;
        int length = SequenceLength(in[i], &low, &high);
        if (length == 1) {
            out[n++] = in[i++];
            continue;
        }
        if (length == 0) {  // never the first byte of a sequence
            out[n++] = kReplacementCharacter;
            ++i;
            continue;
        }
        // The longest valid start of a sequence: an invalid one is replaced as a whole.
        std::size_t valid = 1;
        while (valid < static_cast<std::size_t>(length) && i + valid < count) {
            unsigned char c = in[i + valid];
            bool fits = valid == 1 ? (c >= low && c <= high) : (c >= 0x80 && c <= 0xBF);
            if (!fits) break;
            ++valid;
        }
        if (valid < static_cast<std::size_t>(length) && i + valid == count) break;  // incomplete: carried
        if (valid != static_cast<std::size_t>(length)) {
            out[n++] = kReplacementCharacter;
            i += valid;
            continue;
        }
        std::uint32_t cp = in[i] & (0x7F >> length);
        for (int k = 1; k < length; ++k) cp = (cp << 6) | (in[i + k] & 0x3F);
        if (cp >= 0x10000) {
            if (capacity - n < 2) break;
            cp -= 0x10000;
            out[n++] = static_cast<char16_t>(0xD800 | (cp >> 10));
            out[n++] = static_cast<char16_t>(0xDC00 | (cp & 0x3FF));
        } else {
            out[n++] = static_cast<char16_t>(cp);
        }
        i += static_cast<std::size_t>(length);
    }
    *used = i;
    return n;
}

std::size_t EncodeUtf8(const char16_t* in, std::size_t count, std::size_t* used, unsigned char* out,
                       std::size_t capacity) {
    std::size_t i = 0, n = 0;
    while (i < count) {
        std::uint32_t cp = in[i];
        std::size_t units = 1;
        if (IsHighSurrogate(in[i]) && i + 1 < count && IsLowSurrogate(in[i + 1])) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00u);
            units = 2;
        } else if (IsHighSurrogate(in[i]) || IsLowSurrogate(in[i])) {
            cp = kReplacementCharacter;  // a surrogate without its partner
        }
        std::size_t length = cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
        if (capacity - n < length) break;
        if (length == 1) {
            out[n++] = static_cast<unsigned char>(cp);
        } else {
            static const unsigned char kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
            for (std::size_t k = length; k-- > 1;) {
                out[n + k] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
                cp >>= 6;
            }
            out[n] = static_cast<unsigned char>(kLead[length] | cp);
            n += length;
        }
        i += units;
    }
    *used = i;
    return n;
}

std::size_t DecodeTable(const CodePageTable& table, const unsigned char* in, std::size_t count, std::size_t* used,
                        char16_t* out, std::size_t capacity) {
    std::size_t i = 0, n = 0;
    while (i < count && n < capacity) {
        unsigned char b = in[i];
        if (!table.lead[b]) {
            char16_t c = table.single[b];
            out[n++] = c == CodePageTable::kNone ? kReplacementCharacter : c;
            ++i;
            continue;
        }
        if (i + 1 == count) break;  // a lead byte at the end: carried
        char16_t c = table.pairs.empty() ? CodePageTable::kNone : table.pairs[b * 256u + in[i + 1]];
        // An unknown pair replaces the lead byte alone, so that a separator after it survives.
        out[n++] = c == CodePageTable::kNone ? kReplacementCharacter : c;
        i += c == CodePageTable::kNone ? 1 : 2;
    }
    *used = i;
    return n;
}

std::size_t EncodeTable(const CodePageTable& table, const char16_t* in, std::size_t count, std::size_t* used,
                        unsigned char* out, std::size_t capacity) {
    std::size_t i = 0, n = 0;
    while (i < count) {
        std::size_t units = IsHighSurrogate(in[i]) && i + 1 < count && IsLowSurrogate(in[i + 1]) ? 2 : 1;
        std::uint16_t code = units == 1 ? table.reverse[in[i]] : 0;
        if (code >= 0x8000) {
            if (capacity - n < 2) break;
            out[n++] = static_cast<unsigned char>(code >> 8);
            out[n++] = static_cast<unsigned char>(code & 0xFF);
        } else {
            if (capacity - n < 1) break;
            out[n++] = code ? static_cast<unsigned char>(code & 0xFF) : kReplacementByte;
        }
        i += units;
    }
    *used = i;
    return n;
}

std::shared_ptr<const CodePageTable> SharedCodePageTable(unsigned codePage) {
    static std::mutex lock;
    static std::map<unsigned, std::shared_ptr<const CodePageTable>> loaded;
    std::lock_guard<std::mutex> hold(lock);
    auto found = loaded.find(codePage);
    if (found != loaded.end()) return found->second;
    auto table = std::make_shared<CodePageTable>();
    if (!LoadCodePageTable(codePage, *table)) return nullptr;
    table->buildReverse();
    loaded[codePage] = table;
    return table;
}

}  // namespace qscl
