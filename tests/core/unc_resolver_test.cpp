// Path resolution against a scripted system: drives, devices, a current directory, the
// network router, the connection list and a NetWare client, with the calls it receives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "paths/path_platform.h"
#include "paths/text_conversion.h"
#include "paths/unc_resolver.h"

namespace {

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}
char Upper(char c) { return Upper(std::string(1, c))[0]; }

// Network drives are mapped to \\server\share; connections are listed by server name in capitals.
struct FakePlatform final : PathPlatform {
    int familyValue = kNtFamily;
    std::string currentDirectory = "C:\\work", hostName = "HOST";
    bool hostKnown = true, netWare = false;
    unsigned busy = 0;          // the router's "too busy" answers before it serves
    std::uint32_t asksFor = 0;  // the room the router asks for when given less
    std::map<char, std::string> devices{{'C', "\\Device\\HarddiskVolume1"}, {'D', "\\Device\\HarddiskVolume2"}}, mapped;
    std::map<std::string, Connection> connections;
    std::map<std::string, NetWareAnswer> netWarePaths;  // OEM path -> answer
    std::vector<std::string> netWareCalls, connectionQueries;

    int family() override { return familyValue; }
    bool fullPathName(const char* p, AnsiPath& full) override {
        std::string r = *p == '\\' || *p == '/' ? currentDirectory.substr(0, 2) + p
                        : *p && p[1] == ':'     ? std::string(p, 2) + "\\" + (p + 2) : currentDirectory + "\\" + p;
        return full.assign(r.c_str()), *p && r.size() < 260;
    }
    unsigned driveType(char l) override {
        return mapped.count(Upper(l)) ? kDriveRemote : devices.count(Upper(l)) ? 3 : kDriveNoRootDir;
    }
    bool queryDosDevice(char letter, DeviceName& answer, std::uint32_t* stored) override {
        if (!devices.count(Upper(letter))) return false;
        answer.assign(devices[Upper(letter)].c_str());
        return *stored = static_cast<std::uint32_t>(answer.length() + 2), true;
    }
    template <std::size_t N>
    std::uint32_t remote(char letter, const char* rest, FixedText<N>& name) {
        return mapped.count(letter) ? (name.assign((mapped[letter] + rest).c_str()), 0) : 2250;  // 2250: not connected
    }
    bool hasUniversalName() override { return true; }
    std::uint32_t universalName(const char* path, std::uint32_t* size, UniversalName& unc) override {
        if (busy > 0 && busy--) return kErrorServerTooBusy;
        return *size < asksFor ? (*size = asksFor, kErrorMoreData) : remote(path[0], path + 2, unc);
    }
    bool hasConnectionName() override { return true; }
    std::uint32_t connectionName(char l, std::uint32_t*, AnsiPath& name) override { return remote(l, "", name); }
    void wait(unsigned) override {}
    Connection connectionTo(const char* host) override {
        connectionQueries.push_back(host);
        return connections.count(Upper(host)) ? connections[Upper(host)] : Connection::None;
    }
    bool netWareReady() override { return netWare; }
    int netWareParsePath(const char* oemPath, NetWareAnswer& answer) override {
        netWareCalls.push_back(oemPath);
        return netWarePaths.count(oemPath) ? (answer = netWarePaths[oemPath], 0) : 0x89FF;
    }
    bool localHostName(HostName& name) override { return name.assign(hostName.c_str()), hostKnown; }
    bool isThisMyComputer(const char* host) override { return Upper(host) == hostName || Upper(host) == "LOCALHOST"; }
};

NetWareAnswer Parts(const char* server, const char* volume, const char* path) {
    NetWareAnswer a;
    return a.server.assign(server), a.volume.assign(volume), a.path.assign(path), a;
}

// The UNC form, or "InvalidPath" when the conversion failed (and left the output untouched).
std::string Convert(FakePlatform& platform, const std::string& path, std::uint32_t lookUp = 1, DsnServer server = {"", ""}) {
    ProfileText output;
    output.assign("untouched");
    int result = FormatUncPath(platform, path.c_str(), output, lookUp, server);
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
        {"C:\\data", "//HOST/C$/data"}, {"C:\\", "//HOST/C$/"}, {"C:\\data.", "//HOST/C$/data"},
        {"C:\\data..", "//HOST/C$/data."}, {"C:\\data .", "//HOST/C$/data"}, {"C:\\data. ", "//HOST/C$/data."},
        {"C:/data/x", "//HOST/C$/data/x"}, {"C:\\\\data", "//HOST/C$/data"}, {"c:\\Data", "//HOST/c$/Data"},
        {"data", "//HOST/C$/work/data"}, {"\\data", "//HOST/C$/data"}, {"D:x", "//HOST/D$/x"}, {"C:", "//HOST/C$/"},
        {"S:\\x", "//HOST/C$/data/x"}, {"S:\\", "//HOST/C$/data/"}, {"R:\\x", "//HOST/D$/x"}, {"E:\\x", "//HOST/D$/x"},
        {"T:\\x", "//HOST/C$/data/deeper/x"}, {"U:\\x", "//srv/share/x"}, {"\\\\HOST\\S$\\x", "//HOST/C$/data/x"},
        {"\\\\host\\R$\\x", "//host/D$/x"}, {"\\\\localhost\\T$", "//localhost/C$/data/deeper/"},
        {"\\\\HOST\\C$\\x", "//HOST/C$/x"}, {"\\\\other\\S$\\x", "//other/S$/x"},  // not this computer: its own S$
        {"V:\\x", bad}, {"Y:\\x", bad}, {"\\\\HOST\\Y$\\x", bad}, {"Q:\\x", bad}, {"1:\\x", bad}, {"", bad},
        {"L:\\" + x14, "//HOST/C$/" + std::string(240, 'l') + "/" + x14}, {"L:\\x" + x14, bad},  // joined: < 260
        {"C:\\" + n257, "//HOST/C$/" + n257}, {"C:\\" + n257 + "n", bad}, {"C:\\" + std::string(600, 'n'), bad},
        {"N:\\db", "//files/vol1/db"}, {"\\\\srv\\share\\dir", "//srv/share/dir"}, {"\\\\srv\\share", "//srv/share/"},
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
    struct Case { unsigned busy; std::uint32_t asksFor; const char* expected; };
    for (Case c : {Case{20, 0, "//files/vol1/db"}, Case{21, 0, "InvalidPath"}, Case{0, 780, "//files/vol1/db"},
                   Case{0, 781, "InvalidPath"}}) {
        platform.busy = c.busy, platform.asksFor = c.asksFor;
        EXPECT_EQ(Convert(platform, "N:\\db"), Unc(c.expected)) << c.busy << " busy, asks for " << c.asksFor;
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
    platform.familyValue = kWin9xFamily;  // the connection name, and no substitutions
    EXPECT_EQ(Convert(platform, "N:\\db") + "|" + Convert(platform, "S:\\x"), Unc("//files/vol1/db|//HOST/S$/x"));
}

TEST_F(UncResolverTest, NetWareFormFromTheConnectionListOrTheServer) {
    struct Case { Connection connection; std::uint32_t lookUp; DsnServer server; const char* expected; };
    const Case cases[] = {
        {Connection::NetWare, 1, {"", ""}, "//files/vol1:/db"}, {Connection::Plain, 1, {"files", "NWSR"}, "//files/vol1/db"},
        {Connection::None, 1, {"FILES", "nwsr"}, "//files/vol1:/db"}, {Connection::None, 1, {"files", "NTSR"}, "//files/vol1/db"},
        {Connection::None, 1, {"files", "NWSX"}, "//files/vol1/db"},
        {Connection::NetWare, 0, {"files", "NWSR"}, "//files/vol1/db"},  // no look-up
    };
    for (const Case& c : cases) {
        platform.connections = {{"FILES", c.connection}}, platform.connectionQueries.clear();
        EXPECT_EQ(Convert(platform, "N:\\db", c.lookUp, c.server), Unc(c.expected));
        EXPECT_EQ(platform.connectionQueries.size(), c.lookUp) << c.expected;
    }
    EXPECT_EQ(Convert(platform, "\\\\SRV\\share\\d", 1, {"srv", "NWSR"}), Unc("//SRV/share:/d"));
}

TEST_F(UncResolverTest, NetWareClient) {
    platform.netWare = true;
    platform.netWarePaths = {{"VOL1:dir", Parts("NWSRV", "VOL1", "\\dir")}, {"P:\\apps\\db", Parts("NWSRV", "APPS", "\\db")},
                             {"EMPTY:dir", Parts("", "EMPTY", "\\dir")},  // the client names no server
                             {"BOX:dir", Parts("NWSRV", "BOX", "\\\xC9")},  // a CP850 box corner: no ANSI form
                             {"VOL1:M\x81ller", Parts("NWSRV", "VOL1", "\\M\x81ller")}};  // CP850 for "M\xFCller"
    platform.connections["NWSRV"] = Connection::NetWare;
    struct Case { const char* path; const char* expected; const char* asked; };
    const Case cases[] = {
        {"VOL1:dir", "//NWSRV/VOL1:/dir", "VOL1:dir"}, {"P:\\apps\\db", "//NWSRV/APPS:/db", "P:\\apps\\db"},
        {"C:\\data", "//HOST/C$/data", "C:\\data"},  // the client does not know it: a local drive
        {"EMPTY:dir", "InvalidPath", "EMPTY:dir"}, {"NOVOL:dir", "InvalidPath", "NOVOL:dir"},
        {"BOX:dir", "InvalidPath", "BOX:dir"}, {"VOL1:M\xFCller", "//NWSRV/VOL1:/M\xFCller", "VOL1:M\x81ller"},
        {"C:\\\x80uro", "//HOST/C$/\x80uro", nullptr},  // the euro sign has no CP850 form: not asked
        {"SRV/VOL:dir", "//SRV/VOL/dir", nullptr},
    };
    for (const Case& c : cases) {
        platform.netWareCalls.clear();
        EXPECT_EQ(Convert(platform, c.path), Unc(c.expected));
        EXPECT_EQ(platform.netWareCalls, c.asked ? std::vector<std::string>{c.asked} : std::vector<std::string>{});
    }
}

// "result|host|share|rest", "-" for a null part; resolved parts lie one after the other.
std::string Resolve(FakePlatform& platform, const char* path, std::uint32_t size = kPartsBufferSize) {
    std::vector<char> buffer(size, 'x');
    PathParts p{nullptr, nullptr, nullptr, buffer.data(), size};
    std::string text = std::to_string(ResolvePath(platform, path, p));
    for (const char* part : {p.host, p.share, p.rest}) text += std::string("|") + (part ? part : "-");
    if (p.share) EXPECT_EQ(p.share, p.host ? p.host + std::strlen(p.host) + 1 : buffer.data());
    if (p.share) EXPECT_EQ(p.rest, p.share + std::strlen(p.share) + 1);
    return text;
}

TEST_F(UncResolverTest, ResolvedParts) {
    EXPECT_EQ(Resolve(platform, "C:\\data\\x."), "0|HOST|C$|data\\x");
    EXPECT_EQ(Resolve(platform, "R:\\data"), "0|HOST|D$|data");
    EXPECT_EQ(Resolve(platform, "Q:\\x. "), "-6|-|-|Q:\\x.");  // a failure keeps only the input, trimmed
    EXPECT_EQ(Resolve(platform, "Q:\\xyz", 4) + Resolve(platform, "C:\\xyz", 4), "-6|-|-|-6|-|-|");  // do not fit
    platform.hostKnown = false;
    EXPECT_EQ(Resolve(platform, "C:\\data"), "0|-|C$|data");
    EXPECT_EQ(Convert(platform, "C:\\data") + Convert(platform, "\\\\srv\\share\\d"), "InvalidPath\\\\srv\\share\\d");
}

TEST(UncResolverPartsTest, TheConnectionSearchsTests) {
    EXPECT_EQ(std::vector<bool>({IsNetWareVolumeSpec("AB:"), IsNetWareVolumeSpec(":x"), IsNetWareVolumeSpec("A:B:"),
                                 RemoteNameNamesHost("\\\\files", "FILES"), RemoteNameNamesHost("\\\\files2\\v", "files"),
                                 RemoteNameNamesHost("\\", "files"), IsNetWareProvider("netware"), IsNetWareProvider("NETWAR")}),
              std::vector<bool>({true, false, false, true, false, false, true, false}));
}

}  // namespace
