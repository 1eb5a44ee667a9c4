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

DsnSettings Parsed(const std::string& list, bool bounded = false) {
    DsnSettings s;
    std::memset(&s, 0, sizeof s);  // zero-filled like the call's record
    std::vector<char> exact(list.begin(), list.end());  // exactly sized: the sanitizers see any overread
    bounded ? ParseAttributeListBounded(exact.data(), exact.size(), s) : ParseAttributeList(list.data(), s);
    return s;
}

// Each field that is set or holds a text, in field order, as "Key=value" ("Key?=" when unset), joined by "|".
std::string Render(const DsnSettings& s) {
#define F(name) {#name, &DsnSettings::name}
    static const std::pair<const char*, DsnSetting DsnSettings::*> fields[] = {
        F(DSN), F(Description), F(DBQ), F(ServerDSN), F(DictionaryLoc), F(DatafileLoc), F(ServerName),
        F(EngineDescription), F(ArrayFetchOn), F(ArrayBufferSize), F(OpenMode), F(TransportHint), F(TCPPort),
        F(TranslationDLL), F(TranslationOption), F(ReplicationSystem), F(QmTranslate)};
#undef F
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
        {{"DSN=Sales", "description=Main office"}, "DSN=Sales|Description=Main office"}, {{"DSN=A", "DSN=B"}, "DSN=B"},
        {{"DSN=A", "Bogus", "DBQ=DEMODATA"}, "DSN=A"},  // a text without "=" ends the parse
        {{"ReplicationSystem=Yes", "TranslationOption=7"}, "TranslationOption=7|ReplicationSystem=Yes"},
        {{"ReplicationSystemX=Yes", "DSNxxxxxxxxxxxxxxx=1", "DSN=Kept"}, "DSN=Kept"},  // 18 characters: no key
        {{" DSN=A", "DSN =B", "DBQ=C"}, "DBQ=C"}, {{"DBQ="}, "DBQ="}, {{"Description=a=b=c"}, "Description=a=b=c"},
        {{"Foo=1", "ServerName=dbhost", "EngineDescription=x"}, "ServerName=dbhost"}, {{}, ""},
        {{"=x", "TCPPort=2000"}, "TCPPort=2000"},
        {{"DSN=" + x512 + "x", "Description=" + y512 + "yy"}, "DSN=" + x512 + "|Description=" + y512},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Render(Parsed(AttributeList(c.texts))), c.fields);
        EXPECT_EQ(Render(Parsed(AttributeList(c.texts), true)), c.fields);
    }
    for (const AttributeKey& row : AttributeKeyTable)
        EXPECT_EQ(Render(Parsed(AttributeList({std::string(row.name) + "=v"}))), std::string(row.name) + "=v");
    // The bounded parse reads nothing past the buffer, even without the list's final zeros.
    const std::pair<std::string, const char*> bounded[] = {
        {"DSN=ABCDEF", "DSN=ABCDEF"}, {"DSN=AB\0"s, "DSN=AB"}, {"DSN", ""}, {"DSN=A\0DSN="s, "DSN="}};
    for (const auto& [bytes, fields] : bounded) EXPECT_EQ(Render(Parsed(bytes, true)), fields);
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
        DsnSettings record = Parsed(AttributeList(c.record));
        if (c.newDsn) ApplyNewDsnDefaults(record, "Driver");
        EXPECT_EQ(Writes(PlanProfileWrites(record, "dbhost.2000", c.keepUnnamed)), c.writes);
    }
    DsnSettings given = Parsed(AttributeList({"TCPPort=2000", "TranslationDLL=t.dll"}));
    ApplyNewDsnDefaults(given, nullptr);  // defaults never override what was given
    EXPECT_EQ(Render(given), "Description=|ArrayFetchOn=1|ArrayBufferSize=8|TransportHint=TCP:SPX|TCPPort=2000|"
                             "TranslationDLL=t.dll|TranslationOption=|QmTranslate=");
}

TEST(StoredServerTest, NamePortAndBracketsAndTheReadBack) {
    const std::string h507(507, 'h');
    struct Case { std::string server; const char* port; std::string stored; };  // stored "-": refused
    const Case cases[] = {
        {"dbhost", nullptr, "dbhost.1583"}, {"dbhost", "2000", "dbhost.2000"}, {"fe80::1", nullptr, "[fe80::1].1583"},
        {"[fe80::1]", nullptr, "[fe80::1].1583"}, {"host:1", nullptr, "host:1.1583"}, {"::", "7", "[::].7"},
        {"10.1.2.3", "", "10.1.2.3."}, {"", nullptr, ".1583"}, {h507, nullptr, h507 + ".1583"},  // 512 characters
        {h507 + "h", nullptr, "-"}, {std::string(506, ':'), "1583", "-"},  // the brackets push it over
    };
    for (const Case& c : cases) {
        ProfileText stored;
        stored.assign("-");
        EXPECT_EQ(FormatStoredServer(c.server.c_str(), c.port, stored), c.stored != "-");
        EXPECT_EQ(stored.c_str(), c.stored) << c.server;
    }
    // The read-back drops the last five characters, a "." and a four-digit port.
    const std::pair<std::string, std::string> stored[] = {
        {"dbhost.1583", "dbhost"}, {"[fe80::1].1583", "[fe80::1]"}, {"a.1583", "a"}, {".1583", ""}, {"x.158", ""},
        {"h.80", "h"}, {"abc", "abc"}, {".", ""}, {"", ""}, {"dbhost.20000", "dbhost."},
        {std::string(600, 's'), std::string(512, 's')}};
    for (const auto& [text, server] : stored) {
        ProfileText read;
        ReadBackServerName(text.c_str(), read);
        EXPECT_EQ(read.c_str(), server) << text;
    }
}

TEST(ConnectionStringTest, BuiltFromTheRecordAndRefusedRatherThanCut) {
    const std::string base = "DBQ=DEMODATA\0ServerName=dbhost\0TCPPort=1583\0TransportHint=TCP:SPX\0"s;
    const std::string head = "DRIVER={D};DBQ=DEMODATA;ServerName=dbhost.1583;TransportHint=TCP:SPX";
    const std::string q(512 - 56, 'q');  // 56: the string around DBQ's value
    const std::string longest = "DBQ=" + q + "\0ServerName=h\0TCPPort=1583\0TransportHint=TCP:SPX\0"s;
    const std::pair<std::string, std::string> cases[] = {  // attributes, connection string ("-": refused)
        {base, head}, {base + "QmTranslate=Auto\0"s, head + ";QmTranslate=Auto"}, {base + "TranslationDLL=\0"s, head},
        {"QmTranslate=Auto\0TranslationDLL=qmxlat.dll\0"s + base, head + ";TranslationDLL=qmxlat.dll;QmTranslate=Auto"},
        {"DBQ=D\0ServerName=fe80::1\0TCPPort=2000\0TransportHint=SPX\0TranslationOption=1\0ArrayFetchOn=1\0"
         "ArrayBufferSize=8\0ServerDSN=DEMO\0"s, "DRIVER={D};DBQ=D;ServerName=[fe80::1].2000;TransportHint=SPX"},
        {longest, "DRIVER={D};DBQ=" + q + ";ServerName=h.1583;TransportHint=TCP:SPX"},
        {longest + "QmTranslate=Auto\0"s, "-"},
    };
    for (const auto& [attributes, expected] : cases) {
        ProfileText connection;
        connection.assign("-");
        EXPECT_EQ(BuildConnectionString(Parsed(attributes + '\0'), "D", connection), expected != "-");
        EXPECT_EQ(connection.c_str(), expected);
    }
}

// Letters as a Western European locale classifies them.
bool IsLetter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'\u00C4' || c == L'\u00E9';
}

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
