#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "setup/connection_string.h"

namespace {

DsnSettings Record(const char* attributes) {
    DsnSettings record;
    std::memset(&record, 0, sizeof record);
    ParseAttributeList(attributes, record);
    return record;
}

TEST(ConnectionStringTest, BuiltFromTheRecord) {
    struct Case { const char* name; const char* attributes; const char* expected; };
    // Attribute lists: key=value texts, each terminated, ended by an empty text.
    const Case cases[] = {
        {"plain", "DBQ=DEMODATA\0ServerName=dbhost\0TCPPort=1583\0TransportHint=TCP:SPX\0",
         "DRIVER={D};DBQ=DEMODATA;ServerName=dbhost.1583;TransportHint=TCP:SPX"},
        {"QmTranslate", "DBQ=DEMODATA\0ServerName=dbhost\0TCPPort=1583\0TransportHint=TCP:SPX\0QmTranslate=Auto\0",
         "DRIVER={D};DBQ=DEMODATA;ServerName=dbhost.1583;TransportHint=TCP:SPX;QmTranslate=Auto"},
        {"empty TranslationDLL", "DBQ=DEMODATA\0ServerName=dbhost\0TCPPort=1583\0TransportHint=TCP:SPX\0TranslationDLL=\0",
         "DRIVER={D};DBQ=DEMODATA;ServerName=dbhost.1583;TransportHint=TCP:SPX"},
        {"both translations, in order",
         "QmTranslate=Auto\0TranslationDLL=qmxlat.dll\0DBQ=DEMODATA\0ServerName=dbhost\0TCPPort=1583\0TransportHint=TCP:SPX\0",
         "DRIVER={D};DBQ=DEMODATA;ServerName=dbhost.1583;TransportHint=TCP:SPX;TranslationDLL=qmxlat.dll;QmTranslate=Auto"},
        {"IPv6", "DBQ=DEMODATA\0ServerName=fe80::1\0TCPPort=1583\0TransportHint=TCP:SPX\0",
         "DRIVER={D};DBQ=DEMODATA;ServerName=[fe80::1].1583;TransportHint=TCP:SPX"},
        {"not passed", "DBQ=DEMODATA\0ServerName=dbhost\0TCPPort=2000\0TransportHint=SPX\0TranslationOption=1\0"
                       "ArrayFetchOn=1\0ArrayBufferSize=8\0ServerDSN=DEMO\0",
         "DRIVER={D};DBQ=DEMODATA;ServerName=dbhost.2000;TransportHint=SPX"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DsnSettings record = Record(c.attributes);
        ProfileText connection;
        ASSERT_TRUE(BuildConnectionString(record, "D", connection));
        EXPECT_STREQ(connection.c_str(), c.expected);
    }
}

// 512 characters go out whole; one more and nothing is sent rather than a string cut short.
TEST(ConnectionStringTest, RefusedRatherThanCut) {
    const std::string fixed = "DRIVER={D};DBQ=;ServerName=h.1583;TransportHint=TCP:SPX";
    DsnSettings record = Record("ServerName=h\0TCPPort=1583\0TransportHint=TCP:SPX\0");
    record.DBQ.set(std::string(512 - fixed.size(), 'q').c_str());
    ProfileText connection;
    ASSERT_TRUE(BuildConnectionString(record, "D", connection));
    EXPECT_EQ(connection.length(), 512u);

    record.QmTranslate.set("Auto");
    connection.assign("untouched");
    EXPECT_FALSE(BuildConnectionString(record, "D", connection));
    EXPECT_STREQ(connection.c_str(), "untouched");
}

}  // namespace
