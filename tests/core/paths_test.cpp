// Text conversion (natively with the host's iconv tables, under Wine with Windows' own: the same
// bytes hold for both), and path resolution against a scripted system that records its calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "paths/path_platform.h"
#include "paths/text_conversion.h"
#include "paths/unc_resolver.h"

namespace {

using namespace std::string_literals;

// What ConvertText writes into capacity bytes, or "<failed>"; nothing may go past the capacity.
std::string ConvertBytes(const std::string& source, const wchar_t* from, const wchar_t* to, std::size_t capacity = 64) {
    std::string out(capacity + 8, '\x7F');
    long n = ConvertText(source.data(), source.size(), from, &out[0], capacity, to);
    EXPECT_EQ(out.substr(capacity), std::string(8, '\x7F')) << "written past the capacity";
    if (n < 0) return out == std::string(capacity + 8, '\x7F') ? "<failed>" : "<failed, written>";
    return out.substr(0, static_cast<std::size_t>(n));
}

TEST(TextConversionTest, CodePagesByteExactly) {
    const wchar_t *utf8 = L"UTF-8", *cp1252 = L"CP1252", *cp850 = L"CP850", *cp932 = L"CP932", *latin1 = L"ISO-8859-1";
    struct Case { std::string source; const wchar_t *from, *to; std::string expected; std::size_t capacity = 64; };
    const Case cases[] = {
        {"M\xFCller \x80 \xE9t\xE9", L"windows-1252", utf8, "M\xC3\xBCller \xE2\x82\xAC \xC3\xA9t\xC3\xA9"},
        {"M\xC3\xBCller \xC3\xA9", utf8, cp850, "M\x81ller \x82"}, {"\x81\xC9", L"cp850", utf8, "\xC3\xBC\xE2\x95\x94"},
        {"\xE2\x82\xAC", utf8, cp850, "?"}, {"\xE2\x95\x94 \xF0\x9F\x98\x80", utf8, cp1252, "? ?"},  // missing there
        {"\x80\xFF", latin1, utf8, "\xC2\x80\xC3\xBF"}, {"\x82\xA0\x5C", cp932, utf8, "\xE3\x81\x82\\"},
        {"\x82 ", cp932, utf8, "\xEF\xBF\xBD "}, {"\xE3\x81\x82x", utf8, cp932, "\x82\xA0x"},  // a lead byte alone
        {"a\xC3(\xFF", utf8, cp1252, "a?(?"}, {"a\xE2\x82", utf8, utf8, "a\xEF\xBF\xBD"},  // ends inside a character
        {"\xC0\xAF", utf8, utf8, "\xEF\xBF\xBD\xEF\xBF\xBD"}, {"\xED\xA0\x80", utf8, latin1, "???"},
        {"\xF0\x9F\x98\x80", utf8, utf8, "\xF0\x9F\x98\x80"},
        // A small destination ends at the last whole character that fits.
        {"abcdef", utf8, utf8, "abcde", 5}, {"a\xE9z", cp1252, utf8, "a", 2}, {"a\xE9z", cp1252, utf8, "a\xC3\xA9", 3},
        {std::string(1500, 'q'), utf8, utf8, std::string(1025, 'q'), 1025}, {"abc", utf8, utf8, "", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(ConvertBytes(c.source, c.from, c.to, c.capacity), c.expected) << c.source;
    const wchar_t* unknown[] = {L"EBCDIC-ish", L"CP", L"CP0", L"CP70000", L"CP1252x", L"windows-", L"", nullptr};
    for (const wchar_t* name : unknown)
        EXPECT_EQ(ConvertBytes("abc", name, utf8) + ConvertBytes("abc", utf8, name), "<failed><failed>");
    // A pass reads 512 bytes: a character whose bytes fall on both sides is carried over whole.
    const std::tuple<std::size_t, std::string, const wchar_t*, const wchar_t*, std::string> across[] = {
        {511, "\xC3\xA9", utf8, cp1252, "\xE9"}, {510, "\xE2\x82\xAC", utf8, cp1252, "\x80"},
        {509, "\xF0\x9F\x98\x80", utf8, utf8, "\xF0\x9F\x98\x80"}, {511, "\x82\xA0", cp932, utf8, "\xE3\x81\x82"}};
    for (const auto& [last, character, from, to, expected] : across)
        for (std::string a(last - 2, 'a'), b(700, 'b'); a.size() <= last; a += 'a')
            EXPECT_EQ(ConvertBytes(a + character + b, from, to, 2000), a + expected + b) << a.size();
}

// The four directions take the text with its terminator, whole or not at all.
TEST(TextConversionTest, Directions) {
    Encodings.defaultEncoding.assign(L"windows-1252"), Encodings.oemEncoding.assign(L"CP850");
    std::string ascii;
    for (int c = 1; c < 128; ++c) ascii += static_cast<char>(c);
    using Direction = bool (*)(char*, std::size_t, const char*);
    struct Case { Direction direction; std::string source; std::size_t capacity; bool whole; std::string out; };
    const Case cases[] = {
        {AnsiToUtf8, ascii, 400, true, ascii}, {Utf8ToOem, ascii, 128, true, ascii},
        {AnsiToUtf8, "\x80\x80", 16, true, "\xE2\x82\xAC\xE2\x82\xAC"},  // three bytes for each source byte
        {AnsiToUtf8, "ab\xE9", 4, false, ""}, {AnsiToUtf8, "a\xE9", 4, true, "a\xC3\xA9"},
        {OemToUtf8, "\x81", 3, true, "\xC3\xBC"}, {Utf8ToOem, "\xC3\xBC", 2, true, "\x81"},
        {Utf8ToAnsi, "\xC3\xBC", 2, true, "\xFC"},
    };
    for (const Case& c : cases) {
        std::string out(c.capacity + 1, 'x');  // the byte past the capacity, and any after the terminator, untouched
        EXPECT_EQ(c.direction(&out[0], c.capacity, c.source.c_str()), c.whole) << c.source;
        EXPECT_EQ(out.c_str(), c.out);
        if (c.whole) {
            EXPECT_EQ(out.substr(c.out.size() + 1), std::string(c.capacity - c.out.size(), 'x'));
        }
    }
    Encodings.oemEncoding.assign(L"no-such-encoding");
    EXPECT_FALSE(Utf8ToOem(&ascii[0], ascii.size(), "abc"));
}

std::string Upper(std::string s) { return std::transform(s.begin(), s.end(), s.begin(), ::toupper), s; }
char Upper(char c) { return Upper(std::string(1, c))[0]; }
// Network drives are mapped to \\server\share; connections are listed by server name in capitals.
struct FakePlatform final : PathPlatform {
    int familyValue = kNtFamily;
    std::string currentDirectory = "C:\\work", hostName = "HOST";
    bool hostKnown = true, netWare = false;
    std::uint32_t busy = 0, asksFor = 0;  // the router's "too busy" answers; the room it asks for when given less
    std::map<char, std::string> devices{{'C', "\\Device\\HarddiskVolume1"}, {'D', "\\Device\\HarddiskVolume2"}}, mapped;
    std::map<std::string, Connection> connections;
    std::map<std::string, NetWareAnswer> netWarePaths;  // by OEM path
    std::vector<std::string> netWareCalls, connectionQueries;

    int family() override { return familyValue; }
    bool hasUniversalName() override { return true; }
    bool hasConnectionName() override { return true; }
    bool netWareReady() override { return netWare; }
    void wait(unsigned) override {}
    bool fullPathName(const char* p, AnsiPath& full) override {
        std::string r = *p == '\\' || *p == '/' ? currentDirectory.substr(0, 2) + p
                        : *p && p[1] == ':'     ? std::string(p, 2) + "\\" + (p + 2) : currentDirectory + "\\" + p;
        return full.assign(r.c_str()), *p && r.size() < 260;
    }
    unsigned driveType(char l) override {
        return mapped.count(Upper(l)) ? kDriveRemote : devices.count(Upper(l)) ? 3 : kDriveNoRootDir;
    }
    bool queryDosDevice(char l, DeviceName& answer, std::uint32_t* stored) override {
        auto d = devices.find(Upper(l));
        if (d != devices.end()) answer.assign(d->second.c_str()), *stored = std::uint32_t(d->second.size() + 2);
        return d != devices.end();
    }
    template <std::size_t N>
    std::uint32_t remote(char letter, const char* rest, FixedText<N>& name) {
        return mapped.count(letter) ? (name.assign((mapped[letter] + rest).c_str()), 0) : 2250;  // 2250: not connected
    }
    std::uint32_t universalName(const char* path, std::uint32_t* size, UniversalName& unc) override {
        if (busy > 0 && busy--) return kErrorServerTooBusy;
        return *size < asksFor ? (*size = asksFor, kErrorMoreData) : remote(path[0], path + 2, unc);
    }
    std::uint32_t connectionName(char l, std::uint32_t*, AnsiPath& name) override { return remote(l, "", name); }
    Connection connectionTo(const char* host) override {
        connectionQueries.push_back(host);
        return connections.count(Upper(host)) ? connections[Upper(host)] : Connection::None;
    }
    int netWareParsePath(const char* path, NetWareAnswer& answer) override {
        return netWareCalls.push_back(path), netWarePaths.count(path) ? (answer = netWarePaths[path], 0) : 0x89FF;
    }
    bool localHostName(HostName& name) override { return name.assign(hostName.c_str()), hostKnown; }
    bool isThisMyComputer(const char* host) override { return Upper(host) == hostName || Upper(host) == "LOCALHOST"; }
};

NetWareAnswer Parts(const char* server, const char* volume, const char* path) {
    NetWareAnswer a;
    return a.server.assign(server), a.volume.assign(volume), a.path.assign(path), a;
}

// The UNC form, or "InvalidPath" when the conversion failed (and left the output untouched).
std::string Convert(FakePlatform& platform, const std::string& path, std::uint32_t lookUp = 1, DsnServer dsn = {}) {
    ProfileText output;
    output.assign("untouched");
    int result = FormatUncPath(platform, path.c_str(), output, lookUp, dsn);
    EXPECT_TRUE(result == 0 || (result == InvalidPath && std::strcmp(output.c_str(), "untouched") == 0)) << result;
    return result == 0 ? output.c_str() : "InvalidPath";
}
// An expected UNC form written with "/" for "\" (no output holds a "/").
std::string Unc(std::string text) { return std::replace(text.begin(), text.end(), '/', '\\'), text; }

class UncResolverTest : public ::testing::Test {
protected:
    void SetUp() override {
        Encodings.defaultEncoding.assign(L"CP1252");
        Encodings.oemEncoding.assign(L"CP850");
        auto& d = platform.devices;
        d['S'] = "\\??\\C:\\data", d['R'] = "\\??\\D:\\", d['E'] = "\\??\\R:\\";  // a folder, a root, a root's root
        d['T'] = "\\??\\S:\\deeper", d['U'] = "\\??\\UNC\\srv\\share";  // substituted for a substituted drive, a share
        d['V'] = "\\??\\W:\\", d['W'] = "\\??\\V:\\", d['Y'] = "\\??\\Volume{1234}\\";  // a cycle, no drive letter
        d['L'] = "\\??\\C:\\" + std::string(240, 'l');
        platform.mapped['N'] = "\\\\files\\vol1";
        // A network drive's name makes the rest longer than the path: 271 bytes fit, 272 not.
        platform.mapped['G'] = "\\\\h\\s\\" + std::string(13, 'd'), platform.mapped['H'] = platform.mapped['G'] + "d";
        platform.mapped['K'] = "\\\\" + std::string(79, 'h') + "\\" + std::string(95, 's');  // the longest parts
    }
    FakePlatform platform;
};

TEST_F(UncResolverTest, EveryKindOfPath) {
    const std::string n257(257, 'n'), r257(257, 'r'), h79(79, 'h'), s95(95, 's'), x14(14, 'x'), bad = "InvalidPath";
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\data", "//HOST/C$/data"}, {"C:\\data.", "//HOST/C$/data"}, {"C:\\data..", "//HOST/C$/data."},
        {"C:\\data .", "//HOST/C$/data"}, {"C:\\data. ", "//HOST/C$/data."}, {"C:/data/x", "//HOST/C$/data/x"},
        {"C:\\\\data", "//HOST/C$/data"}, {"c:\\Data", "//HOST/c$/Data"}, {"data", "//HOST/C$/work/data"},
        {"\\data", "//HOST/C$/data"}, {"D:x", "//HOST/D$/x"}, {"C:", "//HOST/C$/"}, {"S:\\x", "//HOST/C$/data/x"},
        {"S:\\", "//HOST/C$/data/"}, {"R:\\x", "//HOST/D$/x"}, {"E:\\x", "//HOST/D$/x"},
        {"T:\\x", "//HOST/C$/data/deeper/x"}, {"U:\\x", "//srv/share/x"}, {"\\\\HOST\\S$\\x", "//HOST/C$/data/x"},
        {"\\\\host\\R$\\x", "//host/D$/x"}, {"\\\\localhost\\T$", "//localhost/C$/data/deeper/"},
        {"\\\\HOST\\C$\\x", "//HOST/C$/x"}, {"\\\\other\\S$\\x", "//other/S$/x"},  // not this computer: its own S$
        {"V:\\x", bad}, {"Y:\\x", bad}, {"\\\\HOST\\Y$\\x", bad}, {"Q:\\x", bad}, {"1:\\x", bad}, {"", bad},
        {"L:\\" + x14, "//HOST/C$/" + std::string(240, 'l') + "/" + x14}, {"L:\\x" + x14, bad},  // joined: < 260
        {"C:\\" + n257, "//HOST/C$/" + n257}, {"C:\\" + n257 + "n", bad}, {"C:\\" + std::string(600, 'n'), bad},
        {"N:\\db", "//files/vol1/db"}, {"\\\\srv\\share", "//srv/share/"},
        {"//srv/share/dir/sub", "//srv/share/dir/sub"}, {"\\\\srv\\share\\\\dir", "//srv/share/dir"},
        {"//srv/share//dir", "//srv/share/dir"}, {"\\\\ srv \\share\\dir", "//srv/share/dir"},
        {"\\\\srv\\VOL:dir", "//srv/VOL/dir"}, {"SRV/VOL:dir", "//SRV/VOL/dir"}, {"SRV\\VOL:", "//SRV/VOL/"},
        {"\\\\srv", bad}, {"\\\\srv\\", bad}, {"\\\\\\\\share", bad}, {"\\\\", bad}, {"\\\\ \\share", bad},
        // Characters no Windows file name holds.
        {"C:\\a:b:c", bad}, {"C:\\a?b", bad}, {"\\\\srv\\sh*re\\d", bad}, {"C:\\a|b", bad}, {"C:\\tab\tx", bad},
        // A part the caller's texts cannot hold fails instead of being cut.
        {"\\\\" + h79 + "\\s\\r", "//" + h79 + "/s/r"}, {"\\\\" + h79 + "h\\s\\r", bad},
        {"\\\\h\\" + s95 + "\\r", "//h/" + s95 + "/r"}, {"\\\\h\\" + s95 + "s\\r", bad},
        {"G:\\" + r257, "//h/s/" + std::string(13, 'd') + "/" + r257}, {"H:\\" + r257, bad},
        // The longest host and share leave 230 bytes of the 407 to the rest and the terminators.
        {"K:\\" + r257.substr(27), "//" + h79 + "/" + s95 + "/" + r257.substr(27)}, {"K:\\" + r257.substr(26), bad},
    };
    for (const auto& [path, expected] : cases) EXPECT_EQ(Convert(platform, path), Unc(expected)) << path;
}

TEST_F(UncResolverTest, RouterBusyOrAskingForRoomAndOtherSystems) {
    const std::uint32_t router[][3] = {{20, 0, 1}, {21, 0, 0}, {0, 780, 1}, {0, 781, 0}};  // busy, room asked, served
    for (const auto& r : router) {
        platform.busy = r[0], platform.asksFor = r[1];
        EXPECT_EQ(Convert(platform, "N:\\db"), r[2] ? Unc("//files/vol1/db") : "InvalidPath") << r[0] << " " << r[1];
    }
    // Without the client a volume path is looked for behind a network drive: the volume takes the share's place.
    EXPECT_EQ(Convert(platform, "VOL2:db"), "InvalidPath");
    platform.currentDirectory = "N:\\apps", platform.asksFor = 0;
    EXPECT_EQ(Convert(platform, "VL:db"), Unc("//files/VL/apps/db"));
    // In a double-byte code page the second byte of a character may be a "|" or a "\": the
    // checks and the separators look at characters, not bytes.
    Encodings.defaultEncoding.assign(L"CP932");
    EXPECT_EQ(Convert(platform, "C:\\\x83\x7C\\\x95\x5C") + Convert(platform, "//srv/\x95\x5C/d"),
              "\\\\HOST\\C$\\\x83\x7C\\\x95\x5C\\\\srv\\\x95\x5C\\d");
    platform.hostKnown = false;  // without this computer's name: no host for a local path, no share resolved
    EXPECT_EQ(Convert(platform, "C:\\x") + "|" + Convert(platform, "\\\\HOST\\S$\\x"), Unc("InvalidPath|//HOST/S$/x"));
    platform.familyValue = kWin9xFamily, platform.hostKnown = true;  // the connection name, and no substitutions
    EXPECT_EQ(Convert(platform, "N:\\db") + "|" + Convert(platform, "S:\\x"), Unc("//files/vol1/db|//HOST/S$/x"));
}

TEST_F(UncResolverTest, NetWareFormFromTheConnectionListTheServerOrTheClient) {
    using C = Connection;
    struct Case { Connection connection; std::uint32_t lookUp; DsnServer server; const char* expected; };
    const Case cases[] = {
        {C::NetWare, 1, {"", ""}, "//files/vol1:/db"}, {C::Plain, 1, {"files", "NWSR"}, "//files/vol1/db"},
        {C::None, 1, {"FILES", "nwsr"}, "//files/vol1:/db"}, {C::None, 1, {"files", "NTSR"}, "//files/vol1/db"},
        {C::None, 1, {"files", "NWSX"}, "//files/vol1/db"}, {C::NetWare, 0, {"files", "NWSR"}, "//files/vol1/db"},
    };
    for (const Case& c : cases) {
        platform.connections = {{"FILES", c.connection}}, platform.connectionQueries.clear();
        EXPECT_EQ(Convert(platform, "N:\\db", c.lookUp, c.server), Unc(c.expected));
        EXPECT_EQ(platform.connectionQueries.size(), c.lookUp) << c.expected;  // none without the look-up
    }
    EXPECT_EQ(Convert(platform, "\\\\SRV\\share\\d", 1, {"srv", "NWSR"}), Unc("//SRV/share:/d"));
    EXPECT_EQ(std::vector<bool>({IsNetWareVolumeSpec("AB:"), IsNetWareVolumeSpec(":x"), IsNetWareVolumeSpec("A:B:"),
                                 RemoteNameNamesHost("\\\\files", "FILES"), RemoteNameNamesHost("\\\\files2", "files"),
                                 RemoteNameNamesHost("\\", "files"), IsNetWareProvider("A NetWare"),
                                 IsNetWareProvider("NETWAR")}),
              std::vector<bool>({true, false, false, true, false, false, true, false}));
    // With the client, which is asked only for paths the OEM code page holds.
    platform.netWare = true;
    platform.netWarePaths = {{"P:\\db", Parts("NWSRV", "APPS", "\\db")}, {"EMPTY:d", Parts("", "E", "\\d")},
                             {"BOX:dir", Parts("NWSRV", "BOX", "\\\xC9")},  // a CP850 box corner: no ANSI form
                             {"VOL1:M\x81ller", Parts("NWSRV", "VOL1", "\\M\x81ller")}};  // CP850 for "M\xFCller"
    platform.connections["NWSRV"] = Connection::NetWare;
    const std::tuple<const char*, const char*, const char*> client[] = {  // a path, its UNC form, what the client got
        {"P:\\db", "//NWSRV/APPS:/db", "P:\\db"},
        {"C:\\data", "//HOST/C$/data", "C:\\data"},  // the client does not know it: a local drive
        {"EMPTY:d", "InvalidPath", "EMPTY:d"}  /* no server */, {"NOVOL:dir", "InvalidPath", "NOVOL:dir"},
        {"BOX:dir", "InvalidPath", "BOX:dir"}, {"VOL1:M\xFCller", "//NWSRV/VOL1:/M\xFCller", "VOL1:M\x81ller"},
        {"C:\\\x80uro", "//HOST/C$/\x80uro", nullptr},  // the euro sign has no CP850 form: not asked
        {"SRV/VOL:dir", "//SRV/VOL/dir", nullptr},
    };
    for (const auto& [path, expected, asked] : client) {
        platform.netWareCalls.clear();
        EXPECT_EQ(Convert(platform, path), Unc(expected));
        EXPECT_EQ(platform.netWareCalls, asked ? std::vector<std::string>{asked} : std::vector<std::string>{});
    }
}

}  // namespace
