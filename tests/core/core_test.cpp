// The Windows-free rules of the setup library: the settings record, request records and hostile
// answers, the installation's text steps, the help launch and centring, and the shared log's line.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "dialogs/database_creation.h"
#include "dialogs/engine_dsn_text.h"
#include "dialogs/help_command.h"
#include "log/log_line.h"
#include "remote/request_records.h"
#include "setup/connection_string.h"
#include "setup/dsn_name_rule.h"
#include "setup/install_paths.h"
#include "setup/installer_version.h"
#include "setup/server_address.h"
#include "tests/support/attribute_list.h"

namespace {

using namespace std::string_literals;

DsnSettings Parsed(const std::string& list, bool bounded = false) {
    DsnSettings s{};  // zero-filled like the call's record
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
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"DSN=Sales", "description=Main office"}, "DSN=Sales|Description=Main office"}, {{"DSN=A", "DSN=B"}, "DSN=B"},
        {{"DSN=A", "Bogus", "DBQ=DEMODATA"}, "DSN=A"},  // a text without "=" ends the parse
        {{"ReplicationSystem=Yes", "TranslationOption=7"}, "TranslationOption=7|ReplicationSystem=Yes"},
        {{"ReplicationSystemX=Yes", "DSNxxxxxxxxxxxxxxx=1", "DSN=Kept"}, "DSN=Kept"},  // 18 characters: no key
        {{" DSN=A", "DSN =B", "DBQ=C"}, "DBQ=C"}, {{"DBQ="}, "DBQ="}, {{"Description=a=b=c"}, "Description=a=b=c"},
        {{"Foo=1", "ServerName=h", "EngineDescription=x"}, "ServerName=h"}, {{}, ""}, {{"=x", "DBQ=2"}, "DBQ=2"},
        {{"DSN=" + x512 + "x", "Description=" + y512 + "yy"}, "DSN=" + x512 + "|Description=" + y512},
    };
    for (bool bounded : {false, true})
        for (const auto& [texts, fields] : cases) EXPECT_EQ(Render(Parsed(AttributeList(texts), bounded)), fields);
    for (const AttributeKey& row : AttributeKeyTable)
        EXPECT_EQ(Render(Parsed(AttributeList({std::string(row.name) + "=v"}))), std::string(row.name) + "=v");
    // The bounded parse reads nothing past the buffer, even without the list's final zeros.
    const std::pair<std::string, const char*> bounded[] = {
        {"DSN=ABCDEF", "DSN=ABCDEF"}, {"DSN=AB\0"s, "DSN=AB"}, {"DSN", ""}, {"DSN=A\0DSN="s, "DSN="}};
    for (const auto& [bytes, fields] : bounded) EXPECT_EQ(Render(Parsed(bytes, true)), fields);
}

TEST(ProfileWritesTest, KeysGoInTheirFixedOrder) {
    struct Case { std::vector<std::string> record; bool newDsn, keepUnnamed; const char* writes; };
    const Case cases[] = {
        {{"DSN=Sales", "DBQ=DEMODATA"}, true, false,
         "Description=Driver|ArrayFetchOn=1|ArrayBufferSize=8|TCPPort=1583|ServerName:removed|DBQ=DEMODATA|"
         "ServerDSN:removed|TransportHint=TCP:SPX|TranslationDLL=|TranslationOption=|QmTranslate="},
        {{"ReplicationSystem=Yes", "OpenMode=-1", "DictionaryLoc=C:\\d", "DatafileLoc=C:\\f", "ServerName=dbhost",
          "TCPPort=2000", "TransportHint=SPX"}, true, false,  // what was given, in place of the defaults
         "Description=Driver|ArrayFetchOn=1|ArrayBufferSize=8|TCPPort=2000|ServerName=dbhost.2000|DBQ:removed|"
         "ServerDSN:removed|TransportHint=SPX|TranslationDLL=|TranslationOption=|ReplicationSystem=Yes|QmTranslate="},
        // A silent configure keeps what it does not name; one from the dialog removes what is unset.
        {{"DSN=Sales", "Description=x"}, false, true, "Description=x"},
        {{"DSN=S", "Description=x"}, false, false, "Description=x|ServerName:removed|DBQ:removed|ServerDSN:removed"},
        {{"DSN=Sales", "ServerName=", "DBQ="}, false, true, "ServerName:removed|DBQ="},  // an empty server goes
    };
    for (const Case& c : cases) {
        DsnSettings record = Parsed(AttributeList(c.record));
        if (c.newDsn) ApplyNewDsnDefaults(record, "Driver");
        ProfileWritePlan plan = PlanProfileWrites(record, "dbhost.2000", c.keepUnnamed);
        std::string writes;
        for (const ProfileWrite& w : std::vector<ProfileWrite>(plan.writes, plan.writes + plan.count))
            writes += (writes.empty() ? "" : "|") + std::string(w.key) + (w.value ? "="s + w.value : ":removed");
        EXPECT_EQ(writes, c.writes);
    }
}

ProfileText Dash() { ProfileText t; t.assign("-"); return t; }  // a text to show whether a call wrote

TEST(StoredServerTest, NamePortBracketsReadBackAndTheConnectionString) {
    const std::string h507(507, 'h');
    struct Case { std::string server; const char* port; std::string stored; };  // stored "-": refused
    const Case cases[] = {
        {"dbhost", nullptr, "dbhost.1583"}, {"dbhost", "2000", "dbhost.2000"}, {"fe80::1", nullptr, "[fe80::1].1583"},
        {"[fe80::1]", nullptr, "[fe80::1].1583"}, {"host:1", nullptr, "host:1.1583"}, {"::", "7", "[::].7"},
        {"10.1.2.3", "", "10.1.2.3."}, {"", nullptr, ".1583"}, {h507, nullptr, h507 + ".1583"},  // 512 characters
        {h507 + "h", nullptr, "-"}, {std::string(506, ':'), "1583", "-"},  // the brackets push it over
    };
    for (const Case& c : cases) {
        ProfileText stored = Dash();
        EXPECT_EQ(FormatStoredServer(c.server.c_str(), c.port, stored), c.stored != "-");
        EXPECT_EQ(stored.c_str(), c.stored) << c.server;
    }
    // The read-back drops the last five characters, a "." and a four-digit port.
    const std::string s512(512, 's');
    const std::pair<std::string, std::string> stored[] = {
        {"dbhost.1583", "dbhost"}, {"[fe80::1].1583", "[fe80::1]"}, {".1583", ""}, {"x.158", ""}, {"h.80", "h"},
        {"abc", "abc"}, {".", ""}, {"", ""}, {"dbhost.20000", "dbhost."}, {std::string(600, 's'), s512}};
    for (const auto& [text, server] : stored) {
        ProfileText read;
        ReadBackServerName(text.c_str(), read);
        EXPECT_EQ(read.c_str(), server) << text;
    }
    // The connection string names the server in its stored form; it is refused rather than cut past 512 characters.
    const std::string base = "DBQ=DEMODATA\0ServerName=dbhost\0TCPPort=1583\0TransportHint=TCP:SPX\0"s;
    const std::string head = "DRIVER={D};DBQ=DEMODATA;ServerName=dbhost.1583;TransportHint=TCP:SPX";
    const std::string q(512 - 55, 'q');  // 55: the string around DBQ's value
    const std::string longest = "DBQ=" + q + "\0ServerName=h\0TCPPort=1583\0TransportHint=TCP:SPX\0"s;
    const std::pair<std::string, std::string> strings[] = {  // attributes, connection string ("-": refused)
        {base, head}, {base + "QmTranslate=Auto\0"s, head + ";QmTranslate=Auto"}, {base + "TranslationDLL=\0"s, head},
        {"QmTranslate=Auto\0TranslationDLL=qmxlat.dll\0"s + base, head + ";TranslationDLL=qmxlat.dll;QmTranslate=Auto"},
        {"DBQ=D\0ServerName=fe80::1\0TCPPort=2000\0TransportHint=SPX\0TranslationOption=1\0ArrayFetchOn=1\0"
         "ArrayBufferSize=8\0ServerDSN=DEMO\0"s, "DRIVER={D};DBQ=D;ServerName=[fe80::1].2000;TransportHint=SPX"},
        {longest, "DRIVER={D};DBQ=" + q + ";ServerName=h.1583;TransportHint=TCP:SPX"},
        {longest + "QmTranslate=Auto\0"s, "-"},
    };
    for (const auto& [attributes, expected] : strings) {
        ProfileText connection = Dash();
        EXPECT_EQ(BuildConnectionString(Parsed(attributes + '\0'), "D", connection), expected != "-");
        EXPECT_EQ(connection.c_str(), expected);
    }
}

TEST(DsnNameRuleTest, FirstALetterAndNoForbiddenCharacter) {
    const std::wstring forbidden = L"[]{}()?*=!@,;";
    auto IsLetter = +[](wchar_t c) { return ((c | 32) >= L'a' && (c | 32) <= L'z') || c == 0xC4 || c == 0xE9; };
    auto check = [&](const std::wstring& name, std::size_t length) {  // letters as a Western European locale has them
        return CheckDsnNameCharacters(name.data(), length, forbidden.data(), forbidden.size(), IsLetter);
    };
    for (const wchar_t* ok : {L"Sales", L"Sales 2024 East", L"S", L"\xC4rger", L"caf\xE9"}) EXPECT_EQ(check(ok, 99), 0);
    for (const wchar_t* bad : {L"2Sales", L" Sales", L"", L"_x", L"\xDFx"}) EXPECT_EQ(check(bad, 99), 1);
    for (wchar_t f : forbidden) EXPECT_EQ(check(L"A"s + f + L"bc", 4) + check(L"Abc"s + f, 4), 2) << char(f);
    EXPECT_EQ(check(L"Abc[", 3), 0);  // only the given length is examined
    EXPECT_EQ(CheckDsnNameCharacters(L"A[", 2, L"", 0, IsLetter), 0);  // no forbidden set: the first-letter rule
}

// Records laid out by hand, never with the product's writer: a layout mistake cannot hide in the expected bytes.
struct Out {
    Record r;
    Out& bytes(std::initializer_list<std::uint8_t> b) { return r.insert(r.end(), b), *this; }
    Out& u16(unsigned v) { return bytes({static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>(v >> 8)}); }
    Out& text(const std::string& t, std::size_t n) { return r.insert(r.end(), t.begin(), t.end()), zeros(n - size(t)); }
    Out& zeros(std::size_t n) { return r.resize(r.size() + n, 0), *this; }
    Out& item(const std::string& t) { return u16(static_cast<unsigned>(t.size()) + 3).text(t, t.size() + 1); }
};
Record Patched(Record r, std::size_t at, std::initializer_list<std::uint8_t> b) {
    return std::copy(b.begin(), b.end(), r.begin() + at), r;
}

// A length that does not fit its 16 bits is refused, never wrapped into a record that misstates its size.
TEST(RequestRecordTest, BytesOfEveryRequestAndEveryLengthOverItsField) {
    const std::string fits(65532, 'n'), tooLong(65533, 'n'), huge(70000, 'n');  // item lengths 65,535 and 65,536
    const DatabaseAttributes none{}, a{1, 1, 1, 3, 1, 1252};
    struct Case { const char* name; EncodedRecord record, expected; };  // expected none: refused
    const Case cases[] = {
        {"5202 name that fits", EncodeDeleteEngineDsn(fits.c_str()), Out().zeros(2).item(fits).zeros(9).r},
        {"5205", EncodeEngineDsnRecord(2, "N", "Sales", "", "-1"), Out().zeros(2).u16(2).item("N").item("Sales")
                                                                        .item("").item("-1").r},
        {"5207", EncodeReadEngineDsnRequest("DEMO"), Out().zeros(4).item("DEMO").zeros(9).r},
        {"4116", EncodeDatabaseRecord("db", none, 256, "", 513, ""),
         Out().u16(513).u16(256).zeros(10).item("db").u16(516).zeros(514).u16(259).zeros(257).r},
        {"4166", EncodeDatabaseRecord("SALES", a, 9, "C:\\dict\\x", 11, "C:\\d1;C:\\d2"),
         Out().u16(11).u16(9).bytes({1, 1, 1, 3, 1, 0xE4, 0x04, 0, 0, 0}).item("SALES").u16(14)
             .text("C:\\d1;C:\\d2", 12).u16(12).text("C:\\dict\\x", 10).r},
        {"4166 data locations that fit", EncodeDatabaseRecord("x", none, 0, "", 65532, "d"),
         Out().u16(65532).u16(0).zeros(10).item("x").u16(65535).text("d", 65533).u16(3).zeros(1).r},
        {"4117 for 3,276 names", EncodeDatabaseNamesRequest(65520), Out().u16(65520).zeros(65521).r},
        {"5202 name one over", EncodeDeleteEngineDsn(tooLong.c_str()), {}},
        {"3,277", EncodeDatabaseNamesRequest(65540), {}},
        {"5205 name of 70,000", EncodeEngineDsnRecord(0, huge.c_str(), "d", "b", "0"), {}},
        {"5206 description one over", EncodeEngineDsnRecord(0, "n", tooLong.c_str(), "b", "0"), {}},
        {"5207 name of 70,000", EncodeReadEngineDsnRequest(huge.c_str()), {}},
        {"4166 data locations one over", EncodeDatabaseRecord("x", none, 0, "", 65533, "d"), {}},
        {"4116 dictionary capacity one over", EncodeDatabaseRecord("x", none, 65533, "", 0, ""), {}},
        {"4116 dictionary capacity of 2^63", EncodeDatabaseRecord("x", none, 1ull << 63, "", 0, ""), {}},
        {"4166 name one over", EncodeDatabaseRecord(tooLong.c_str(), none, 1, "k", 1, "d"), {}},
        {"4117 length of 2^32 + 20", EncodeDatabaseNamesRequest((1ull << 32) + 20), {}},
    };
    for (const Case& c : cases) EXPECT_EQ(c.record, c.expected) << c.name;
    // A server holding more databases than one request can carry is listed up to that many.
    for (std::uint64_t count : {0, 1, 3276, 3277, 65535})
        EXPECT_EQ(DatabaseNamesByteLength(count), std::min<std::uint64_t>(count, 3276) * 20) << count;
}

TEST(AnswerReaderTest, AnswersAreReadAsAnsweredAndNeverPastTheirBuffers) {
    auto answer = [](unsigned d, unsigned k, const std::string& data, const std::string& dict) {  // as servers do
        return Out().u16(d).u16(k).bytes({1, 0, 1, 3, 0, 0xE9, 0xFD, 0, 0, 0}).item("db").u16(d + 3).text(data, d + 1)
            .u16(k + 3).text(dict, k + 1).r;
    };
    const std::string d513(513, 'd'), k256(256, 'k');
    const Record plain = answer(20, 16, "C:\\data", "C:\\dict");
    const Record inBigBuffer = Out{plain}.zeros(794 - plain.size()).r;  // the request's buffer, partly filled
    Record unterminated = answer(8, 8, "", "");
    std::fill(unterminated.begin() + 21, unterminated.end(), 'x');
    struct Case { Record answer; std::size_t dataCap, dictCap; std::string data, dict; };
    const Case cases[] = {
        {answer(513, 256, d513, k256), 514, 257, d513, k256},  // texts that exactly fill the buffers
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
        EXPECT_EQ(data.data() + "|"s + dict.data(), c.data + "|" + c.dict);
    }
    Record names = Out().u16(60).text(std::string(20, 'T'), 20).text("DEMODATA", 20).text("EXTRA", 20).r;
    char out[41] = {};
    std::uint64_t n = ReadDatabaseNamesAnswer(names.data(), names.size(), 40, out, sizeof out);
    std::string listed = std::to_string(n);  // the answer claimed 60: cut to the 40 asked
    for (std::size_t slot = 0; slot < 3; ++slot) listed += "|"s + DatabaseNameAt(out, n, slot).c_str();
    EXPECT_EQ(listed, "40|" + std::string(20, 'T') + "|DEMODATA|");  // a 20-character name has no terminator
    const Record shortAnswer = {0xFF, 0xFF, 'A', 'B'};  // a count larger than the answer itself
    EXPECT_EQ(ReadDatabaseNamesAnswer(shortAnswer.data(), shortAnswer.size(), 80, out, sizeof out), 2u);
    EXPECT_EQ(ReadDatabaseNamesAnswer(shortAnswer.data(), 1, 80, out, sizeof out), 0u);
    const Record dsn = Out().zeros(2).u16(2).item("DEMO").item("Demo data").item("DEMODATA").item("-1").zeros(101).r;
    ASSERT_EQ(dsn.size(), ReadEngineDsnAnswerSize("DEMO"));
    // An item length below its own frame (0, 1, 2) would make a reader stand still or read the same bytes again.
    const std::pair<Record, const char*> answers[] = {
        {dsn, "2|Demo data|DEMODATA|-1"}, {Record(dsn.begin(), dsn.begin() + 3), "0|||"},
        {Patched(dsn, 23, {0xF0, 0xFF}), "2|Demo data||"}, {Patched(dsn, 4, {0, 0}), "2|||"},  // an item past the end
        {Patched(dsn, 4, {1, 0}), "2|||"}, {Patched(dsn, 4, {2, 0, 5, 0, 'x', 0}), "2|||"}};
    for (const auto& [bytes, read] : answers) {
        EngineDsnAnswer a = ReadEngineDsnAnswer(bytes.data(), bytes.size());
        EXPECT_EQ(std::to_string(a.translation) + "|" + a.description.c_str() + "|" + a.database.c_str() + "|" +
                      a.openMode.c_str(), read);
    }
}

std::string Narrow(std::u16string_view s) { return std::string(s.begin(), s.end()); }
using Paths = std::set<std::u16string>;
using Failures = std::map<std::u16string, std::int32_t>;

// Directories in memory: creation fails without the parent or as scripted, or lies (0, nothing made).
struct FakeDirectories : DirectoryOperations {
    Paths existing;
    Failures failures;
    std::string created;
    int calls = 0;
    bool lie = false;  // creation answers 0 and makes nothing
    bool exists(const std::u16string& path) override { return ++calls, existing.count(path) != 0; }
    std::int32_t create(const std::u16string& path) override {
        std::size_t cut = path.rfind(u'\\');
        if (++calls, cut != std::u16string::npos && !existing.count(path.substr(0, cut))) return 0x80070003;  // no path
        if (failures.count(path)) return failures[path];
        if (!lie) existing.insert(path), created += Narrow(path) + "|";
        return 0;
    }
};

TEST(InstallationTest, TrailingBackslashMissingLevelsAndTheInstallerCopy) {
    std::string stripped;
    for (std::u16string value : {u"C:\\Prog\\", u"C:\\Prog", u"\\", u"C:\\", u"D:\\Data\\\\", u"", u"a\\"}) {
        std::u16string buffer = value + std::u16string(64, u'\0');
        StripTrailingBackslash(&buffer[0], static_cast<std::uint32_t>((value.size() + 1) * 2), 128);
        stripped += Narrow(buffer.c_str()) + "|";
    }
    EXPECT_EQ(stripped, "C:\\Prog|C:\\Prog|\\|C:|D:\\Data\\||a|");
    char16_t small[2] = {u'a', u'\\'};  // a size that claims more than the buffer holds is not trusted
    StripTrailingBackslash(small, 400, sizeof small);
    EXPECT_EQ(small[1], u'\\');
    const std::int32_t denied = kResultAccessDenied, file = static_cast<std::int32_t>(0x800700B7);  // a file in the way
    struct Case { std::u16string path; Paths existing; Failures failures; std::int32_t result; const char* made; };
    const Case cases[] = {
        {u"C:\\a\\b\\c", {u"C:", u"C:\\a"}, {}, 0, "C:\\a\\b|C:\\a\\b\\c|"}, {u"C:\\a", {u"C:", u"C:\\a"}, {}, 0, ""},
        {u"C:\\a\\b\\c", {u"C:", u"C:\\a", u"C:\\a\\b"}, {}, 0, "C:\\a\\b\\c|"},
        {u"C:\\a\\b\\c", {u"C:", u"C:\\a"}, {{u"C:\\a\\b", denied}}, denied, ""},
        {u"C:\\a\\b\\c", {u"C:"}, {{u"C:\\a\\b\\c", denied}}, denied, "C:\\a|C:\\a\\b|"},  // the others stay
        {u"C:\\a\\f\\c", {u"C:", u"C:\\a"}, {{u"C:\\a\\f", file}}, file, ""},
        {u"Q:\\a\\b", {}, {{u"Q:", file}}, file, ""}, {u"zz", {}, {{u"zz", file}}, file, ""},  // no level exists
    };
    for (const Case& c : cases) {
        FakeDirectories fs;
        fs.existing = c.existing, fs.failures = c.failures;
        EXPECT_EQ(std::to_string(CreateDirectoryPathWith(c.path, fs)) + " " + fs.created,
                  std::to_string(c.result) + " " + c.made);
        EXPECT_LT(fs.calls, 64);
    }
    FakeDirectories liar;  // operations that lie cannot make it loop
    liar.existing = {u"C:"}, liar.lie = true;
    EXPECT_NE(CreateDirectoryPathWith(u"C:\\a\\b\\c\\d", liar), 0);
    EXPECT_LT(liar.calls, 200);
    // The installer copy: real copies and sizes around 20,000 bytes are tried under Wine; here the edges.
    auto v = [](unsigned a, unsigned b, unsigned c, unsigned d) { return FileVersion{a << 16 | b, c << 16 | d}; };
    EXPECT_EQ(std::vector<bool>({PreferSystemInstallerCopy(v(3, 525, 0, 0), v(3, 525, 0, 1)),  // the lower word decides
                                 PreferSystemInstallerCopy(v(4, 0, 0, 0), v(3, 999, 9, 9)),
                                 PreferSystemInstallerCopy(v(3, 525, 9, 9), v(3, 526, 0, 0)),  // the minor outweighs
                                 PreferSystemInstallerCopy(v(3, 525, 1, 2), v(3, 525, 1, 2)),  // equal: the search copy
                                 IsInstallerStub(true, 19999, false), IsInstallerStub(true, 20000, false),
                                 IsInstallerStub(true, 19999, true), IsInstallerStub(false, 19999, false)}),
              std::vector<bool>({true, false, true, false, true, false, false, false}));
}

TEST(HelpCommandTest, LaunchOfTheInstallationAndCentring) {
    const std::string dir(254, 'd');  // the longest installation directory taken
    HelpLaunch l;
    ASSERT_TRUE(BuildHelpLaunch(-1, dir.c_str(), l));
    EXPECT_EQ(l.commandLine.c_str() + " in "s + l.workingDirectory.c_str(),
              "keyhh -qmsw -#mapid -1 \"" + dir + "\\Docs\\qmswdocs.chm>$global_qmhelp\" in " + dir + "\\bin");
    EXPECT_FALSE(BuildHelpLaunch(-1, "", l) || BuildHelpLaunch(-1, nullptr, l));  // no installation, no help file
    // Owner, dialog size, the corner: centred on the owner, kept on the 1024 x 768 desktop.
    const std::int32_t centring[][8] = {
        {262, 184, 762, 584, 300, 200, 362, 284}, {900, 300, 1400, 500, 300, 100, 724, 350},
        {300, -500, 700, 100, 200, 300, 400, 0}, {300, 700, 700, 900, 200, 300, 400, 468},
        {0, 0, 101, 101, 50, 50, 25, 25},  // odd sizes round down
        {0, 0, 1024, 768, 1200, 900, 0, 0}, {500, 400, 1000, 700, 1200, 900, -176, -132},  // larger than the desktop
    };
    for (const auto& c : centring) {
        std::int32_t x = 0, y = 0;
        CentredPosition({c[0], c[1], c[2], c[3]}, c[4], c[5], {0, 0, 1024, 768}, x, y);
        EXPECT_EQ(std::vector<int>({x, y}), std::vector<int>({c[6], c[7]})) << c[0] << "," << c[1];
    }
}

// A field that runs past the next column pushes only what must move; later fields keep their columns when they can.
TEST(LogLineTest, FieldsAtTheirColumns) {
    const std::u16string t = u"2026-12-05 22:10:03.123", k = LogComponentName(u"KFIF"), c40(40, u'C'), n20(20, u'N'),
                         t28(28, u'T'), tool = u"replication_tool.exe";  // 20 characters: past the next column
    const std::string h = "2026-12-05 22:10:03.123     KFIF            4242     ", blanks(40, ' '), n20s(20, 'N'),
                      t28s(28, 'T');
    const std::pair<LogLineFields, std::string> cases[] = {
        {{t, k, u"4242", u"setup.exe", u"DBHOST", u"1", u"Load"}, h + "setup.exe       DBHOST          I     Load\r\n"},
        {{t, k, u"4242", tool, u"HOST", u"1", u""}, h + "replication_tool.exeHOST        I     \r\n"},
        {{t, k, u"4242", u"setup.exe", c40, u"2", u"x"}, h + "setup.exe       " + std::string(40, 'C') + "W     x\r\n"},
        {{t, n20, u"7", u"", u"", u"4", u"y"}, h.substr(0, 28) + n20s + "7" + blanks.substr(4) + "E     y\r\n"},
        {{t28, u"A", u"1", u"", u"", u"1", u""}, t28s + "A" + blanks.substr(25) + "1" + blanks + "I     \r\n"},
    };
    for (const auto& [fields, line] : cases) EXPECT_EQ(Narrow(FormatLogLine(fields)), line);
    std::string texts;
    for (const char16_t* level : {u"1", u"2", u"4", u"3", u"0", u"", u"11", u"-1"})
        texts += Narrow(LogTypeColumn(level)) + "|";
    for (const char16_t* name : {u"KFIF", u"", u"LONGCOMPONENT"}) texts += Narrow(LogComponentName(name)) + "|";
    for (const char16_t* path : {u"C:\\Program Files\\odbcad32.exe", u"plain.exe", u"C:\\dir\\"})
        texts += Narrow(ProgramFileName(path)) + "|";
    EXPECT_EQ(texts, "I     |W     |E     |      |      |      |      |      |KFIF      |UNKNOWN   |LONGCOMPONENT|"
                     "odbcad32.exe|plain.exe||");
}

}  // namespace

// The dictionary files are searched in the folder itself, its trailing backslash not doubled.
TEST(DatabaseCreationTest, DictionarySearchPattern) {
    const std::string folder(512, 'd');
    for (auto [in, pattern] : {std::pair<std::string, std::string>{"D:\\dict", "D:\\dict\\*.ddf"},
                               {"D:\\dict\\", "D:\\dict\\*.ddf"}, {folder, folder + "\\*.ddf"}})
        EXPECT_EQ(DictionarySearchPattern(in.c_str()).c_str(), pattern);
}

// A database's locations one a line, a break written whole or not at all; trailing blanks, tabs,
// line breaks and zero bytes cut from the end of the whole buffer.
TEST(EngineDsnTextTest, LocationLinesAndTrailingWhitespace) {
    char lines[64];
    for (auto [in, size, out] : {std::tuple<const char*, std::size_t, const char*>{"C:\\d;D:\\m", 64, "C:\\d\r\nD:\\m"},
                                 {"A;", 64, "A\r\n"}, {"AB;C", 4, "AB"}, {"ABC;D", 6, "ABC\r\n"}})
        EXPECT_STREQ((LocationsAsLines(in, lines, size), lines), out) << in;
    for (auto [in, out] : {std::pair<std::string, const char*>{"DEMO \t\r\n", "DEMO"}, {"   ", ""}, {"A B", "A B"}}) {
        char buffer[16] = {};
        TrimTrailingWhitespace((in.copy(buffer, in.size()), buffer), sizeof buffer);
        EXPECT_STREQ(buffer, out) << in;
    }
}
