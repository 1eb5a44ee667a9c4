// Runs natively (code page tables from the host's iconv) and under Wine (Windows' own
// tables in the class library): the expected bytes hold for both.
#include <gtest/gtest.h>

#include <string>

#include "paths/text_conversion.h"

namespace {

// What ConvertText writes into capacity bytes, or "<failed>"; nothing may go past the capacity.
std::string Convert(const std::string& source, const wchar_t* from, const wchar_t* to, std::size_t capacity = 64) {
    std::string out(capacity + 8, '\x7F');
    long n = ConvertText(source.data(), source.size(), from, &out[0], capacity, to);
    EXPECT_EQ(out.substr(capacity), std::string(8, '\x7F')) << "written past the capacity";
    if (n < 0) return out == std::string(capacity + 8, '\x7F') ? "<failed>" : "<failed, written>";
    return out.substr(0, static_cast<std::size_t>(n));
}

TEST(TextConversionTest, CodePagesByteExactly) {
    const wchar_t *utf8 = L"UTF-8", *cp1252 = L"CP1252", *cp850 = L"CP850", *cp932 = L"CP932";
    struct Case { std::string source; const wchar_t *from, *to; std::string expected; std::size_t capacity; };
    const Case cases[] = {
        {"M\xFCller \x80 \xE9t\xE9", L"windows-1252", utf8, "M\xC3\xBCller \xE2\x82\xAC \xC3\xA9t\xC3\xA9", 64},
        {"M\xC3\xBCller \xC3\xA9", utf8, cp850, "M\x81ller \x82", 64}, {"\xE2\x82\xAC", utf8, cp850, "?", 64},
        {"\x81\x82\xC9", L"cp850", utf8, "\xC3\xBC\xC3\xA9\xE2\x95\x94", 64},
        {"\xE2\x95\x94 \xF0\x9F\x98\x80", utf8, cp1252, "? ?", 64},  // missing in the code page
        {"\x80\xFF", L"ISO-8859-1", utf8, "\xC2\x80\xC3\xBF", 64}, {"\x82\xA0\x5C", cp932, utf8, "\xE3\x81\x82\\", 64},
        {"\x82 ", cp932, utf8, "\xEF\xBF\xBD ", 64},  // a lead byte without a partner
        {"\xE3\x81\x82x", utf8, cp932, "\x82\xA0x", 64}, {"a\xC3(\xFF", utf8, cp1252, "a?(?", 64},
        {"a\xE2\x82", utf8, utf8, "a\xEF\xBF\xBD", 64},  // the text ends inside a character
        {"\xC0\xAF", utf8, utf8, "\xEF\xBF\xBD\xEF\xBF\xBD", 64}, {"\xED\xA0\x80", utf8, L"ISO-8859-1", "???", 64},
        {"\xF0\x9F\x98\x80", utf8, utf8, "\xF0\x9F\x98\x80", 64},
        // A small destination ends at the last whole character that fits.
        {"abcdefg", utf8, cp1252, "abcde", 5}, {"a\xE9z", cp1252, utf8, "a", 2}, {"a\xE9z", cp1252, utf8, "a\xC3\xA9", 3},
        {std::string(1500, 'q'), utf8, utf8, std::string(1025, 'q'), 1025}, {"abc", utf8, utf8, "", 0},
        {"abc", L"EBCDIC-ish", utf8, "<failed>", 8}, {"abc", utf8, L"EBCDIC-ish", "<failed>", 8},
    };
    for (const Case& c : cases) EXPECT_EQ(Convert(c.source, c.from, c.to, c.capacity), c.expected) << c.source;
    for (const wchar_t* name : {L"CP", L"CP0", L"CP70000", L"CP1252x", L"windows-", L"", (const wchar_t*)nullptr})
        EXPECT_EQ(Convert("abc", name, utf8) + Convert("abc", utf8, name), "<failed><failed>");
}

// A pass reads 512 bytes: a character whose bytes fall on both sides is carried over whole.
TEST(TextConversionTest, CharacterAcrossThePassBoundary) {
    struct Case { std::size_t before; std::string character; const wchar_t *from, *to; std::string expected; };
    const Case cases[] = {{511, "\xC3\xA9", L"UTF-8", L"CP1252", "\xE9"}, {510, "\xE2\x82\xAC", L"UTF-8", L"CP1252", "\x80"},
                          {509, "\xF0\x9F\x98\x80", L"UTF-8", L"UTF-8", "\xF0\x9F\x98\x80"},
                          {511, "\x82\xA0", L"CP932", L"UTF-8", "\xE3\x81\x82"}};
    for (const Case& c : cases) {
        for (std::size_t before = c.before - 2; before <= c.before; ++before) {
            const std::string a(before, 'a'), b(700, 'b');
            EXPECT_EQ(Convert(a + c.character + b, c.from, c.to, 2000), a + c.expected + b) << before;
        }
    }
}

// The four directions take the text with its terminator, whole or not at all.
TEST(TextConversionTest, Directions) {
    Encodings.defaultEncoding.assign(L"windows-1252");
    Encodings.oemEncoding.assign(L"CP850");
    std::string ascii;
    for (int c = 1; c < 128; ++c) ascii += static_cast<char>(c);
    using Direction = bool (*)(char*, std::size_t, const char*);
    struct Case { Direction direction; std::string source; std::size_t capacity; bool whole; std::string out; };
    const Case cases[] = {
        {AnsiToUtf8, ascii, 400, true, ascii}, {Utf8ToAnsi, ascii, 400, true, ascii}, {OemToUtf8, ascii, 400, true, ascii},
        {Utf8ToOem, ascii, 128, true, ascii}, {AnsiToUtf8, "\x80\x80", 16, true, "\xE2\x82\xAC\xE2\x82\xAC"},
        {AnsiToUtf8, "ab\xE9", 4, false, ""}, {AnsiToUtf8, "a\xE9", 4, true, "a\xC3\xA9"},
        {OemToUtf8, "\x81", 3, true, "\xC3\xBC"}, {Utf8ToOem, "\xC3\xBC", 2, true, "\x81"},
        {Utf8ToAnsi, "\xC3\xBC", 2, true, "\xFC"},
    };
    for (const Case& c : cases) {
        std::string out(c.capacity + 1, 'x');  // the byte past the capacity, and any after the terminator, untouched
        EXPECT_EQ(c.direction(&out[0], c.capacity, c.source.c_str()), c.whole) << c.source;
        EXPECT_EQ(out.c_str(), c.out);
        if (c.whole) EXPECT_EQ(out.substr(c.out.size() + 1), std::string(c.capacity - c.out.size(), 'x'));
    }
    Encodings.oemEncoding.assign(L"no-such-encoding");
    char out[8] = "kept";
    EXPECT_FALSE(Utf8ToOem(out, sizeof out, "abc"));
}

}  // namespace
