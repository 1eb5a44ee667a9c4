// The settings record: the attribute list that fills it, the writes it makes in "odbc.ini",
// the stored server, the connection string and the DSN name rule.
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "setup/connection_string.h"
#include "setup/dsn_name_rule.h"
#include "setup/dsn_settings.h"
#include "setup/server_address.h"
#include "tests/support/attribute_list.h"

namespace {

using namespace std::string_literals;

DsnSettings Parsed(const std::string& list) {
    DsnSettings s;
    std::memset(&s, 0, sizeof s);  // zero-filled like the call's record
    ParseAttributeList(list.data(), s);
    return s;
}

// Each field that is set or holds a text, in field order, as "Key=value" ("Key?=" when unset), joined by "|".
std::string Render(const DsnSettings& s) {
    static const std::pair<const char*, DsnSetting DsnSettings::*> fields[] = {
        {"DSN", &DsnSettings::DSN}, {"Description", &DsnSettings::Description}, {"DBQ", &DsnSettings::DBQ},
        {"ServerDSN", &DsnSettings::ServerDSN}, {"DictionaryLoc", &DsnSettings::DictionaryLoc},
        {"DatafileLoc", &DsnSettings::DatafileLoc}, {"ServerName", &DsnSettings::ServerName},
        {"EngineDescription", &DsnSettings::EngineDescription}, {"ArrayFetchOn", &DsnSettings::ArrayFetchOn},
        {"ArrayBufferSize", &DsnSettings::ArrayBufferSize}, {"OpenMode", &DsnSettings::OpenMode},
        {"TransportHint", &DsnSettings::TransportHint}, {"TCPPort", &DsnSettings::TCPPort},
        {"TranslationDLL", &DsnSettings::TranslationDLL}, {"TranslationOption", &DsnSettings::TranslationOption},
        {"ReplicationSystem", &DsnSettings::ReplicationSystem}, {"QmTranslate", &DsnSettings::QmTranslate}};
    std::string text;
    for (const auto& [name, field] : fields) {
        const DsnSetting& f = s.*field;
        if (f.isSet || !f.value.empty())
            text += (text.empty() ? "" : "|") + std::string(name) + (f.isSet == 1 ? "=" : "?=") + f.value.c_str();
    }
    return text;
}

TEST(AttributeListTest, SetsExactlyTheNamedFields) {
    const std::string x512(512, 'x'), y512(512, 'y');
    struct Case { std::vector<std::string> texts; std::string fields; };
    const Case cases[] = {
        {{"DSN=Sales", "description=Main office"}, "DSN=Sales|Description=Main office"},
        {{"DSN=A", "Bogus", "DBQ=DEMODATA"}, "DSN=A"},  // a text without "=" ends the parse
        {{"DSN=A", "DSN=B"}, "DSN=B"},
        {{"ReplicationSystem=Yes", "TranslationOption=7"}, "TranslationOption=7|ReplicationSystem=Yes"},
        {{"ReplicationSystemX=Yes", "DSNxxxxxxxxxxxxxxx=1", "DSN=Kept"}, "DSN=Kept"},  // 18 characters: no key
        {{" DSN=A", "DSN =B", "DBQ=C"}, "DBQ=C"},
        {{"DBQ="}, "DBQ="},
        {{"Description=a=b=c"}, "Description=a=b=c"},
        {{"Foo=1", "ServerName=dbhost", "EngineDescription=x"}, "ServerName=dbhost"},
        {{}, ""},
        {{"=x", "TCPPort=2000"}, "TCPPort=2000"},
        {{"DSN=" + x512 + "x", "Description=" + y512 + "yy"}, "DSN=" + x512 + "|Description=" + y512},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fields.substr(0, 40));
        EXPECT_EQ(Render(Parsed(AttributeList(c.texts))), c.fields);
    }
    for (const AttributeKey& row : AttributeKeyTable)
        EXPECT_EQ(Render(Parsed(AttributeList({std::string(row.name) + "=v"}))), std::string(row.name) + "=v");
}

TEST(AttributeListTest, BoundedParseNeverReadsPastTheBuffer) {
    struct Case { std::string bytes; const char* fields; };
    const Case cases[] = {{"DSN=ABCDEF", "DSN=ABCDEF"}, {std::string("DSN=AB\0", 7), "DSN=AB"}, {"DSN", ""},
                          {std::string("DSN=A\0DSN=", 10), "DSN="}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        std::vector<char> exact(c.bytes.begin(), c.bytes.end());  // exactly sized: the sanitizers see any overread
        DsnSettings s;
        std::memset(&s, 0, sizeof s);
        ParseAttributeListBounded(exact.data(), exact.size(), s);
        EXPECT_EQ(Render(s), c.fields);
    }
}

// "key=value" per write, "key:removed" for a removal, joined by "|".
std::string Writes(const ProfileWritePlan& plan) {
    std::string text;
    for (std::size_t i = 0; i < plan.count; ++i) {
        const ProfileWrite& w = plan.writes[i];
        text += (i ? "|" : "") + std::string(w.key) + (w.value ? std::string("=") + w.value : ":removed");
    }
    return text;
}

TEST(ProfileWritesTest, KeysGoInTheirFixedOrder) {
    struct Case { std::vector<std::string> record; bool newDsn, keepUnnamed; const char* writes; };
    const Case cases[] = {
        {{"DSN=Sales", "DBQ=DEMODATA"}, true, false,
         "Description=Driver|ArrayFetchOn=1|ArrayBufferSize=8|TCPPort=1583|ServerName:removed|DBQ=DEMODATA|"
         "ServerDSN:removed|TransportHint=TCP:SPX|TranslationDLL=|TranslationOption=|QmTranslate="},
        {{"QmTranslate=Auto", "ReplicationSystem=Yes", "TranslationOption=1", "TranslationDLL=t.dll",
          "TransportHint=SPX:TCP", "ServerDSN=DEMO", "DBQ=DEMODATA", "ServerName=dbhost", "TCPPort=2000",
          "ArrayBufferSize=64", "ArrayFetchOn=0", "Description=Main", "DictionaryLoc=C:\\d", "DatafileLoc=C:\\f",
          "OpenMode=-1", "DSN=Sales"}, true, false,
         "Description=Main|ArrayFetchOn=0|ArrayBufferSize=64|TCPPort=2000|ServerName=dbhost.2000|DBQ=DEMODATA|"
         "ServerDSN=DEMO|TransportHint=SPX:TCP|TranslationDLL=t.dll|TranslationOption=1|ReplicationSystem=Yes|"
         "QmTranslate=Auto"},
        // A silent configure keeps what it does not name; one from the dialog removes what is unset.
        {{"DSN=Sales", "Description=x"}, false, true, "Description=x"},
        {{"DSN=Sales", "Description=x"}, false, false, "Description=x|ServerName:removed|DBQ:removed|ServerDSN:removed"},
        {{"DSN=Sales", "ServerName=", "DBQ="}, false, true, "ServerName:removed|DBQ="},  // an empty server goes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.writes);
        DsnSettings record = Parsed(AttributeList(c.record));
        if (c.newDsn) ApplyNewDsnDefaults(record, "Driver");
        EXPECT_EQ(Writes(PlanProfileWrites(record, "dbhost.2000", c.keepUnnamed)), c.writes);
    }
    DsnSettings given = Parsed(AttributeList({"TCPPort=2000", "TranslationDLL=t.dll"}));
    ApplyNewDsnDefaults(given, nullptr);  // defaults never override what was given
    EXPECT_EQ(Render(given), "Description=|ArrayFetchOn=1|ArrayBufferSize=8|TransportHint=TCP:SPX|TCPPort=2000|"
                             "TranslationDLL=t.dll|TranslationOption=|QmTranslate=");
}

TEST(StoredServerTest, NamePortAndBrackets) {
    struct Case { std::string server; const char* port; std::string stored; };  // stored "-": refused
    const Case cases[] = {
        {"dbhost", nullptr, "dbhost.1583"}, {"dbhost", "2000", "dbhost.2000"}, {"fe80::1", nullptr, "[fe80::1].1583"},
        {"[fe80::1]", nullptr, "[fe80::1].1583"}, {"host:1", nullptr, "host:1.1583"}, {"::", "7", "[::].7"},
        {"10.1.2.3", "", "10.1.2.3."}, {"", nullptr, ".1583"},
        {std::string(507, 'h'), nullptr, std::string(507, 'h') + ".1583"},  // 512 characters
        {std::string(508, 'h'), nullptr, "-"}, {std::string(506, ':'), "1583", "-"},  // the brackets push it over
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.server.substr(0, 20));
        ProfileText stored;
        stored.assign("-");
        EXPECT_EQ(FormatStoredServer(c.server.c_str(), c.port, stored), c.stored != "-");
        EXPECT_EQ(stored.c_str(), c.stored);
    }
}

TEST(StoredServerTest, ReadBackDropsTheFourDigitPort) {
    struct Case { std::string stored, server; };
    const Case cases[] = {
        {"dbhost.1583", "dbhost"}, {"[fe80::1].1583", "[fe80::1]"}, {"a.1583", "a"}, {".1583", ""}, {"x.158", ""},
        {"h.80", "h"}, {"abc", "abc"}, {".", ""}, {"", ""}, {"dbhost.20000", "dbhost."},
        {std::string(600, 's'), std::string(512, 's')},
    };
    for (const Case& c : cases) {
        ProfileText server;
        ReadBackServerName(c.stored.c_str(), server);
        EXPECT_EQ(server.c_str(), c.server) << c.stored;
    }
}

TEST(ConnectionStringTest, BuiltFromTheRecord) {
    const std::string base = "DBQ=DEMODATA\0ServerName=dbhost\0TCPPort=1583\0TransportHint=TCP:SPX\0"s;
    const std::string head = "DRIVER={D};DBQ=DEMODATA;ServerName=dbhost.1583;TransportHint=TCP:SPX";
    struct Case { std::string attributes; std::string expected; };
    const Case cases[] = {
        {base, head},
        {base + "QmTranslate=Auto\0"s, head + ";QmTranslate=Auto"},
        {base + "TranslationDLL=\0"s, head},
        {"QmTranslate=Auto\0TranslationDLL=qmxlat.dll\0"s + base, head + ";TranslationDLL=qmxlat.dll;QmTranslate=Auto"},
        {"DBQ=D\0ServerName=fe80::1\0TCPPort=2000\0TransportHint=SPX\0TranslationOption=1\0ArrayFetchOn=1\0"
         "ArrayBufferSize=8\0ServerDSN=DEMO\0"s, "DRIVER={D};DBQ=D;ServerName=[fe80::1].2000;TransportHint=SPX"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        ProfileText connection;
        ASSERT_TRUE(BuildConnectionString(Parsed(c.attributes + '\0'), "D", connection));
        EXPECT_EQ(connection.c_str(), c.expected);
    }
    // 512 characters go out whole; one more and nothing is sent rather than a string cut short.
    DsnSettings record = Parsed("ServerName=h\0TCPPort=1583\0TransportHint=TCP:SPX\0\0"s);
    record.DBQ.set(std::string(512 - std::strlen("DRIVER={D};DBQ=;ServerName=h.1583;TransportHint=TCP:SPX"), 'q').c_str());
    ProfileText connection;
    ASSERT_TRUE(BuildConnectionString(record, "D", connection));
    EXPECT_EQ(connection.length(), 512u);
    record.QmTranslate.set("Auto");
    connection.assign("untouched");
    EXPECT_FALSE(BuildConnectionString(record, "D", connection));
    EXPECT_STREQ(connection.c_str(), "untouched");
}

// Letters as a Western European locale classifies them.
bool IsLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'\u00C4' || c == L'\u00E9'; }

TEST(DsnNameRuleTest, FirstALetterAndNoForbiddenCharacter) {
    const std::wstring forbidden = L"[]{}()?*=!@,;";
    auto check = [&](const std::wstring& name) {
        return CheckDsnNameCharacters(name.data(), name.size(), forbidden.data(), forbidden.size(), IsLetter);
    };
    for (const wchar_t* ok : {L"Sales", L"Sales 2024 East", L"S", L"\u00C4rger", L"caf\u00E9"}) EXPECT_EQ(check(ok), 0);
    for (const wchar_t* bad : {L"2Sales", L" Sales", L"", L"_x", L"\u00DFx"}) EXPECT_EQ(check(bad), 1);
    for (wchar_t f : forbidden) {
        SCOPED_TRACE(static_cast<int>(f));
        EXPECT_EQ(check(std::wstring(L"A") + f + L"bc"), 1);
        EXPECT_EQ(check(std::wstring(L"Abc") + f), 1);
    }
    // Only the given length is examined; an empty forbidden set leaves the first-letter rule.
    EXPECT_EQ(CheckDsnNameCharacters(L"Abc[", 3, forbidden.data(), forbidden.size(), IsLetter), 0);
    EXPECT_EQ(CheckDsnNameCharacters(L"A[", 2, L"", 0, IsLetter), 0);
}

}  // namespace
