#include <gtest/gtest.h>

#include "setup/installer_version.h"

namespace {

constexpr FileVersion V(unsigned major, unsigned minor, unsigned build, unsigned revision) {
    return {major << 16 | minor, build << 16 | revision};
}

// The three pairs of real copies (3.520/3.525, 3.525.1/3.525.0, equal) are loaded under
// Wine by the facility tests; these are the word-by-word edges between them.
TEST(InstallerChoiceTest, SystemCopyOnlyWhenTheSearchCopyIsOlder) {
    struct Case { FileVersion search, system; bool system_kept; };
    const Case cases[] = {
        {V(3, 525, 0, 0), V(3, 525, 0, 1), true},   // least significant word decides on equal most
        {V(4, 0, 0, 0), V(3, 999, 9, 9), false},
        {V(3, 525, 9, 9), V(3, 526, 0, 0), true},   // a higher build never outweighs the minor
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        EXPECT_EQ(PreferSystemInstallerCopy(c.search, c.system), c.system_kept);
    }
}

// Sizes around 20,000 bytes are moved aside for real under Wine; these are the other two
// conditions, which a real file cannot easily be made to meet.
TEST(InstallerChoiceTest, StubIsSmallWithoutVersionInformation) {
    EXPECT_FALSE(IsInstallerStub(true, 19999, true));
    EXPECT_FALSE(IsInstallerStub(false, 19999, false));
}

}  // namespace
