// The class-library stand-in through its exported classes: what the log relies on.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/qscl.h"

namespace {

// Records each write the stream receives.
class RecordingStream : public qs::io::OutputStream {
public:
    std::vector<std::string> writes;
    bool closed = false;
    void write(const void* bytes, std::size_t length) override {
        writes.emplace_back(static_cast<const char*>(bytes), length);
    }
    void close() override { closed = true; }
};

TEST(ClassLibraryStringTest, EditsAndComparesRegions) {
    qs::String s(L"KFIF");
    s.append(L' ', 6);
    EXPECT_EQ(s.getLength(), 10u);
    EXPECT_STREQ(qs::String("abc").getChars(), L"abc");  // from 8-bit text
    qs::String r(L"C:\\Data\\logs");
    r.replace(2, 5, qs::String(L"\\Prog"));
    EXPECT_STREQ(r.getChars(), L"C:\\Prog\\logs");
    r.replace(100, 5, qs::String(L"!"));  // clipped to the end
    EXPECT_STREQ(r.getChars(), L"C:\\Prog\\logs!");
    EXPECT_TRUE(r.regionMatches(3, qs::String(L"xPROG"), 1, 4, true));
    EXPECT_FALSE(r.regionMatches(3, qs::String(L"xPROG"), 1, 4, false));
    EXPECT_FALSE(r.regionMatches(10, qs::String(L"logs!!"), 0, 6));  // past the end: no match, no read
    EXPECT_STREQ(qs::String::valueOf(-1583).getChars(), L"-1583");
    s.append(s);  // appending itself
    EXPECT_EQ(s.getLength(), 20u);
}

TEST(ClassLibraryWriterTest, EncodesUtf8AndNeverSplitsAText) {
    RecordingStream* stream = new RecordingStream;
    auto* writer = new qs::io::OutputStreamWriter(stream, "UTF-8", 8);
    writer->write(qs::String(L"ab\u00e9"));    // fits the buffer: held
    EXPECT_TRUE(stream->writes.empty());
    writer->write(qs::String(L"0123456789"));  // does not fit: the held text goes, then this one whole
    ASSERT_EQ(stream->writes.size(), 2u);
    EXPECT_EQ(stream->writes[0], "ab\xC3\xA9");
    EXPECT_EQ(stream->writes[1], "0123456789");
    writer->write(qs::String(L"z"));
    writer->flush();
    EXPECT_EQ(stream->writes.back(), "z");
    writer->close();
    EXPECT_TRUE(stream->closed);
    EXPECT_THROW(new qs::io::OutputStreamWriter(stream, "EBCDIC", 8), qs::ResultException);
    writer->Release();
    stream->Release();
}

class RecordingWriter : public qs::log::AbstractLogWriter {
public:
    using AbstractLogWriter::AbstractLogWriter;
    std::vector<std::wstring> seen;
    void formatEntry(const qs::log::LogEntry& entry, qs::String& line) override {
        std::wstring all;
        for (const wchar_t* name : {L"name", L"text", L"level", L"sequence", L"thread"}) {
            qs::String value;
            all += std::wstring(name) + L"=" + (entry.getProperty(name, value) ? value.getChars() : L"-") + L";";
        }
        qs::String timestamp;
        all += entry.getProperty(L"timestamp", timestamp) ? std::to_wstring(timestamp.getLength()) : L"-";
        seen.push_back(all);
        line = qs::String(L"x");
    }
};

TEST(ClassLibraryLoggerTest, HandsEnabledEntriesWithTheSwitchedFields) {
    RecordingStream* stream = new RecordingStream;
    auto* writer = new qs::io::OutputStreamWriter(stream, "UTF-8", 64);
    auto* processor = new RecordingWriter(writer);
    qs::log::Logger* logger = qs::log::Logger::create(qs::String(L"KFIF      "));
    logger->setProcessor(processor);
    logger->log(1, qs::String(L"disabled"));  // a new logger is off
    logger->setEnabled(true);
    logger->setFieldEnabled(qs::log::Logger::Sequence, false);
    logger->log(4, qs::String(L"on"));
    logger->setFieldEnabled(qs::log::Logger::Text, false);
    logger->setFieldEnabled(qs::log::Logger::Timestamp, false);
    logger->log(2, qs::String(L"no text"));
    ASSERT_EQ(processor->seen.size(), 2u);
    EXPECT_EQ(processor->seen[0], L"name=KFIF      ;text=on;level=4;sequence=-;thread=-;23");
    EXPECT_EQ(processor->seen[1], L"name=KFIF      ;text=-;level=2;sequence=-;thread=-;-");
    EXPECT_EQ(stream->writes.size(), 2u);  // each entry flushed as its own write
    logger->Release();
    processor->Release();
    writer->Release();
    stream->Release();
}

TEST(ClassLibraryStreamTest, FailuresAreResultExceptions) {
    try {
        new qs::io::FileOutputStream(qs::String(L"C:\\no\\such\\folder\\x.log"), 10);
        FAIL() << "opened a file in a missing folder";
    } catch (const qs::ResultException& e) {
        EXPECT_EQ(e.getStatus(), static_cast<std::int32_t>(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)));
    }
    EXPECT_THROW(qs::i18n::StringBundle::getBundle(qs::String(L"no-such-bundle")), qs::ResultException);
}

}  // namespace
