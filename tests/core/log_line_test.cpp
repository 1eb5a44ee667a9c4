#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "log/log_line.h"

namespace {

std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

const std::u16string kTimestamp = u"2026-12-05 22:10:03.123";

TEST(LogLineTest, FieldsStartAtTheirColumns) {
    std::u16string name = LogComponentName(u"KFIF");
    std::string line = Narrow(FormatLogLine({kTimestamp, name, u"4242", u"setup.exe", u"DBHOST", u"1", u"Load failed"}));
    EXPECT_EQ(line,
              "2026-12-05 22:10:03.123     KFIF            4242     setup.exe       DBHOST          I     Load failed\r\n");
}

TEST(LogLineTest, LevelLettersAndBlankType) {
    struct Case { std::u16string level; const char* type; };
    const Case cases[] = {{u"1", "I     "}, {u"2", "W     "}, {u"4", "E     "}, {u"3", "      "},
                          {u"0", "      "}, {u"", "      "}, {u"11", "      "}, {u"-1", "      "}};
    for (const Case& c : cases) {
        std::string line = Narrow(FormatLogLine({kTimestamp, u"X", u"1", u"p", u"c", c.level, u"t"}));
        EXPECT_EQ(line.substr(85, 6), c.type) << Narrow(c.level);
    }
}

// Columns are positions on the line: a field that runs past the next column's start pushes
// only what must move; the fields after it go back to their own columns when there is room.
TEST(LogLineTest, LongFieldsMoveOnlyWhatTheyMust) {
    struct Case {
        const char* name;
        LogLineFields fields;
        std::string line;
    };
    const std::u16string program = u"replication_tool.exe";  // 20 characters: 53..72
    const std::u16string computer40(40, u'C');                 // 69..108
    const std::u16string component20(20, u'N');                // 28..47
    const std::u16string timestamp28(28, u'T');
    const Case cases[] = {
        {"20-character program name",
         {kTimestamp, u"KFIF      ", u"4242", program, u"DBHOST", u"1", u"Load failed"},
         "2026-12-05 22:10:03.123     KFIF            4242     replication_tool.exeDBHOST      I     Load failed\r\n"},
        {"40-character computer name",
         {kTimestamp, u"KFIF      ", u"4242", u"setup.exe", computer40, u"2", u"x"},
         "2026-12-05 22:10:03.123     KFIF            4242     setup.exe       " + std::string(40, 'C') +
             "W     x\r\n"},
        {"20-character component name",
         {kTimestamp, component20, u"7", u"", u"", u"4", u"y"},
         "2026-12-05 22:10:03.123     " + std::string(20, 'N') + "7    " + std::string(32, ' ') + "E     y\r\n"},
        {"timestamp of its full 28 columns",
         {timestamp28, u"A", u"1", u"", u"", u"1", u""},
         std::string(28, 'T') + "A" + std::string(15, ' ') + "1" + std::string(40, ' ') + "I     \r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Narrow(FormatLogLine(c.fields)), c.line);
    }
}

TEST(LogLineTest, ComponentNamesAndProgramNames) {
    EXPECT_EQ(Narrow(LogComponentName(u"KFIF")), "KFIF      ");
    EXPECT_EQ(Narrow(LogComponentName(u"")), "UNKNOWN   ");
    EXPECT_EQ(Narrow(LogComponentName(u"LONGCOMPONENT")), "LONGCOMPONENT");
    EXPECT_EQ(Narrow(std::u16string(ProgramFileName(u"C:\\Program Files\\odbcad32.exe"))), "odbcad32.exe");
    EXPECT_EQ(Narrow(std::u16string(ProgramFileName(u"plain.exe"))), "plain.exe");
    EXPECT_EQ(Narrow(std::u16string(ProgramFileName(u"C:\\dir\\"))), "");
}

TEST(LogLineTest, HeaderAndRuleMarkTheColumns) {
    const std::string header = kLogHeaderLine, rule = kLogRuleLine;
    for (std::size_t column : {28u, 44u, 53u, 69u, 85u, 91u}) {
        EXPECT_NE(header[column], ' ') << column;
        EXPECT_EQ(header[column - 1], ' ') << column;
        EXPECT_EQ(rule[column], '-') << column;
        EXPECT_EQ(rule[column - 1], ' ') << column;
    }
    EXPECT_EQ(header.substr(header.size() - 2), "\r\n");
    EXPECT_LT(3 + header.size() + rule.size(), 287u);  // fits the header buffer
}

}  // namespace
