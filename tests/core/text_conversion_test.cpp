// Runs natively (code page tables from the host's iconv) and under Wine (Windows' own
// tables in the class library): the expected bytes hold for both.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "paths/text_conversion.h"
#include "platform/qscl.h"

namespace {

std::string Convert(const std::string& source, const wchar_t* from, const wchar_t* to, std::size_t capacity,
                    long* written = nullptr) {
    std::string out(capacity + 8, '\x7F');
    long n = ConvertText(source.data(), source.size(), from, &out[0], capacity, to);
    if (written) *written = n;
    EXPECT_EQ(out.substr(capacity), std::string(8, '\x7F')) << "written past the capacity";
    return n < 0 ? "<failed>" : out.substr(0, static_cast<std::size_t>(n));
}

class TextConversionTest : public ::testing::Test {
protected:
    void SetUp() override {
        Encodings.defaultEncoding.assign(L"windows-1252");
        Encodings.oemEncoding.assign(L"CP850");
    }
};

TEST_F(TextConversionTest, AsciiIsTheSameInEveryDirection) {
    std::string ascii;
    for (int c = 1; c < 128; ++c) ascii += static_cast<char>(c);
    using Direction = bool (*)(char*, std::size_t, const char*);
    const Direction directions[] = {AnsiToUtf8, Utf8ToAnsi, OemToUtf8, Utf8ToOem};
    for (Direction d : directions) {
        char out[3 * 128 + 8];
        std::memset(out, 'x', sizeof out);
        ASSERT_TRUE(d(out, sizeof out, ascii.c_str()));
        EXPECT_EQ(std::string(out, ascii.size() + 1), std::string(ascii.c_str(), ascii.size() + 1));
        EXPECT_EQ(out[ascii.size() + 1], 'x');  // the terminator is the last byte written
    }
}

TEST_F(TextConversionTest, CodePagesByteExactly) {
    struct Case { const char* name; std::string source; const wchar_t* from; const wchar_t* to; std::string expected; };
    const Case cases[] = {
        {"ANSI to UTF-8", "M\xFCller \x80 \xE9t\xE9", L"windows-1252", L"UTF-8", "M\xC3\xBCller \xE2\x82\xAC \xC3\xA9t\xC3\xA9"},
        {"UTF-8 to CP850", "M\xC3\xBCller \xC3\xA9", L"UTF-8", L"CP850", "M\x81ller \x82"},
        {"CP850 to UTF-8", "\x81\x82\xC9", L"cp850", L"UTF-8", "\xC3\xBC\xC3\xA9\xE2\x95\x94"},
        {"missing in CP850", "\xE2\x82\xAC", L"UTF-8", L"CP850", "?"},
        {"missing in CP1252", "\xE2\x95\x94 \xF0\x9F\x98\x80", L"UTF-8", L"CP1252", "? ?"},
        {"ISO-8859-1", "\x80\xFF", L"ISO-8859-1", L"UTF-8", "\xC2\x80\xC3\xBF"},
        {"CP932 pairs", "\x82\xA0\x5C", L"CP932", L"UTF-8", "\xE3\x81\x82\\"},
        {"CP932 lead byte without a partner", "\x82 ", L"CP932", L"UTF-8", "\xEF\xBF\xBD "},
        {"to CP932", "\xE3\x81\x82x", L"UTF-8", L"CP932", "\x82\xA0x"},
        {"invalid UTF-8", "a\xC3(\xFF", L"UTF-8", L"CP1252", "a?(?"},
        {"UTF-8 ends inside a character", "a\xE2\x82", L"UTF-8", L"UTF-8", "a\xEF\xBF\xBD"},
        {"overlong form", "\xC0\xAF", L"UTF-8", L"UTF-8", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"surrogate in UTF-8", "\xED\xA0\x80", L"UTF-8", L"ISO-8859-1", "???"},
        {"astral through", "\xF0\x9F\x98\x80", L"UTF-8", L"UTF-8", "\xF0\x9F\x98\x80"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Convert(c.source, c.from, c.to, 64), c.expected);
    }
}

// A pass reads 512 bytes: a character whose bytes fall on both sides is carried over whole.
TEST_F(TextConversionTest, CharacterAcrossThePassBoundary) {
    struct Case { std::size_t before; std::string character; const wchar_t* from; const wchar_t* to; std::string expected; };
    const Case cases[] = {
        {511, "\xC3\xA9", L"UTF-8", L"CP1252", "\xE9"},
        {510, "\xE2\x82\xAC", L"UTF-8", L"CP1252", "\x80"},
        {509, "\xF0\x9F\x98\x80", L"UTF-8", L"UTF-8", "\xF0\x9F\x98\x80"},
        {511, "\x82\xA0", L"CP932", L"UTF-8", "\xE3\x81\x82"},
    };
    for (const Case& c : cases) {
        for (std::size_t shift = 0; shift < 3; ++shift) {
            std::size_t before = c.before - shift;
            SCOPED_TRACE(before);
            std::string source = std::string(before, 'a') + c.character + std::string(700, 'b');
            EXPECT_EQ(Convert(source, c.from, c.to, 2000), std::string(before, 'a') + c.expected + std::string(700, 'b'));
        }
    }
}

TEST_F(TextConversionTest, SmallDestinationEndsAtAWholeCharacter) {
    long n = 0;
    EXPECT_EQ(Convert("abcdefg", L"UTF-8", L"CP1252", 5, &n), "abcde");
    EXPECT_EQ(n, 5);
    EXPECT_EQ(Convert("a\xE9z", L"CP1252", L"UTF-8", 2, &n), "a");  // é takes two bytes
    EXPECT_EQ(Convert("a\xE9z", L"CP1252", L"UTF-8", 3, &n), "a\xC3\xA9");
    EXPECT_EQ(Convert(std::string(1500, 'q'), L"UTF-8", L"UTF-8", 1025, &n), std::string(1025, 'q'));
    EXPECT_EQ(Convert("abc", L"UTF-8", L"UTF-8", 0, &n), "");
    EXPECT_EQ(n, 0);

    // The directions refuse rather than hand on a text without its terminator.
    char out[4] = "xyz";
    EXPECT_FALSE(AnsiToUtf8(out, sizeof out, "ab\xE9"));
    EXPECT_STREQ(out, "");
    EXPECT_TRUE(AnsiToUtf8(out, sizeof out, "a\xE9"));
    EXPECT_STREQ(out, "a\xC3\xA9");
}

TEST_F(TextConversionTest, UnknownEncodingFails) {
    const wchar_t* unknown[] = {L"EBCDIC-ish", L"CP", L"CP0", L"CP70000", L"CP1252x", L"windows-", L"", nullptr};
    for (const wchar_t* name : unknown) {
        char out[8] = "kept";
        EXPECT_EQ(ConvertText("abc", 3, name, out, sizeof out, L"UTF-8"), -1);
        EXPECT_EQ(ConvertText("abc", 3, L"UTF-8", out, sizeof out, name), -1);
        EXPECT_STREQ(out, "kept");
    }
    try {
        qs::text::charset::ByteToCharConverter::getConverter(L"EBCDIC-ish");
        ADD_FAILURE() << "no exception";
    } catch (const qs::ResultException& e) {
        EXPECT_EQ(e.getStatus(), qs::text::charset::kUnknownEncoding);
    }
    Encodings.oemEncoding.assign(L"no-such-encoding");
    char out[8] = "kept";
    EXPECT_FALSE(Utf8ToOem(out, sizeof out, "abc"));
}

}  // namespace
