#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "paths/text_conversion.h"
#include "paths/unc_resolver.h"
#include "tests/core/fake_path_platform.h"

namespace {

const DsnServer kNoServer{"", ""};

// The UNC form, or "InvalidPath" when the conversion failed (and left the output untouched).
std::string Convert(FakePathPlatform& platform, const char* path, std::uint32_t lookUp = 1,
                    const DsnServer& server = kNoServer) {
    ProfileText output;
    output.assign("untouched");
    int result = FormatUncPath(platform, path, output, lookUp, server);
    if (result == 0) return output.c_str();
    EXPECT_EQ(result, InvalidPath);
    EXPECT_STREQ(output.c_str(), "untouched");
    return "InvalidPath";
}

class UncResolverTest : public ::testing::Test {
protected:
    void SetUp() override {
        Encodings.defaultEncoding.assign(L"CP1252");
        Encodings.oemEncoding.assign(L"CP850");
    }
    FakePathPlatform platform;
};

TEST_F(UncResolverTest, PathsOnThisComputer) {
    platform.devices['S'] = "\\??\\C:\\data";
    platform.devices['R'] = "\\??\\D:\\";
    platform.devices['T'] = "\\??\\S:\\deeper";     // substituted for a substituted drive
    platform.devices['U'] = "\\??\\UNC\\srv\\share";  // substituted for a network folder
    platform.devices['V'] = "\\??\\W:\\";
    platform.devices['W'] = "\\??\\V:\\";            // a cycle
    platform.devices['Y'] = "\\??\\Volume{1234}\\";  // no drive letter to share
    // Target and path together must stay below 260 characters.
    platform.devices['L'] = "\\??\\C:\\" + std::string(240, 'l');
    const std::string path260 = "C:\\" + std::string(257, 'n');
    struct Case { std::string path; std::string expected; };
    const Case cases[] = {
        {"C:\\data", "\\\\HOST\\C$\\data"},
        {"C:\\", "\\\\HOST\\C$\\"},
        {"C:\\data.", "\\\\HOST\\C$\\data"},
        {"C:\\data..", "\\\\HOST\\C$\\data."},     // one point only
        {"C:\\data   ", "\\\\HOST\\C$\\data"},
        {"C:\\data .", "\\\\HOST\\C$\\data"},      // the point, then the blanks
        {"C:\\data. ", "\\\\HOST\\C$\\data."},     // blanks go, the point was not last
        {"C:/data/x", "\\\\HOST\\C$\\data\\x"},
        {"C:\\\\data", "\\\\HOST\\C$\\data"},
        {"c:\\Data", "\\\\HOST\\c$\\Data"},
        {"data", "\\\\HOST\\C$\\work\\data"},
        {"\\data", "\\\\HOST\\C$\\data"},
        {"D:x", "\\\\HOST\\D$\\x"},
        {"S:\\x", "\\\\HOST\\C$\\data\\x"},
        {"S:\\", "\\\\HOST\\C$\\data\\"},
        {"R:\\x", "\\\\HOST\\D$\\x"},
        {"T:\\x", "\\\\HOST\\C$\\data\\deeper\\x"},
        {"U:\\x", "\\\\srv\\share\\x"},
        {"\\\\HOST\\S$\\x", "\\\\HOST\\C$\\data\\x"},
        {"\\\\host\\R$\\x", "\\\\host\\D$\\x"},
        {"\\\\localhost\\T$", "\\\\localhost\\C$\\data\\deeper\\"},
        {"\\\\HOST\\C$\\x", "\\\\HOST\\C$\\x"},
        {"\\\\other\\S$\\x", "\\\\other\\S$\\x"},  // not this computer: its own S$
        {"V:\\x", "InvalidPath"},
        {"Y:\\x", "InvalidPath"},
        {"\\\\HOST\\Y$\\x", "InvalidPath"},
        {"L:\\" + std::string(14, 'x'), "\\\\HOST\\C$\\" + std::string(240, 'l') + "\\" + std::string(14, 'x')},
        {"L:\\" + std::string(15, 'x'), "InvalidPath"},
        {"Q:\\x", "InvalidPath"},                 // no such drive
        {"1:\\x", "InvalidPath"},
        {"C:", "\\\\HOST\\C$\\"},                 // the current folder of C: is its root here
        {"", "InvalidPath"},
        {path260, "\\\\HOST\\C$\\" + std::string(257, 'n')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(Convert(platform, c.path.c_str()), c.expected);
    }
}

TEST_F(UncResolverTest, UncPathsAndBadInput) {
    const std::string long260 = "C:\\" + std::string(257, 'n');
    struct Case { std::string path; std::string expected; };
    const Case cases[] = {
        {"\\\\srv\\share\\dir", "\\\\srv\\share\\dir"},
        {"//srv/share/dir/sub", "\\\\srv\\share\\dir\\sub"},
        {"\\\\srv\\share", "\\\\srv\\share\\"},
        {"\\\\srv\\share\\\\dir", "\\\\srv\\share\\dir"},  // one further separator skipped
        {"//srv/share//dir", "\\\\srv\\share\\dir"},
        {"\\\\ srv \\share\\dir", "\\\\srv\\share\\dir"},  // the host's blanks
        {"\\\\srv\\VOL:dir", "\\\\srv\\VOL\\dir"},
        {"\\\\srv", "InvalidPath"},
        {"\\\\srv\\", "InvalidPath"},
        {"\\\\\\\\share", "InvalidPath"},
        {"\\\\", "InvalidPath"},
        {"\\\\ \\share", "InvalidPath"},
        {long260, "\\\\HOST\\C$\\" + std::string(257, 'n')},
        {long260 + "n", "InvalidPath"},
        {"C:\\" + std::string(600, 'n'), "InvalidPath"},
        {"SRV/VOL:dir", "\\\\SRV\\VOL\\dir"},
        {"SRV\\VOL:", "\\\\SRV\\VOL\\"},
        // Characters no Windows file name holds.
        {"C:\\a:b:c", "InvalidPath"},
        {"C:\\a?b", "InvalidPath"},
        {"\\\\srv\\sh*re\\d", "InvalidPath"},
        {"C:\\a|b", "InvalidPath"},
        {"C:\\tab\tx", "InvalidPath"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(Convert(platform, c.path.c_str()), c.expected);
    }
}

// A share the caller's texts cannot hold fails instead of being cut.
TEST_F(UncResolverTest, PartsThatDoNotFitFail) {
    const std::string host80(80, 'h'), share96(96, 's');
    EXPECT_EQ(Convert(platform, ("\\\\" + std::string(79, 'h') + "\\s\\r").c_str()),
              "\\\\" + std::string(79, 'h') + "\\s\\r");
    EXPECT_EQ(Convert(platform, ("\\\\" + host80 + "\\s\\r").c_str()), "InvalidPath");
    EXPECT_EQ(Convert(platform, ("\\\\h\\" + std::string(95, 's') + "\\r").c_str()),
              "\\\\h\\" + std::string(95, 's') + "\\r");
    EXPECT_EQ(Convert(platform, ("\\\\h\\" + share96 + "\\r").c_str()), "InvalidPath");
    // A network drive's name makes the rest longer than the path: 271 bytes fit, 272 not.
    const std::string path260 = ":\\" + std::string(257, 'r');
    platform.mapped['L'] = "\\\\h\\s\\" + std::string(13, 'd');
    platform.mapped['M'] = platform.mapped['L'] + "d";
    EXPECT_EQ(Convert(platform, ("L" + path260).c_str()), platform.mapped['L'] + "\\" + std::string(257, 'r'));
    EXPECT_EQ(Convert(platform, ("M" + path260).c_str()), "InvalidPath");
    // The longest host and share leave 230 bytes of the 407 to the rest and the terminators.
    platform.mapped['N'] = "\\\\" + std::string(79, 'h') + "\\" + std::string(95, 's');
    EXPECT_EQ(Convert(platform, ("N:\\" + std::string(230, 'r')).c_str()),
              platform.mapped['N'] + "\\" + std::string(230, 'r'));
    EXPECT_EQ(Convert(platform, ("N:\\" + std::string(231, 'r')).c_str()), "InvalidPath");
}

TEST_F(UncResolverTest, NetworkDrivesAndTheNetWareForm) {
    platform.mapped['N'] = "\\\\files\\vol1";
    struct Case {
        const char* name;
        std::map<std::string, Connection> connections;
        std::uint32_t lookUp;
        DsnServer server;
        const char* path;
        const char* expected;
    };
    const Case cases[] = {
        {"mapped", {}, 1, kNoServer, "N:\\db", "\\\\files\\vol1\\db"},
        {"NetWare connection", {{"FILES", Connection::NetWare}}, 1, kNoServer, "N:\\db", "\\\\files\\vol1:\\db"},
        {"plain connection", {{"files", Connection::Plain}}, 1, {"files", "NWSR"}, "N:\\db", "\\\\files\\vol1\\db"},
        {"NWSR server", {}, 1, {"FILES", "nwsr"}, "N:\\db", "\\\\files\\vol1:\\db"},
        {"NWSR server, UNC", {}, 1, {"srv", "NWSR"}, "\\\\SRV\\share\\d", "\\\\SRV\\share:\\d"},
        {"other platform code", {}, 1, {"files", "NTSR"}, "N:\\db", "\\\\files\\vol1\\db"},
        {"platform code NWSX", {}, 1, {"files", "NWSX"}, "N:\\db", "\\\\files\\vol1\\db"},
        {"no look-up", {{"files", Connection::NetWare}}, 0, {"files", "NWSR"}, "N:\\db", "\\\\files\\vol1\\db"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform.connections = c.connections;
        platform.connectionQueries.clear();
        EXPECT_EQ(Convert(platform, c.path, c.lookUp, c.server), c.expected);
        EXPECT_EQ(platform.connectionQueries.size(), c.lookUp ? 1u : 0u);
    }
}

TEST_F(UncResolverTest, NetWareClient) {
    platform.netWare = true;
    platform.netWarePaths["VOL1:dir"] = NetWareParts("NWSRV", "VOL1", "\\dir");
    platform.netWarePaths["P:\\apps\\db"] = NetWareParts("NWSRV", "APPS", "\\db");
    platform.netWarePaths["EMPTY:dir"] = NetWareParts("", "EMPTY", "\\dir");
    platform.netWarePaths["BOX:dir"] = NetWareParts("NWSRV", "BOX", "\\\xC9");  // a CP850 box corner: no ANSI form
    // "M\x81ller" is the CP850 form of the ANSI (CP1252) "M\xFCller".
    platform.netWarePaths["VOL1:M\x81ller"] = NetWareParts("NWSRV", "VOL1", "\\M\x81ller");
    platform.connections["nwsrv"] = Connection::NetWare;
    struct Case { const char* path; const char* expected; const char* asked; };
    const Case cases[] = {
        {"VOL1:dir", "\\\\NWSRV\\VOL1:\\dir", "VOL1:dir"},
        {"P:\\apps\\db", "\\\\NWSRV\\APPS:\\db", "P:\\apps\\db"},
        {"C:\\data", "\\\\HOST\\C$\\data", "C:\\data"},  // the client does not know it: a local drive
        {"EMPTY:dir", "InvalidPath", "EMPTY:dir"},          // the client names no server
        {"NOVOL:dir", "InvalidPath", "NOVOL:dir"},
        {"BOX:dir", "InvalidPath", "BOX:dir"},
        {"VOL1:M\xFCller", "\\\\NWSRV\\VOL1:\\M\xFCller", "VOL1:M\x81ller"},
        {"C:\\\x80uro", "\\\\HOST\\C$\\\x80uro", nullptr},  // the euro sign has no CP850 form: not asked
        {"SRV/VOL:dir", "\\\\SRV\\VOL\\dir", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        platform.netWareCalls.clear();
        EXPECT_EQ(Convert(platform, c.path), c.expected);
        EXPECT_EQ(platform.netWareCalls, c.asked ? std::vector<std::string>{c.asked} : std::vector<std::string>{});
    }
}

// Without the client a volume path is looked for behind a network drive: the volume takes
// the share's place.
TEST_F(UncResolverTest, VolumePathWithoutTheClient) {
    platform.currentDirectory = "N:\\apps";
    platform.mapped['N'] = "\\\\files\\vol1";
    EXPECT_EQ(Convert(platform, "VOL2:db"), "\\\\files\\VOL2\\apps\\db");
    platform.currentDirectory = "C:\\work";
    EXPECT_EQ(Convert(platform, "VOL2:db"), "InvalidPath");
}

// In a double-byte code page the second byte of a character may be a "|" or a "\\": the
// checks and the separators look at characters, not bytes.
TEST_F(UncResolverTest, DoubleByteCodePage) {
    Encodings.defaultEncoding.assign(L"CP932");
    EXPECT_EQ(Convert(platform, "C:\\\x83\x7C\\\x95\x5C"), "\\\\HOST\\C$\\\x83\x7C\\\x95\x5C");
    EXPECT_EQ(Convert(platform, "//srv/\x95\x5C/d"), "\\\\srv\\\x95\x5C\\d");
}

TEST_F(UncResolverTest, WithoutThisComputersName) {
    platform.hostKnown = false;
    EXPECT_EQ(Convert(platform, "C:\\data"), "InvalidPath");
    char buffer[kPartsBufferSize];
    PathParts parts{nullptr, nullptr, nullptr, buffer, sizeof buffer};
    ASSERT_EQ(ResolvePath(platform, "C:\\data", parts), 0);
    EXPECT_EQ(parts.host, nullptr);
    EXPECT_EQ(parts.share, buffer);
    EXPECT_STREQ(parts.share, "C$");
    EXPECT_STREQ(parts.rest, "data");
    EXPECT_EQ(Convert(platform, "\\\\srv\\share\\d"), "\\\\srv\\share\\d");
}

TEST_F(UncResolverTest, ResolvedPartsLieOneAfterAnother) {
    char buffer[kPartsBufferSize];
    std::memset(buffer, 'x', sizeof buffer);
    PathParts parts{nullptr, nullptr, nullptr, buffer, sizeof buffer};
    ASSERT_EQ(ResolvePath(platform, "C:\\data\\x.", parts), 0);
    EXPECT_EQ(std::string(buffer, 5 + 3 + 7), std::string("HOST\0C$\0data\\x\0", 15));
    EXPECT_EQ(parts.host, buffer);
    EXPECT_EQ(parts.share, buffer + 5);
    EXPECT_EQ(parts.rest, buffer + 8);

    // A failure keeps only the input, trimmed, as rest.
    EXPECT_EQ(ResolvePath(platform, "Q:\\x. ", parts), InvalidPath);
    EXPECT_EQ(parts.host, nullptr);
    EXPECT_EQ(parts.share, nullptr);
    EXPECT_STREQ(parts.rest, "Q:\\x.");
    char small[4];
    PathParts tight{nullptr, nullptr, nullptr, small, sizeof small};
    EXPECT_EQ(ResolvePath(platform, "Q:\\xyz", tight), InvalidPath);
    EXPECT_STREQ(tight.rest, "");
    EXPECT_EQ(ResolvePath(platform, "C:\\xyz", tight), InvalidPath);  // resolved, but does not fit
}

TEST(ParseUncPartsTest, Splits) {
    struct Case { const char* text; std::uint32_t size; int result; const char* host; const char* share; const char* rest; };
    const Case cases[] = {
        {"srv\\share\\dir\\sub", 64, 0, "srv", "share", "dir\\sub"},
        {"srv/share/dir", 64, 0, "srv", "share", "dir"},
        {"srv\\VOL:\\dir", 64, 0, "srv", "VOL", "dir"},
        {"srv\\share", 64, 0, "srv", "share", ""},
        {"  srv  \\share", 64, 0, "srv", "share", ""},
        {"srv", 64, kEmptyHostOrShare, nullptr, nullptr, nullptr},
        {"\\share", 64, kEmptyHostOrShare, nullptr, nullptr, nullptr},
        {"srv\\:x", 64, kEmptyHostOrShare, nullptr, nullptr, nullptr},
        {"srv\\share\\dir", 12, kTextTooLong, nullptr, nullptr, nullptr},  // 13 characters
        {"srv\\share\\dir", 13, kTextTooLong, nullptr, nullptr, nullptr},  // its three parts need 14
        {"srv\\share\\dir", 14, 0, "srv", "share", "dir"},
        {nullptr, 4096, kTextTooLong, nullptr, nullptr, nullptr},  // a text longer than the resolver's
    };
    const std::string longHost = std::string(2400, 'h') + "\\s\\r";
    for (const Case& c : cases) {
        const char* text = c.text ? c.text : longHost.c_str();
        SCOPED_TRACE(text);
        std::vector<char> buffer(c.size);
        PathParts parts{nullptr, nullptr, nullptr, buffer.data(), c.size};
        int result = ParseUncParts(text, parts);
        ASSERT_EQ(result, c.result);
        if (result != 0) continue;
        EXPECT_STREQ(parts.host, c.host);
        EXPECT_STREQ(parts.share, c.share);
        EXPECT_STREQ(parts.rest, c.rest);
    }
}

TEST(ParseUncPartsTest, VolumeSpecAndConnectionTests) {
    EXPECT_TRUE(IsNetWareVolumeSpec("AB:"));
    EXPECT_FALSE(IsNetWareVolumeSpec(":x"));
    EXPECT_FALSE(IsNetWareVolumeSpec("A:B:"));
    EXPECT_TRUE(RemoteNameNamesHost("\\\\files", "FILES"));
    EXPECT_FALSE(RemoteNameNamesHost("\\\\files2\\vol1", "files"));
    EXPECT_FALSE(RemoteNameNamesHost("\\", "files"));
    EXPECT_TRUE(IsNetWareProvider("netware"));
    EXPECT_FALSE(IsNetWareProvider("NETWAR"));
}

}  // namespace
