#include <gtest/gtest.h>

#include "setup/installer_version.h"

namespace {

constexpr FileVersion V(unsigned major, unsigned minor, unsigned build, unsigned revision) {
    return {major << 16 | minor, build << 16 | revision};
}

TEST(InstallerChoiceTest, SystemCopyOnlyWhenTheSearchCopyIsOlder) {
    struct Case { FileVersion search, system; bool system_kept; };
    const Case cases[] = {
        {V(3, 520, 0, 0), V(3, 525, 0, 0), true},
        {V(3, 525, 1, 0), V(3, 525, 0, 0), false},
        {V(3, 525, 0, 0), V(3, 525, 0, 0), false},
        {V(3, 525, 0, 0), V(3, 525, 0, 1), true},   // least significant word decides on equal most
        {V(4, 0, 0, 0), V(3, 999, 9, 9), false},
        {V(3, 525, 9, 9), V(3, 526, 0, 0), true},   // a higher build never outweighs the minor
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        EXPECT_EQ(PreferSystemInstallerCopy(c.search, c.system), c.system_kept);
    }
}

TEST(InstallerChoiceTest, StubIsSmallWithoutVersionInformation) {
    EXPECT_TRUE(IsInstallerStub(true, 19999, false));
    EXPECT_TRUE(IsInstallerStub(true, 0, false));
    EXPECT_FALSE(IsInstallerStub(true, 20000, false));
    EXPECT_FALSE(IsInstallerStub(true, 19999, true));
    EXPECT_FALSE(IsInstallerStub(false, 19999, false));
}

}  // namespace
