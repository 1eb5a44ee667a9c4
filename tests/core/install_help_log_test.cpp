// The installation's text steps, the installer copy choice, the help launch and the
// centring arithmetic, and the shared log's line layout.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "dialogs/help_command.h"
#include "log/log_line.h"
#include "setup/install_paths.h"
#include "setup/installer_version.h"

namespace {

std::string Narrow(std::u16string_view s) { return std::string(s.begin(), s.end()); }

TEST(InstallPathsTest, OneTrailingBackslashDroppedFromTwoOrMoreCharacters) {
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
}

// A directory tree in memory: creation fails without the parent or where a failure is
// scripted, and may lie (answer 0 with nothing made); what it makes is recorded.
struct FakeDirectories : DirectoryOperations {
    std::set<std::u16string> existing;
    std::map<std::u16string, std::int32_t> failures;
    bool lie = false;
    std::string created;
    int calls = 0;
    bool exists(const std::u16string& path) override { return ++calls, existing.count(path) != 0; }
    std::int32_t create(const std::u16string& path) override {
        std::size_t cut = path.rfind(u'\\');
        if (++calls, cut != std::u16string::npos && !existing.count(path.substr(0, cut))) return kPathNotFound;
        if (failures.count(path)) return failures[path];
        if (!lie) existing.insert(path), created += Narrow(path) + "|";
        return 0;
    }
    static constexpr std::int32_t kPathNotFound = static_cast<std::int32_t>(0x80070003);
};

TEST(InstallPathsTest, CreatesMissingLevelsAndStopsWhereItMust) {
    const std::int32_t denied = kResultAccessDenied, file = static_cast<std::int32_t>(0x800700B7);  // a file in the way
    struct Case { std::u16string path; std::set<std::u16string> existing; std::map<std::u16string, std::int32_t> failures;
                  std::int32_t result; const char* made; };
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
}

// The real copies (3.520/3.525, 3.525.1/3.525.0, equal) and sizes around 20,000 bytes are
// tried under Wine; these are the word-by-word edges and the conditions no real file meets.
TEST(InstallerChoiceTest, SystemCopyOnlyWhenTheSearchCopyIsOlderAndStubsAreSmallWithoutVersion) {
    auto v = [](unsigned a, unsigned b, unsigned c, unsigned d) { return FileVersion{a << 16 | b, c << 16 | d}; };
    EXPECT_EQ(std::vector<bool>({PreferSystemInstallerCopy(v(3, 525, 0, 0), v(3, 525, 0, 1)),
                                 PreferSystemInstallerCopy(v(4, 0, 0, 0), v(3, 999, 9, 9)),
                                 PreferSystemInstallerCopy(v(3, 525, 9, 9), v(3, 526, 0, 0)),
                                 PreferSystemInstallerCopy(v(3, 525, 1, 2), v(3, 525, 1, 2))}),
              std::vector<bool>({true, false, true, false}));
    EXPECT_EQ(std::vector<bool>({IsInstallerStub(true, 19999, false), IsInstallerStub(true, 20000, false),
                                 IsInstallerStub(true, 19999, true), IsInstallerStub(false, 19999, false)}),
              std::vector<bool>({true, false, false, false}));
}

TEST(HelpCommandTest, TopicAndHelpFileOfTheInstallation) {
    const std::string longest(254, 'd'), file = "\\Docs\\qmswdocs.chm>$global_qmhelp\" in ";
    const std::pair<const char*, std::string> cases[] = {  // the directory, the launch of topic -1
        {"C:\\A B", "keyhh -qmsw -#mapid -1 \"C:\\A B" + file + "C:\\A B\\bin"},
        {longest.c_str(), "keyhh -qmsw -#mapid -1 \"" + longest + file + longest + "\\bin"},  // the longest taken
        {"", "none"}, {nullptr, "none"}};  // without an installation there is no help file to show
    for (const auto& [directory, launch] : cases) {
        HelpLaunch l;
        bool built = BuildHelpLaunch(-1, directory, l);
        EXPECT_EQ(built ? std::string(l.commandLine.c_str()) + " in " + l.workingDirectory.c_str() : "none", launch);
    }
}

TEST(HelpCommandTest, CentredOnTheOwnerAndKeptOnTheDesktop) {
    struct Case { ScreenRect owner; std::int32_t w, h, x, y; };
    const Case cases[] = {
        {{262, 184, 762, 584}, 300, 200, 362, 284}, {{-400, 300, 100, 500}, 300, 100, 0, 350},  // middle, left edge
        {{900, 300, 1400, 500}, 300, 100, 724, 350}, {{300, -500, 700, 100}, 200, 300, 400, 0},  // right, top edge
        {{300, 700, 700, 900}, 200, 300, 400, 468}, {{0, 0, 101, 101}, 50, 50, 25, 25},  // bottom edge; odd sizes
        {{0, 0, 1024, 768}, 1200, 900, 0, 0}, {{500, 400, 1000, 700}, 1200, 900, -176, -132},  // larger than the desktop
    };
    for (const Case& c : cases) {
        std::int32_t x = 0, y = 0;
        CentredPosition(c.owner, c.w, c.h, {0, 0, 1024, 768}, x, y);
        EXPECT_EQ(std::vector<int>({x, y}), std::vector<int>({c.x, c.y}));
    }
}

// Columns are positions on the line: a field that runs past the next column's start pushes
// only what must move; the fields after it go back to their own columns when there is room.
TEST(LogLineTest, FieldsAtTheirColumns) {
    const std::u16string t = u"2026-12-05 22:10:03.123", kfif = LogComponentName(u"KFIF"), c40(40, u'C'),
                         n20(20, u'N'), t28(28, u'T');
    const std::string head = "2026-12-05 22:10:03.123     KFIF            4242     ";
    struct Case { LogLineFields fields; std::string line; };
    const Case cases[] = {
        {{t, kfif, u"4242", u"setup.exe", u"DBHOST", u"1", u"Load failed"},
         head + "setup.exe       DBHOST          I     Load failed\r\n"},
        {{t, kfif, u"4242", u"replication_tool.exe", u"DBHOST", u"1", u"Load failed"},
         head + "replication_tool.exeDBHOST      I     Load failed\r\n"},
        {{t, kfif, u"4242", u"setup.exe", c40, u"2", u"x"}, head + "setup.exe       " + std::string(40, 'C') + "W     x\r\n"},
        {{t, n20, u"7", u"", u"", u"4", u"y"}, head.substr(0, 28) + std::string(20, 'N') + "7" + std::string(36, ' ') + "E     y\r\n"},
        {{t28, u"A", u"1", u"", u"", u"1", u""}, std::string(28, 'T') + "A" + std::string(15, ' ') + "1" + std::string(40, ' ') + "I     \r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(Narrow(FormatLogLine(c.fields)), c.line);
    std::string types, names;
    for (const char16_t* level : {u"1", u"2", u"4", u"3", u"0", u"", u"11", u"-1"}) types += Narrow(LogTypeColumn(level)) + "|";
    EXPECT_EQ(types, "I     |W     |E     |      |      |      |      |      |");
    for (const char16_t* name : {u"KFIF", u"", u"LONGCOMPONENT"}) names += Narrow(LogComponentName(name)) + "|";
    for (const char16_t* path : {u"C:\\Program Files\\odbcad32.exe", u"plain.exe", u"C:\\dir\\"}) names += Narrow(ProgramFileName(path)) + "|";
    EXPECT_EQ(names, "KFIF      |UNKNOWN   |LONGCOMPONENT|odbcad32.exe|plain.exe||");
    // The header's labels and the rule's dashes start at the columns; both fit the header buffer.
    const std::string header = kLogHeaderLine, rule = kLogRuleLine;
    for (std::size_t column : {28u, 44u, 53u, 69u, 85u, 91u})
        EXPECT_TRUE(header[column] != ' ' && header[column - 1] == ' ' && rule.substr(column - 1, 2) == " -") << column;
    EXPECT_EQ(header.substr(header.size() - 2), "\r\n");
    EXPECT_LT(3 + header.size() + rule.size(), 287u);
}

}  // namespace
