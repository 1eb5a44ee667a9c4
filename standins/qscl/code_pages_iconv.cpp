// Code page tables from the host's iconv, for the native build of the converters (its
// tests and fuzzers run without Windows).
#include <iconv.h>

#include <cerrno>
#include <cstdio>

#include "standins/qscl/codecs.h"

namespace qscl {

namespace {

// The character of a byte sequence, or kNone; sets incomplete when the bytes only begin one.
char16_t Decode(iconv_t cd, const char* bytes, std::size_t length, bool* incomplete) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char16_t unit[2];
    char* in = const_cast<char*>(bytes);
    char* out = reinterpret_cast<char*>(unit);
    std::size_t inLeft = length, outLeft = sizeof unit;
    std::size_t r = iconv(cd, &in, &inLeft, &out, &outLeft);
    if (incomplete) *incomplete = r == static_cast<std::size_t>(-1) && errno == EINVAL;
    return r != static_cast<std::size_t>(-1) && inLeft == 0 && outLeft == sizeof unit - 2 ? unit[0]
                                                                                           : CodePageTable::kNone;
}

}  // namespace

bool LoadCodePageTable(unsigned codePage, CodePageTable& table) {
    char name[16];
    std::snprintf(name, sizeof name, "CP%u", codePage);
    iconv_t cd = iconv_open("UTF-16LE", name);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    for (unsigned b = 0; b < 256; ++b) {
        char byte = static_cast<char>(b);
        bool incomplete = false;
        table.single[b] = Decode(cd, &byte, 1, &incomplete);
        table.lead[b] = incomplete;
    }
    for (unsigned l = 0x80; l < 256; ++l) {
        if (!table.lead[l]) continue;
        if (table.pairs.empty()) table.pairs.assign(0x10000, CodePageTable::kNone);
        for (unsigned t = 1; t < 256; ++t) {
            char pair[2] = {static_cast<char>(l), static_cast<char>(t)};
            table.pairs[l * 256 + t] = Decode(cd, pair, 2, nullptr);
        }
    }
    iconv_close(cd);
    return true;
}

}  // namespace qscl
