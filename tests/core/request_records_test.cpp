// Request records byte for byte, and answer readers against lying answers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "remote/request_records.h"

namespace {

std::uint16_t At16(const Record& r, std::size_t offset) { return static_cast<std::uint16_t>(r[offset] | r[offset + 1] << 8); }
std::string TextAt(const Record& r, std::size_t offset) { return std::string(reinterpret_cast<const char*>(&r[offset])); }

TEST(RequestRecordTest, DeleteEngineDsnIsNamePlusFourteen) {
    for (std::string name : {std::string("a"), std::string("SALESDSN"), std::string(40, 'n')}) {
        Record r = EncodeDeleteEngineDsn(name.c_str()).value();
        ASSERT_EQ(r.size(), name.size() + 14);
        EXPECT_EQ(At16(r, 2), name.size() + 3);
        EXPECT_EQ(TextAt(r, 4), name);
        EXPECT_EQ(r[4 + name.size()], 0);
    }
}

TEST(RequestRecordTest, CreateEngineDsnWithOneCharacterTexts) {
    Record r = EncodeEngineDsnRecord(2, "N", "D", "B", "0").value();
    const Record expected = {0, 0, 2, 0, 4, 0, 'N', 0, 4, 0, 'D', 0, 4, 0, 'B', 0, 4, 0, '0', 0};
    EXPECT_EQ(r, expected);
    Record longer = EncodeEngineDsnRecord(1, "SALES", "Sales data", "DEMODATA", "-4").value();
    EXPECT_EQ(longer.size(), 5u + 10 + 8 + 2 + 16);
    EXPECT_EQ(At16(longer, 4), 8u);
    EXPECT_EQ(TextAt(longer, 4 + 8 + 2), "Sales data");
    EXPECT_EQ(TextAt(longer, longer.size() - 3), "-4");
}

TEST(RequestRecordTest, ReadEngineDsnRequest) {
    Record r = EncodeReadEngineDsnRequest("DEMO").value();
    ASSERT_EQ(r.size(), 20u);
    EXPECT_EQ(At16(r, 4), 7u);
    EXPECT_EQ(TextAt(r, 6), "DEMO");
    EXPECT_EQ(ReadEngineDsnAnswerSize("DEMO"), 140u);
}

TEST(RequestRecordTest, DatabaseDetailsRequestForDb) {
    DatabaseAttributes none{};
    Record r = EncodeDatabaseRecord("db", none, 256, "", 513, "").value();
    ASSERT_EQ(r.size(), 794u);
    EXPECT_EQ(At16(r, 0), 513u);
    EXPECT_EQ(At16(r, 2), 256u);
    EXPECT_EQ(At16(r, 14), 5u);
    EXPECT_EQ(TextAt(r, 16), "db");
    EXPECT_EQ(At16(r, 19), 516u);
    EXPECT_EQ(r[21], 0);
    EXPECT_EQ(At16(r, 535), 259u);
    EXPECT_EQ(r[537], 0);
}

TEST(RequestRecordTest, CreateDatabaseCarriesAttributesAndTexts) {
    DatabaseAttributes a{1, 1, 1, 3, 1, 1252};
    Record r = EncodeDatabaseRecord("SALES", a, 9, "C:\\dict\\x", 11, "C:\\d1;C:\\d2").value();
    ASSERT_EQ(r.size(), 5u + 9 + 11 + 23);
    const Record attributes = {1, 1, 1, 3, 1, 0xE4, 0x04, 0, 0, 0};
    EXPECT_EQ(Record(r.begin() + 4, r.begin() + 14), attributes);
    EXPECT_EQ(At16(r, 22), 14u);  // D + 3 after the 8-byte name item
    EXPECT_EQ(TextAt(r, 24), "C:\\d1;C:\\d2");
    EXPECT_EQ(At16(r, 36), 12u);
    EXPECT_EQ(TextAt(r, 38), "C:\\dict\\x");
}

// Every length travels in 16 bits: one that does not fit is refused, never wrapped into a
// record that misstates its own size.
TEST(RequestRecordTest, EveryLengthOverItsFieldIsRefused) {
    const std::string fits(65532, 'n');      // item length 65,535: the most a field carries
    const std::string tooLong(65533, 'n');   // item length 65,536
    const std::string huge(70000, 'n');
    const DatabaseAttributes a{};
    struct Case { const char* name; EncodedRecord record; std::size_t size; };  // size 0: refused
    const Case cases[] = {
        {"5202 name that fits", EncodeDeleteEngineDsn(fits.c_str()), 65546},
        {"5202 name one over", EncodeDeleteEngineDsn(tooLong.c_str()), 0},
        {"5207 name of 70,000", EncodeReadEngineDsnRequest(huge.c_str()), 0},
        {"5205 name of 70,000", EncodeEngineDsnRecord(0, huge.c_str(), "d", "b", "0"), 0},
        {"5206 description one over", EncodeEngineDsnRecord(0, "n", tooLong.c_str(), "b", "0"), 0},
        {"5206 open mode that fits", EncodeEngineDsnRecord(0, "n", "d", "b", fits.c_str()), 65532 + 19},
        {"4117 for 3,276 names", EncodeDatabaseNamesRequest(65520), 65523},
        {"4117 for 3,277 names", EncodeDatabaseNamesRequest(65540), 0},
        {"4117 length of 2^32 + 20", EncodeDatabaseNamesRequest((1ull << 32) + 20), 0},
        {"4166 data locations that fit", EncodeDatabaseRecord("x", a, 0, "", 65532, "d"), 1 + 65532 + 23},
        {"4166 data locations one over", EncodeDatabaseRecord("x", a, 0, "", 65533, "d"), 0},
        {"4116 dictionary capacity one over", EncodeDatabaseRecord("x", a, 65533, "", 0, ""), 0},
        {"4116 dictionary capacity of 2^63", EncodeDatabaseRecord("x", a, 1ull << 63, "", 0, ""), 0},
        {"4166 name one over", EncodeDatabaseRecord(tooLong.c_str(), a, 1, "k", 1, "d"), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.record.has_value(), c.size != 0);
        if (c.record) {
            EXPECT_EQ(c.record->size(), c.size);
        }
    }
    const Record& widest = *cases[0].record;
    EXPECT_EQ(At16(widest, 2), 65535u);

    // A server holding more databases than one request can carry is listed up to that many.
    struct Names { std::uint64_t count, length; };
    for (const Names& n : {Names{0, 0}, Names{1, 20}, Names{3276, 65520}, Names{3277, 65520}, Names{65535, 65520}})
        EXPECT_EQ(DatabaseNamesByteLength(n.count), n.length) << n.count;
}

// Answers are laid out here byte by byte, never with the product's own writer, so that a
// layout mistake in the product cannot hide in the test data too.
void Push16(Record& r, unsigned value) {
    r.push_back(static_cast<std::uint8_t>(value & 0xFF));
    r.push_back(static_cast<std::uint8_t>(value >> 8));
}
void PushText(Record& r, const std::string& text, std::size_t slot) {  // text, then zeros to the slot
    r.insert(r.end(), text.begin(), text.end());
    r.resize(r.size() + slot - text.size(), 0);
}

// A 4116 answer as a server would lay it out.
Record DetailsAnswer(std::uint16_t d, std::uint16_t k, const std::string& data, const std::string& dict) {
    Record r;
    Push16(r, d);
    Push16(r, k);
    r.insert(r.end(), {1, 0, 1, 3, 0, 0xE9, 0xFD, 0, 0, 0});  // attributes: code page 65001
    r.insert(r.end(), {5, 0, 'd', 'b', 0});                    // the name item
    Push16(r, d + 3u);
    PushText(r, data, d + 1u);
    Push16(r, k + 3u);
    PushText(r, dict, k + 1u);
    return r;
}

TEST(AnswerReaderTest, DatabaseDetailsThatExactlyFillTheBuffersComeWhole) {
    const std::string data(513, 'd'), dict(256, 'k');
    Record answer = DetailsAnswer(513, 256, data, dict);
    ASSERT_EQ(answer.size(), 794u);
    std::string dataOut(514, '#'), dictOut(257, '#');
    DatabaseDetails d = ReadDatabaseDetailsAnswer(answer.data(), answer.size(), &dataOut[0], dataOut.size(),
                                                  &dictOut[0], dictOut.size());
    EXPECT_EQ(d.dataLength, 513u);
    EXPECT_EQ(d.dictionaryLength, 256u);
    EXPECT_EQ(dataOut, data + '\0');
    EXPECT_EQ(dictOut, dict + '\0');
}

TEST(AnswerReaderTest, DatabaseDetailsFollowTheAnsweredD) {
    Record answer = DetailsAnswer(20, 16, "C:\\data", "C:\\dict");
    answer.resize(794, 0);  // the request's buffer: larger than what the server filled
    char data[514], dict[257];
    DatabaseDetails d = ReadDatabaseDetailsAnswer(answer.data(), answer.size(), data, sizeof data, dict, sizeof dict);
    EXPECT_EQ(d.dataLength, 20u);
    EXPECT_EQ(d.dictionaryLength, 16u);
    EXPECT_STREQ(data, "C:\\data");
    EXPECT_STREQ(dict, "C:\\dict");  // found 20 + 3 bytes after the data slot
    EXPECT_EQ(d.attributes.bound, 1);
    EXPECT_EQ(d.attributes.securityModel, 3);
    EXPECT_EQ(d.attributes.codePage, 65001);
}

TEST(AnswerReaderTest, DatabaseDetailsThatLieStayInBounds) {
    struct Case { const char* name; Record answer; std::size_t dataCap, dictCap; const char* data; const char* dict; };
    Record bigD = DetailsAnswer(20, 16, "C:\\data", "C:\\dict");
    bigD[0] = 0xFF; bigD[1] = 0xFF;  // D points far past the answer
    Record bigK = DetailsAnswer(20, 16, "C:\\data", "C:\\dict");
    bigK[2] = 0xFF; bigK[3] = 0x7F;
    Record unterminated = DetailsAnswer(8, 8, "", "");
    for (std::size_t i = 21; i < unterminated.size(); ++i) unterminated[i] = 'x';
    Record badName = DetailsAnswer(20, 16, "C:\\data", "C:\\dict");
    badName[14] = 0; badName[15] = 0;  // an item length below its own frame
    const Case cases[] = {
        {"D past the end", bigD, 514, 257, "C:\\data", ""},
        {"K larger than the caller's buffer", bigK, 514, 4, "C:\\data", "C:\\"},
        {"texts without their zero", unterminated, 514, 257, "xxxxxxxxx", "xxxxxxxxx"},
        {"tiny answer", Record(3, 0xFF), 514, 257, "", ""},
        {"empty answer", Record(), 514, 257, "", ""},
        {"small caller buffers", DetailsAnswer(20, 16, "C:\\data", "C:\\dict"), 3, 2, "C:", "C"},
        {"name item length 0", badName, 514, 257, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<char> data(c.dataCap, '#'), dict(c.dictCap, '#');
        ReadDatabaseDetailsAnswer(c.answer.data(), c.answer.size(), data.data(), data.size(), dict.data(), dict.size());
        EXPECT_STREQ(data.data(), c.data);
        EXPECT_STREQ(dict.data(), c.dict);
    }
}

TEST(AnswerReaderTest, DatabaseNamesAreCutToWhatWasAsked) {
    Record request = EncodeDatabaseNamesRequest(40).value();
    ASSERT_EQ(request.size(), 43u);
    EXPECT_EQ(At16(request, 0), 40u);

    std::string twenty(20, 'T');  // a 20-character name has no terminator
    Record answer(2 + 60, 0);
    answer[0] = 60;
    std::memcpy(&answer[2], twenty.data(), 20);
    std::memcpy(&answer[22], "DEMODATA", 8);
    std::memcpy(&answer[42], "EXTRA", 5);
    char names[41] = {};
    std::uint64_t n = ReadDatabaseNamesAnswer(answer.data(), answer.size(), 40, names, sizeof names);
    EXPECT_EQ(n, 40u);  // the answer claimed 60: cut to the 40 asked
    EXPECT_EQ(std::string(DatabaseNameAt(names, n, 0).c_str()), twenty);
    EXPECT_STREQ(DatabaseNameAt(names, n, 1).c_str(), "DEMODATA");
    EXPECT_STREQ(DatabaseNameAt(names, n, 2).c_str(), "");  // past the length read

    // A count larger than the answer buffer itself.
    Record shortAnswer = {0xFF, 0xFF, 'A', 'B'};
    char small[100] = {};
    EXPECT_EQ(ReadDatabaseNamesAnswer(shortAnswer.data(), shortAnswer.size(), 80, small, sizeof small), 2u);
    EXPECT_EQ(ReadDatabaseNamesAnswer(shortAnswer.data(), 1, 80, small, sizeof small), 0u);
}

TEST(AnswerReaderTest, EngineDsnAnswerStopsAtALyingFrame) {
    Record answer = {0, 0, 2, 0};  // translation 2 at offset 2
    for (const std::string item : {"DEMO", "Demo data", "DEMODATA", "-1"}) {
        Push16(answer, static_cast<unsigned>(item.size()) + 3);
        PushText(answer, item, item.size() + 1);
    }
    answer.resize(ReadEngineDsnAnswerSize("DEMO"), 0);
    EngineDsnAnswer a = ReadEngineDsnAnswer(answer.data(), answer.size());
    EXPECT_EQ(a.translation, 2);
    EXPECT_STREQ(a.description.c_str(), "Demo data");
    EXPECT_STREQ(a.database.c_str(), "DEMODATA");
    EXPECT_STREQ(a.openMode.c_str(), "-1");

    Record lying = answer;
    lying[4 + 7 + 12] = 0xF0;  // the database item claims to run past the buffer
    lying[4 + 7 + 12 + 1] = 0xFF;
    EngineDsnAnswer b = ReadEngineDsnAnswer(lying.data(), lying.size());
    EXPECT_STREQ(b.description.c_str(), "Demo data");
    EXPECT_STREQ(b.database.c_str(), "");
    EXPECT_STREQ(b.openMode.c_str(), "");
    EngineDsnAnswer c = ReadEngineDsnAnswer(answer.data(), 3);
    EXPECT_EQ(c.translation, 0);
    EXPECT_STREQ(c.description.c_str(), "");

    // An item length below its own frame (0, 1 or 2) would make a reader stand still or read
    // the same bytes again: the reading ends there.
    for (std::uint8_t frame : {0, 1, 2}) {
        SCOPED_TRACE(static_cast<int>(frame));
        Record tiny = answer;
        tiny[4] = frame;  // the name item
        tiny[5] = 0;
        EngineDsnAnswer d = ReadEngineDsnAnswer(tiny.data(), tiny.size());
        EXPECT_STREQ(d.description.c_str(), "");
        EXPECT_STREQ(d.database.c_str(), "");
        EXPECT_STREQ(d.openMode.c_str(), "");
    }
}

TEST(AnswerReaderTest, VersionRecord) {
    Record v(20, 0);
    v[4] = 12;
    std::memcpy(&v[16], "WNT ", 4);
    VersionAnswer a = ReadVersionAnswer(v.data(), v.size());
    EXPECT_EQ(a.major, 12u);
    EXPECT_STREQ(a.platform, "WNT ");
    EXPECT_EQ(ReadVersionAnswer(v.data(), 10).major, 12u);
    EXPECT_STREQ(ReadVersionAnswer(v.data(), 10).platform, "");
}

}  // namespace
