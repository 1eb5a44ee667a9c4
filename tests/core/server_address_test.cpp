#include <gtest/gtest.h>

#include <string>

#include "setup/server_address.h"

namespace {

TEST(StoredServerTest, NamePortAndBrackets) {
    struct Case { const char* server; const char* port; const char* stored; };
    const Case cases[] = {
        {"dbhost", nullptr, "dbhost.1583"}, {"dbhost", "2000", "dbhost.2000"},
        {"fe80::1", nullptr, "[fe80::1].1583"}, {"[fe80::1]", nullptr, "[fe80::1].1583"},
        {"host:1", nullptr, "host:1.1583"}, {"::", "7", "[::].7"}, {"10.1.2.3", "", "10.1.2.3."},
        {"", nullptr, ".1583"},
    };
    for (const Case& c : cases) {
        ProfileText stored;
        ASSERT_TRUE(FormatStoredServer(c.server, c.port, stored)) << c.server;
        EXPECT_STREQ(stored.c_str(), c.stored) << c.server;
    }
}

TEST(StoredServerTest, RefusesWhatWouldNotFit) {
    ProfileText stored;
    stored.assign("untouched");
    std::string fits(507, 'h');  // 507 + ".1583" = 512
    EXPECT_TRUE(FormatStoredServer(fits.c_str(), nullptr, stored));
    EXPECT_EQ(stored.length(), 512u);
    stored.assign("untouched");
    std::string tooLong(508, 'h');
    EXPECT_FALSE(FormatStoredServer(tooLong.c_str(), nullptr, stored));
    EXPECT_STREQ(stored.c_str(), "untouched");
    std::string ipv6(506, ':');  // 506 + 5 fits, the brackets push it over
    EXPECT_FALSE(FormatStoredServer(ipv6.c_str(), "1583", stored));
}

TEST(StoredServerTest, ReadBackDropsTheFourDigitPort) {
    struct Case { const char* stored; const char* server; };
    const Case cases[] = {
        {"dbhost.1583", "dbhost"}, {"[fe80::1].1583", "[fe80::1]"}, {"a.1583", "a"}, {".1583", ""},
        {"x.158", ""},  // exactly five characters
        {"h.80", "h"}, {"abc", "abc"}, {".", ""}, {"", ""}, {"dbhost.20000", "dbhost."},
    };
    for (const Case& c : cases) {
        ProfileText server;
        ReadBackServerName(c.stored, server);
        EXPECT_STREQ(server.c_str(), c.server) << c.stored;
    }
    std::string longStored(600, 's');
    ProfileText server;
    ReadBackServerName(longStored.c_str(), server);
    EXPECT_EQ(server.length(), 512u);
}

}  // namespace
