// Code page tables from Windows' own: each byte, and each pair after a lead byte, asked of
// MultiByteToWideChar once per process.
#include <windows.h>

#include "standins/qscl/codecs.h"

namespace qscl {

namespace {

char16_t Decode(unsigned codePage, const char* bytes, int length) {
    wchar_t unit[2];
    int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, length, unit, 2);
    return n == 1 ? static_cast<char16_t>(unit[0]) : CodePageTable::kNone;
}

}  // namespace

bool LoadCodePageTable(unsigned codePage, CodePageTable& table) {
    CPINFO info;
    if (!IsValidCodePage(codePage) || !GetCPInfo(codePage, &info) || info.MaxCharSize > 2) return false;
    for (int r = 0; r + 1 < MAX_LEADBYTES && (info.LeadByte[r] || info.LeadByte[r + 1]); r += 2)
        for (unsigned b = info.LeadByte[r]; b <= info.LeadByte[r + 1]; ++b) table.lead[b] = true;
    for (unsigned b = 0; b < 256; ++b) {
        char byte = static_cast<char>(b);
        if (!table.lead[b]) table.single[b] = Decode(codePage, &byte, 1);
    }
    if (info.MaxCharSize == 2) {
        table.pairs.assign(0x10000, CodePageTable::kNone);
        for (unsigned l = 0x80; l < 256; ++l) {
            if (!table.lead[l]) continue;
            for (unsigned t = 1; t < 256; ++t) {
                char pair[2] = {static_cast<char>(l), static_cast<char>(t)};
                table.pairs[l * 256 + t] = Decode(codePage, pair, 2);
            }
        }
    }
    return true;
}

}  // namespace qscl
