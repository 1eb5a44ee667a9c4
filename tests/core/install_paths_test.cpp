#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "setup/install_paths.h"

namespace {

TEST(TrailingBackslashTest, DropsOneBackslashFromTwoOrMoreCharacters) {
    struct Case { std::u16string value; std::u16string expected; };
    const Case cases[] = {
        {u"C:\\Prog\\", u"C:\\Prog"}, {u"C:\\Prog", u"C:\\Prog"}, {u"\\", u"\\"}, {u"C:\\", u"C:"},
        {u"D:\\Data\\\\", u"D:\\Data\\"}, {u"", u""}, {u"a\\", u"a"},
    };
    for (const Case& c : cases) {
        std::u16string buffer = c.value;
        buffer.resize(64, u'\0');
        std::uint32_t size = static_cast<std::uint32_t>((c.value.size() + 1) * 2);
        StripTrailingBackslash(&buffer[0], size, 128);
        EXPECT_EQ(std::u16string(buffer.c_str()), c.expected) << std::string(c.value.begin(), c.value.end());
    }
    // A size that claims more than the buffer holds is not trusted.
    char16_t small[2] = {u'a', u'\\'};
    StripTrailingBackslash(small, 400, sizeof small);
    EXPECT_EQ(small[1], u'\\');
}

// A directory tree in memory, recording what is created.
class FakeDirectories : public DirectoryOperations {
public:
    std::set<std::u16string> existing;
    std::set<std::u16string> denied;      // creation answers access denied
    std::set<std::u16string> files;       // a file is in the way: creation fails, not denied
    bool lieAboutCreation = false;        // creation answers 0 but nothing appears
    std::vector<std::u16string> created;
    int calls = 0;

    bool exists(const std::u16string& path) override { ++calls; return existing.count(path) != 0; }
    std::int32_t create(const std::u16string& path) override {
        ++calls;
        std::size_t cut = path.rfind(u'\\');
        if (cut != std::u16string::npos && !existing.count(path.substr(0, cut)))
            return static_cast<std::int32_t>(0x80070003);  // path not found
        if (denied.count(path)) return kResultAccessDenied;
        if (files.count(path)) return static_cast<std::int32_t>(0x800700B7);
        if (lieAboutCreation) return 0;
        existing.insert(path);
        created.push_back(path);
        return 0;
    }
};

TEST(CreateDirectoryPathTest, BuildsMissingLevelsAndStopsWhereItMust) {
    struct Case {
        const char* name;
        std::u16string path;
        std::set<std::u16string> existing, denied, files;
        std::int32_t result;
        std::vector<std::u16string> created;
    };
    const Case cases[] = {
        {"only the first level exists", u"C:\\a\\b\\c", {u"C:", u"C:\\a"}, {}, {}, 0, {u"C:\\a\\b", u"C:\\a\\b\\c"}},
        {"all but the last exist", u"C:\\a\\b\\c", {u"C:", u"C:\\a", u"C:\\a\\b"}, {}, {}, 0, {u"C:\\a\\b\\c"}},
        {"everything exists", u"C:\\a", {u"C:", u"C:\\a"}, {}, {}, 0, {}},
        {"access denied in the middle", u"C:\\a\\b\\c", {u"C:", u"C:\\a"}, {u"C:\\a\\b"}, {}, kResultAccessDenied, {}},
        {"access denied at the last level keeps the others", u"C:\\a\\b\\c", {u"C:"}, {u"C:\\a\\b\\c"}, {},
         kResultAccessDenied, {u"C:\\a", u"C:\\a\\b"}},
        {"a file in the way", u"C:\\a\\f\\c", {u"C:", u"C:\\a"}, {}, {u"C:\\a\\f"}, static_cast<std::int32_t>(0x800700B7), {}},
        {"no level exists", u"Q:\\a\\b", {}, {}, {u"Q:"}, static_cast<std::int32_t>(0x800700B7), {}},
        {"a bare name that cannot be made", u"zz", {}, {}, {u"zz"}, static_cast<std::int32_t>(0x800700B7), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeDirectories fs;
        fs.existing = c.existing;
        fs.denied = c.denied;
        fs.files = c.files;
        EXPECT_EQ(CreateDirectoryPathWith(c.path, fs), c.result);
        EXPECT_EQ(fs.created, c.created);
        EXPECT_LT(fs.calls, 64);
    }
}

TEST(CreateDirectoryPathTest, OperationsThatLieCannotMakeItLoop) {
    FakeDirectories fs;
    fs.existing = {u"C:"};
    fs.lieAboutCreation = true;
    EXPECT_NE(CreateDirectoryPathWith(u"C:\\a\\b\\c\\d", fs), 0);
    EXPECT_LT(fs.calls, 200);
}

}  // namespace
