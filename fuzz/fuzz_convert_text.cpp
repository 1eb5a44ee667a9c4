// ConvertText and its four directions between UTF-8, CP1252 and CP850, checked byte for byte
// against the host's iconv, taken one character at a time: the converters must agree with
// it on every character, replace what a code page lacks by one '?' per code point, decode
// an undefined byte or a broken UTF-8 sequence as U+FFFD, and end a short destination at
// the last whole character that fits.
//
// Input: a flags byte, two capacity values (two bytes each), then either a script of code
// points (text mode: UTF-8 -> code page -> UTF-8 round trip) or raw source bytes (raw mode:
// any direction, any bytes).
#include <iconv.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "paths/text_conversion.h"

// The reference side is not instrumented: the fuzzer's feedback and time go to the product.
#pragma clang attribute push(__attribute__((no_sanitize("coverage"))), apply_to = function)

namespace {

constexpr unsigned char kGuard = 0xA5;
constexpr std::size_t kGuardBytes = 16;
constexpr std::size_t kMaxCodePoints = 1024;  // text mode: still two or more 512-byte passes
constexpr std::size_t kMaxSource = 8192;      // raw mode: longer inputs are cut
constexpr std::size_t kMaxCharacters = kMaxSource + 1;
constexpr char32_t kReplacement = 0xFFFD;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_convert_text: %s\n", what);
    std::abort();
}

// 0 stands for UTF-8, any other number for that code page.
const wchar_t* EncodingName(unsigned codePage) {
    switch (codePage) {
    case 1252: return L"CP1252";
    case 850: return L"CP850";
    default: return L"UTF-8";
    }
}

// What iconv says about one code page: the byte of each character (one code point at a
// time, remembered) and the character of each byte.
class IconvOracle {
public:
    explicit IconvOracle(const char* name) : encode_(new std::int16_t[0x110000]) {
        for (std::size_t c = 0; c < 0x110000; ++c) encode_[c] = kUnknown;
        to_ = iconv_open(name, "UTF-32LE");
        iconv_t from = iconv_open("UTF-32LE", name);
        if (to_ == reinterpret_cast<iconv_t>(-1) || from == reinterpret_cast<iconv_t>(-1)) Fail("iconv lacks the code page");
        for (unsigned b = 0; b < 256; ++b) {
            iconv(from, nullptr, nullptr, nullptr, nullptr);
            char in[1] = {static_cast<char>(b)};
            char32_t out[2] = {};
            char* ip = in;
            char* op = reinterpret_cast<char*>(out);
            std::size_t il = 1, ol = sizeof out;
            std::size_t r = iconv(from, &ip, &il, &op, &ol);
            // A byte iconv cannot decode stands for no character: the converters give U+FFFD.
            decode_[b] = r != static_cast<std::size_t>(-1) && il == 0 && ol == sizeof out - 4 ? out[0] : kReplacement;
        }
        iconv_close(from);
    }

    // The byte for a code point, or -1 when the code page lacks it.
    int encode(char32_t c) {
        if (encode_[c] != kUnknown) return encode_[c];
        iconv(to_, nullptr, nullptr, nullptr, nullptr);
        char32_t in[1] = {c};
        char out[8];
        char* ip = reinterpret_cast<char*>(in);
        char* op = out;
        std::size_t il = sizeof in, ol = sizeof out;
        std::size_t r = iconv(to_, &ip, &il, &op, &ol);
        // glibc drops some characters (the tag characters) without a byte or an error: the
        // code page has no byte for them either.
        int answer = -1;
        if (r != static_cast<std::size_t>(-1) && il == 0 && sizeof out - ol > 0) {
            if (sizeof out - ol != 1) Fail("iconv wrote more than one byte for a character of a one-byte code page");
            answer = static_cast<unsigned char>(out[0]);
        }
        encode_[c] = static_cast<std::int16_t>(answer);
        return answer;
    }
    char32_t decode(unsigned char b) const { return decode_[b]; }

private:
    static constexpr std::int16_t kUnknown = -2;
    iconv_t to_;
    std::int16_t* encode_;  // lives as long as the process
    char32_t decode_[256];
};

IconvOracle& Oracle(unsigned codePage) {
    static IconvOracle cp1252("CP1252");
    static IconvOracle cp850("CP850");
    return codePage == 1252 ? cp1252 : cp850;
}

// Bytes in a fixed buffer: the longest text is every character at four bytes.
struct Bytes {
    char b[4 * kMaxCharacters + 8];
    std::size_t n = 0;
    void add(char c) { b[n++] = c; }
};

struct Characters {
    char32_t c[kMaxCharacters];
    std::size_t n = 0;
    void add(char32_t x) { c[n++] = x; }
};

void AppendUtf8(Bytes& out, char32_t c) {
    if (c < 0x80) {
        out.add(static_cast<char>(c));
    } else if (c < 0x800) {
        out.add(static_cast<char>(0xC0 | (c >> 6)));
        out.add(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.add(static_cast<char>(0xE0 | (c >> 12)));
        out.add(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.add(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.add(static_cast<char>(0xF0 | (c >> 18)));
        out.add(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.add(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.add(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// UTF-8 decoded as a browser does: a broken sequence becomes one U+FFFD for its longest
// valid start, and decoding goes on at the byte that broke it.
void DecodeUtf8Reference(const char* bytes, std::size_t size, Characters& out) {
    char32_t c = 0;
    int needed = 0, seen = 0;
    unsigned lower = 0x80, upper = 0xBF;
    for (std::size_t i = 0; i < size; ++i) {
        unsigned b = static_cast<unsigned char>(bytes[i]);
        if (needed == 0) {
            if (b < 0x80) {
                out.add(b);
            } else if (b >= 0xC2 && b <= 0xDF) {
                needed = 1;
                c = b & 0x1F;
            } else if (b >= 0xE0 && b <= 0xEF) {
                if (b == 0xE0) lower = 0xA0;
                if (b == 0xED) upper = 0x9F;
                needed = 2;
                c = b & 0x0F;
            } else if (b >= 0xF0 && b <= 0xF4) {
                if (b == 0xF0) lower = 0x90;
                if (b == 0xF4) upper = 0x8F;
                needed = 3;
                c = b & 0x07;
            } else {
                out.add(kReplacement);
            }
            continue;
        }
        if (b < lower || b > upper) {
            c = 0;
            needed = seen = 0;
            lower = 0x80;
            upper = 0xBF;
            out.add(kReplacement);
            --i;  // this byte starts afresh
            continue;
        }
        lower = 0x80;
        upper = 0xBF;
        c = (c << 6) | (b & 0x3F);
        if (++seen == needed) {
            out.add(c);
            c = 0;
            needed = seen = 0;
        }
    }
    if (needed) out.add(kReplacement);
}

bool IsValidUtf8(const char* p, std::size_t n) {
    std::size_t i = 0;
    while (i < n) {
        unsigned char b = static_cast<unsigned char>(p[i]);
        std::size_t len = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        if (len == 0 || i + len > n) return false;
        char32_t c = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
        for (std::size_t k = 1; k < len; ++k) {
            unsigned char t = static_cast<unsigned char>(p[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            c = (c << 6) | (t & 0x3F);
        }
        static const char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < kMin[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        i += len;
    }
    return true;
}

// The characters of a source text in its encoding.
void DecodeReference(const char* bytes, std::size_t size, unsigned codePage, Characters& out) {
    out.n = 0;
    if (codePage == 0) return DecodeUtf8Reference(bytes, size, out);
    for (std::size_t i = 0; i < size; ++i) out.add(Oracle(codePage).decode(static_cast<unsigned char>(bytes[i])));
}

// The bytes of each character in the destination encoding, laid end to end; ends[i] is
// where character i's bytes end.
struct Encoded {
    Bytes bytes;
    std::size_t ends[kMaxCharacters];
};

void EncodeReference(const Characters& text, unsigned codePage, Encoded& e) {
    e.bytes.n = 0;
    for (std::size_t i = 0; i < text.n; ++i) {
        if (codePage == 0) {
            AppendUtf8(e.bytes, text.c[i]);
        } else {
            int b = Oracle(codePage).encode(text.c[i]);
            e.bytes.add(b < 0 ? '?' : static_cast<char>(b));
        }
        e.ends[i] = e.bytes.n;
    }
}

// The bytes that fit capacity, ending at a whole character; count is set to the characters.
std::size_t FittingBytes(const Encoded& e, std::size_t characters, std::size_t capacity, std::size_t* count) {
    std::size_t n = 0, fitted = 0;
    while (fitted < characters && e.ends[fitted] <= capacity) n = e.ends[fitted++];
    if (count) *count = fitted;
    return n;
}

// Capacity for a conversion whose whole output takes total bytes: ample, roomy, cut or
// exact (or one short).
std::size_t ChooseCapacity(unsigned mode, unsigned value, std::size_t total) {
    switch (mode & 3) {
    case 0: return total + value % 16;
    case 1: return total + 1 + value % 1500;
    case 2: return value % (total + 1);
    default: return total > 0 && (value & 1) ? total - 1 : total;
    }
}

// One ConvertText call from an exactly sized source copy into a guarded destination; the
// whole answer is checked against the reference. out receives the bytes written.
void Convert(const char* source, std::size_t size, unsigned from, unsigned to, std::size_t capacity,
             const Encoded& expected, std::size_t characters, Bytes& out, std::size_t* fittedCharacters) {
    char* exact = new char[size];
    if (size) std::memcpy(exact, source, size);
    char* destination = new char[capacity + kGuardBytes];
    std::memset(destination, kGuard, capacity + kGuardBytes);
    long n = ConvertText(exact, size, EncodingName(from), destination, capacity, EncodingName(to));
    delete[] exact;
    if (n < 0 || static_cast<std::size_t>(n) > capacity) Fail("answer outside [0, capacity]");
    for (std::size_t i = capacity; i < capacity + kGuardBytes; ++i)
        if (static_cast<unsigned char>(destination[i]) != kGuard) Fail("written past the capacity");
    if (to == 0 && !IsValidUtf8(destination, static_cast<std::size_t>(n))) Fail("UTF-8 output is not valid UTF-8");
    std::size_t want = FittingBytes(expected, characters, capacity, fittedCharacters);
    if (static_cast<std::size_t>(n) != want) Fail("output does not end at the last whole character that fits");
    if (std::memcmp(destination, expected.bytes.b, want) != 0) Fail("output differs from iconv's");
    std::memcpy(out.b, destination, want);
    out.n = want;
    delete[] destination;
}

// The direction (AnsiToUtf8 and the others) for a pair of encodings, or null.
using Direction = bool (*)(char*, std::size_t, const char*);
Direction DirectionFor(unsigned from, unsigned to) {
    if (from == 1252 && to == 0) return AnsiToUtf8;
    if (from == 850 && to == 0) return OemToUtf8;
    if (from == 0 && to == 1252) return Utf8ToAnsi;
    if (from == 0 && to == 850) return Utf8ToOem;
    return nullptr;
}

Characters gDirectionText;
Encoded gDirectionExpected;

// A direction converts the text up to its first zero, with the terminator, or nothing.
void CheckDirection(const char* source, std::size_t size, unsigned from, unsigned to, unsigned capacityMode,
                    unsigned capacityValue) {
    Direction direction = DirectionFor(from, to);
    if (direction == nullptr) return;
    std::size_t length = strnlen(source, size);
    char* text = new char[length + 1];
    std::memcpy(text, source, length);
    text[length] = 0;
    DecodeReference(text, length, from, gDirectionText);
    gDirectionText.add(0);
    EncodeReference(gDirectionText, to, gDirectionExpected);
    std::size_t total = gDirectionExpected.bytes.n;
    std::size_t capacity = ChooseCapacity(capacityMode, capacityValue, total);
    if (capacity > 0) {  // with none, refused before anything is written
        char* out = new char[capacity + kGuardBytes];
        std::memset(out, kGuard, capacity + kGuardBytes);
        bool whole = direction(out, capacity, text);
        for (std::size_t i = capacity; i < capacity + kGuardBytes; ++i)
            if (static_cast<unsigned char>(out[i]) != kGuard) Fail("direction wrote past the capacity");
        if (whole != (total <= capacity)) Fail("direction's answer differs from whether the text fits");
        if (whole ? std::memcmp(out, gDirectionExpected.bytes.b, total) != 0 : out[0] != 0)
            Fail("direction's output differs from iconv's");
        delete[] out;
    }
    delete[] text;
}

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}
    bool empty() const { return p_ == end_; }
    unsigned byte() { return p_ < end_ ? *p_++ : 0; }
    unsigned u16() { return byte() | byte() << 8; }
    const char* rest(std::size_t* size) {
        const char* r = reinterpret_cast<const char*>(p_);
        *size = static_cast<std::size_t>(end_ - p_);
        p_ = end_;
        return r;
    }

private:
    const std::uint8_t* p_;
    const std::uint8_t* end_;
};

// Characters either code page has, so that the fuzzer reaches every table entry easily.
const char32_t* TableCharacters() {
    static char32_t characters[512];
    static const bool filled = [] {
        for (unsigned b = 0; b < 256; ++b) {
            characters[b] = Oracle(1252).decode(static_cast<unsigned char>(b));
            characters[256 + b] = Oracle(850).decode(static_cast<unsigned char>(b));
        }
        return true;
    }();
    (void)filled;
    return characters;
}

const char32_t kEdgeCharacters[] = {
    0x0000, 0x007F, 0x0080, 0x009F, 0x00A0, 0x00FF, 0x0100, 0x0131, 0x0152, 0x0160, 0x0178, 0x017D, 0x0192,
    0x02C6, 0x02DC, 0x2013, 0x2017, 0x2020, 0x2022, 0x2026, 0x2030, 0x2039, 0x20AC, 0x2122, 0x2500, 0x2502,
    0x250C, 0x2550, 0x2551, 0x2554, 0x2557, 0x256C, 0x2580, 0x2588, 0x2591, 0x25A0, 0x07FF, 0x0800, 0xD7FF,
    0xE000, 0xFEFF, 0xFFFD, 0xFFFE, 0xFFFF, 0x10000, 0x1F600, 0x10FFFF, 0x0394, 0x03B1, 0x2264, 0x221A,
    0xE0041, 0xE007F,
};

// A script of code points: ASCII, Latin-1, the code pages' characters, edge cases, any BMP
// or astral scalar value, and runs that carry characters across the 512-byte passes.
void ReadText(Reader& in, Characters& text) {
    text.n = 0;
    while (!in.empty() && text.n < kMaxCodePoints) {
        unsigned op = in.byte();
        switch (op & 7) {
        case 0:
        case 1: text.add(in.byte() & 0x7F); break;
        case 2: text.add(0x80 | (in.byte() & 0x7F)); break;
        case 3: text.add(TableCharacters()[in.byte() + ((op >> 3) & 1) * 256]); break;
        case 4: text.add(kEdgeCharacters[in.byte() % (sizeof kEdgeCharacters / sizeof kEdgeCharacters[0])]); break;
        case 5: {
            char32_t c = in.u16();
            if (c >= 0xD800 && c <= 0xDFFF) c -= 0x1000;  // a scalar value, never a surrogate
            text.add(c);
            break;
        }
        case 6: text.add(0x10000 + (in.u16() | (in.byte() & 0x0F) << 16)); break;
        default: {
            char32_t c = text.n ? text.c[text.n - 1] : U'a';
            std::size_t count = 1 + in.byte() * 2;
            for (std::size_t i = 0; i < count && text.n < kMaxCodePoints; ++i) text.add(c);
        }
        }
    }
}

// Large enough to stay off the stack; the fuzzer runs one input at a time.
Characters gText, gDecoded;
Encoded gExpected, gBack;
Bytes gSource, gEncoded, gDecodedBytes, gRoundTrip;

void RawMode(unsigned flags, unsigned first, unsigned second, Reader& in) {
    static const unsigned kEncodings[] = {0, 1252, 850, 0};
    unsigned from = kEncodings[flags & 3], to = kEncodings[(flags >> 2) & 3];
    std::size_t size = 0;
    const char* source = in.rest(&size);
    if (size > kMaxSource) size = kMaxSource;
    DecodeReference(source, size, from, gDecoded);
    EncodeReference(gDecoded, to, gExpected);
    std::size_t capacity = ChooseCapacity(flags >> 4, first, gExpected.bytes.n);
    Convert(source, size, from, to, capacity, gExpected, gDecoded.n, gEncoded, nullptr);
    CheckDirection(source, size, from, to, flags >> 6, second);
}

// Valid UTF-8 to a code page and back.
void TextMode(unsigned flags, unsigned first, unsigned second, Reader& in) {
    unsigned codePage = flags & 1 ? 850 : 1252;
    ReadText(in, gText);
    gSource.n = 0;
    for (std::size_t i = 0; i < gText.n; ++i) AppendUtf8(gSource, gText.c[i]);

    EncodeReference(gText, codePage, gExpected);
    std::size_t capacity = ChooseCapacity(flags >> 1, first, gExpected.bytes.n);
    std::size_t fitted = 0;
    Convert(gSource.b, gSource.n, 0, codePage, capacity, gExpected, gText.n, gEncoded, &fitted);

    DecodeReference(gEncoded.b, gEncoded.n, codePage, gDecoded);
    EncodeReference(gDecoded, 0, gBack);
    std::size_t backCapacity = ChooseCapacity(flags >> 3, second, gBack.bytes.n);
    Convert(gEncoded.b, gEncoded.n, codePage, 0, backCapacity, gBack, gDecoded.n, gDecodedBytes, nullptr);

    // The way back gives the characters that fitted, each one the code page lacks as '?'.
    if (backCapacity >= gBack.bytes.n) {
        gRoundTrip.n = 0;
        for (std::size_t i = 0; i < fitted; ++i)
            AppendUtf8(gRoundTrip, Oracle(codePage).encode(gText.c[i]) < 0 ? U'?' : gText.c[i]);
        if (gRoundTrip.n != gDecodedBytes.n || std::memcmp(gRoundTrip.b, gDecodedBytes.b, gRoundTrip.n) != 0)
            Fail("round trip differs from the text with '?' for missing characters");
    }

    CheckDirection(gSource.b, gSource.n, 0, codePage, flags >> 5, first ^ second);
    CheckDirection(gEncoded.b, gEncoded.n, codePage, 0, flags >> 6, second);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = [] {
        Encodings.defaultEncoding.assign(L"CP1252");
        Encodings.oemEncoding.assign(L"CP850");
        return true;
    }();
    (void)ready;
    Reader in(data, size);
    unsigned flags = in.byte();
    unsigned first = in.u16(), second = in.u16();
    if (flags & 0x80) {
        RawMode(flags, first, second, in);
    } else {
        TextMode(flags, first, second, in);
    }
    return 0;
}

#pragma clang attribute pop
