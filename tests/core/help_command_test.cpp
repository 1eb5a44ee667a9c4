// The help launcher's command line and working directory, and the centring arithmetic.
#include <gtest/gtest.h>

#include <string>

#include "dialogs/help_command.h"

namespace {

TEST(HelpCommandTest, TopicAndHelpFileOfTheInstallation) {
    struct Case { std::int32_t mapId; const char* directory; const char* command; const char* folder; };
    const Case cases[] = {
        {300004, "D:\\App", "keyhh -qmsw -#mapid 300004 \"D:\\App\\Docs\\qmswdocs.chm>$global_qmhelp\"", "D:\\App\\bin"},
        {300008, "C:\\Prog", "keyhh -qmsw -#mapid 300008 \"C:\\Prog\\Docs\\qmswdocs.chm>$global_qmhelp\"", "C:\\Prog\\bin"},
        {-1, "C:\\A B", "keyhh -qmsw -#mapid -1 \"C:\\A B\\Docs\\qmswdocs.chm>$global_qmhelp\"", "C:\\A B\\bin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        HelpLaunch launch;
        ASSERT_TRUE(BuildHelpLaunch(c.mapId, c.directory, launch));
        EXPECT_STREQ(launch.commandLine.c_str(), c.command);
        EXPECT_STREQ(launch.workingDirectory.c_str(), c.folder);
    }
    // The longest directory the launcher takes still fits whole.
    const std::string longest(254, 'd');
    HelpLaunch launch;
    ASSERT_TRUE(BuildHelpLaunch(300002, longest.c_str(), launch));
    EXPECT_EQ(std::string(launch.commandLine.c_str()),
              "keyhh -qmsw -#mapid 300002 \"" + longest + "\\Docs\\qmswdocs.chm>$global_qmhelp\"");
    EXPECT_FALSE(BuildHelpLaunch(300002, "", launch));
    EXPECT_FALSE(BuildHelpLaunch(300002, nullptr, launch));
}

TEST(CentredPositionTest, CentredOnTheOwnerAndKeptOnTheDesktop) {
    const ScreenRect desktop = {0, 0, 1024, 768};
    struct Case { const char* name; ScreenRect owner; std::int32_t w, h, x, y; };
    const Case cases[] = {
        {"owner in the middle", {262, 184, 762, 584}, 300, 200, 362, 284},
        {"owner against the left edge", {-400, 300, 100, 500}, 300, 100, 0, 350},
        {"owner against the right edge", {900, 300, 1400, 500}, 300, 100, 724, 350},
        {"owner against the top edge", {300, -500, 700, 100}, 200, 300, 400, 0},
        {"owner against the bottom edge", {300, 700, 700, 900}, 200, 300, 400, 468},
        {"odd sizes round toward the owner's corner", {0, 0, 101, 101}, 50, 50, 25, 25},
        {"dialog wider and taller than the desktop", {0, 0, 1024, 768}, 1200, 900, 0, 0},
        {"dialog larger, owner to the right", {500, 400, 1000, 700}, 1200, 900, -176, -132},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::int32_t x = 0, y = 0;
        CentredPosition(c.owner, c.w, c.h, desktop, x, y);
        EXPECT_EQ(x, c.x);
        EXPECT_EQ(y, c.y);
    }
}

}  // namespace
