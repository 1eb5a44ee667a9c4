// Request records byte for byte, and answer readers against lying answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "remote/request_records.h"

namespace {

// Records laid out here byte by byte, never with the product's writer, so that a layout
// mistake in the product cannot hide in the expected bytes too.
struct Out {
    Record r;
    Out& bytes(std::initializer_list<std::uint8_t> b) { return r.insert(r.end(), b), *this; }
    Out& u16(unsigned v) { return bytes({static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>(v >> 8)}); }
    Out& text(const std::string& t, std::size_t slot) {  // the text, then zeros to the slot's end
        r.insert(r.end(), t.begin(), t.end());
        r.resize(r.size() + slot - t.size(), 0);
        return *this;
    }
    Out& zeros(std::size_t n) { return text("", n); }
    Out& item(const std::string& t) { return u16(static_cast<unsigned>(t.size()) + 3).text(t, t.size() + 1); }
};

// Every length travels in 16 bits: one that does not fit is refused, never wrapped into a
// record that misstates its own size.
TEST(RequestRecordTest, BytesOfEveryRequestAndEveryLengthOverItsField) {
    const std::string fits(65532, 'n');     // item length 65,535: the most a field carries
    const std::string tooLong(65533, 'n');  // item length 65,536
    const std::string huge(70000, 'n');
    const DatabaseAttributes none{}, a{1, 1, 1, 3, 1, 1252};
    struct Case { const char* name; EncodedRecord record, expected; };  // expected none: refused
    const Case cases[] = {
        {"5202", EncodeDeleteEngineDsn("SALESDSN"), Out().zeros(2).item("SALESDSN").zeros(9).r},
        {"5202 name that fits", EncodeDeleteEngineDsn(fits.c_str()), Out().zeros(2).item(fits).zeros(9).r},
        {"5205", EncodeEngineDsnRecord(2, "N", "D", "B", "0"), Out().zeros(2).u16(2).item("N").item("D").item("B").item("0").r},
        {"5205 longer", EncodeEngineDsnRecord(1, "SALES", "Sales data", "DEMODATA", "-4"),
         Out().zeros(2).u16(1).item("SALES").item("Sales data").item("DEMODATA").item("-4").r},
        {"5206 open mode that fits", EncodeEngineDsnRecord(0, "n", "d", "b", fits.c_str()),
         Out().zeros(4).item("n").item("d").item("b").item(fits).r},
        {"5207", EncodeReadEngineDsnRequest("DEMO"), Out().zeros(4).item("DEMO").zeros(9).r},
        {"4116", EncodeDatabaseRecord("db", none, 256, "", 513, ""),
         Out().u16(513).u16(256).zeros(10).item("db").u16(516).zeros(514).u16(259).zeros(257).r},
        {"4166", EncodeDatabaseRecord("SALES", a, 9, "C:\\dict\\x", 11, "C:\\d1;C:\\d2"),
         Out().u16(11).u16(9).bytes({1, 1, 1, 3, 1, 0xE4, 0x04, 0, 0, 0}).item("SALES").u16(14)
             .text("C:\\d1;C:\\d2", 12).u16(12).text("C:\\dict\\x", 10).r},
        {"4166 data locations that fit", EncodeDatabaseRecord("x", none, 0, "", 65532, "d"),
         Out().u16(65532).u16(0).zeros(10).item("x").u16(65535).text("d", 65533).u16(3).zeros(1).r},
        {"4117 for 2 names", EncodeDatabaseNamesRequest(40), Out().u16(40).zeros(41).r},
        {"4117 for 3,276 names", EncodeDatabaseNamesRequest(65520), Out().u16(65520).zeros(65521).r},
        {"5202 name one over", EncodeDeleteEngineDsn(tooLong.c_str())}, {"4117 for 3,277 names", EncodeDatabaseNamesRequest(65540)},
        {"5205 name of 70,000", EncodeEngineDsnRecord(0, huge.c_str(), "d", "b", "0")},
        {"5206 description one over", EncodeEngineDsnRecord(0, "n", tooLong.c_str(), "b", "0")},
        {"5207 name of 70,000", EncodeReadEngineDsnRequest(huge.c_str())},
        {"4166 data locations one over", EncodeDatabaseRecord("x", none, 0, "", 65533, "d")},
        {"4116 dictionary capacity one over", EncodeDatabaseRecord("x", none, 65533, "", 0, "")},
        {"4116 dictionary capacity of 2^63", EncodeDatabaseRecord("x", none, 1ull << 63, "", 0, "")},
        {"4166 name one over", EncodeDatabaseRecord(tooLong.c_str(), none, 1, "k", 1, "d")},
        {"4117 length of 2^32 + 20", EncodeDatabaseNamesRequest((1ull << 32) + 20)},
    };
    for (const Case& c : cases) EXPECT_EQ(c.record, c.expected) << c.name;
    EXPECT_EQ(ReadEngineDsnAnswerSize("DEMO"), 140u);
    // A server holding more databases than one request can carry is listed up to that many.
    for (std::uint64_t count : {0, 1, 3276, 3277, 65535})
        EXPECT_EQ(DatabaseNamesByteLength(count), std::min<std::uint64_t>(count, 3276) * 20) << count;
}

// A 4116 answer as a server would lay it out.
Record DetailsAnswer(unsigned d, unsigned k, const std::string& data, const std::string& dict) {
    return Out().u16(d).u16(k).bytes({1, 0, 1, 3, 0, 0xE9, 0xFD, 0, 0, 0}).item("db").u16(d + 3).text(data, d + 1)
        .u16(k + 3).text(dict, k + 1).r;
}
Record Patched(Record r, std::size_t at, std::initializer_list<std::uint8_t> b) { return std::copy(b.begin(), b.end(), r.begin() + at), r; }

TEST(AnswerReaderTest, DatabaseDetailsFollowTheAnsweredLengthsAndStayInBounds) {
    const std::string d513(513, 'd'), k256(256, 'k');
    const Record plain = DetailsAnswer(20, 16, "C:\\data", "C:\\dict");
    const Record inBigBuffer = Out{plain}.zeros(794 - plain.size()).r;  // the request's buffer, partly filled
    Record unterminated = DetailsAnswer(8, 8, "", "");
    std::fill(unterminated.begin() + 21, unterminated.end(), 'x');
    struct Case { Record answer; std::size_t dataCap, dictCap; std::string data, dict; };
    const Case cases[] = {
        {DetailsAnswer(513, 256, d513, k256), 514, 257, d513, k256},  // texts that exactly fill the buffers
        {inBigBuffer, 514, 257, "C:\\data", "C:\\dict"},  // K is found D + 3 after the data
        {Patched(plain, 0, {0xFF, 0xFF}), 514, 257, "C:\\data", ""},  // D past the end
        {Patched(plain, 2, {0xFF, 0x7F}), 514, 4, "C:\\data", "C:\\"},  // K larger than the caller's buffer
        {Patched(plain, 14, {0, 0}), 514, 257, "", ""},  // a name item length below its own frame
        {unterminated, 514, 257, "xxxxxxxxx", "xxxxxxxxx"}, {Record(3, 0xFF), 514, 257, "", ""},
        {Record(), 514, 257, "", ""}, {plain, 3, 2, "C:", "C"},
    };
    for (const Case& c : cases) {
        std::vector<char> data(c.dataCap, '#'), dict(c.dictCap, '#');  // exactly sized for the sanitizers
        ReadDatabaseDetailsAnswer(c.answer.data(), c.answer.size(), data.data(), data.size(), dict.data(), dict.size());
        EXPECT_EQ(data.data() + std::string("|") + dict.data(), c.data + "|" + c.dict);
    }
    char data[514], dict[257];
    DatabaseDetails d = ReadDatabaseDetailsAnswer(inBigBuffer.data(), 794, data, sizeof data, dict, sizeof dict);
    const DatabaseAttributes& a = d.attributes;
    EXPECT_EQ(std::vector<unsigned>({unsigned(d.dataLength), unsigned(d.dictionaryLength), a.bound, a.integrityEnforced,
                                     a.createDictionary, a.securityModel, a.longMetadata, a.codePage}),
              std::vector<unsigned>({20, 16, 1, 0, 1, 3, 0, 65001}));
}

TEST(AnswerReaderTest, DatabaseNamesAreCutToWhatWasAsked) {
    Record answer = Out().u16(60).text(std::string(20, 'T'), 20).text("DEMODATA", 20).text("EXTRA", 20).r;
    char names[41] = {};
    std::uint64_t n = ReadDatabaseNamesAnswer(answer.data(), answer.size(), 40, names, sizeof names);
    std::string listed = std::to_string(n);  // the answer claimed 60: cut to the 40 asked
    for (std::size_t slot = 0; slot < 3; ++slot) listed += std::string("|") + DatabaseNameAt(names, n, slot).c_str();
    EXPECT_EQ(listed, "40|" + std::string(20, 'T') + "|DEMODATA|");  // a 20-character name has no terminator
    Record shortAnswer = {0xFF, 0xFF, 'A', 'B'};  // a count larger than the answer itself
    EXPECT_EQ(ReadDatabaseNamesAnswer(shortAnswer.data(), shortAnswer.size(), 80, names, sizeof names), 2u);
    EXPECT_EQ(ReadDatabaseNamesAnswer(shortAnswer.data(), 1, 80, names, sizeof names), 0u);
}

TEST(AnswerReaderTest, EngineDsnAnswerStopsAtALyingFrame) {
    const Record answer = Out().zeros(2).u16(2).item("DEMO").item("Demo data").item("DEMODATA").item("-1").zeros(101).r;
    ASSERT_EQ(answer.size(), ReadEngineDsnAnswerSize("DEMO"));
    // An item length below its own frame (0, 1, 2) would make a reader stand still or read the same bytes again.
    struct Case { Record bytes; std::size_t size; const char* read; };
    const Case cases[] = {
        {answer, answer.size(), "2|Demo data|DEMODATA|-1"}, {answer, 3, "0|||"},
        {Patched(answer, 23, {0xF0, 0xFF}), answer.size(), "2|Demo data||"},  // the database item runs past the buffer
        {Patched(answer, 4, {0, 0}), answer.size(), "2|||"}, {Patched(answer, 4, {1, 0}), answer.size(), "2|||"},
        {Patched(answer, 4, {2, 0}), answer.size(), "2|||"},
    };
    for (const Case& c : cases) {
        EngineDsnAnswer a = ReadEngineDsnAnswer(c.bytes.data(), c.size);
        EXPECT_EQ(std::to_string(a.translation) + "|" + a.description.c_str() + "|" + a.database.c_str() + "|" +
                      a.openMode.c_str(), c.read);
    }
    const Record v = Out().zeros(4).bytes({12, 0, 0, 0}).zeros(8).text("WNT ", 4).r;  // the version record
    VersionAnswer whole = ReadVersionAnswer(v.data(), v.size()), cut = ReadVersionAnswer(v.data(), 10);
    EXPECT_EQ(std::to_string(whole.major) + whole.platform + "|" + std::to_string(cut.major) + cut.platform, "12WNT |12");
}

}  // namespace
