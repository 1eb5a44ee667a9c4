// The resource ids that hosts, templates and the string table share, pinned to their
// values, and the placeholders of every format string, read from the resource script
// itself: a format whose placeholders drift would make wsprintfA read the wrong argument.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "resources/resource_ids.h"

namespace {

TEST(ResourceIdsTest, TemplateAndStringIdsKeepTheirValues) {
    struct Id { const char* name; int id; int expected; };
    const Id ids[] = {
        {"setup", IDD_SETUP, 110}, {"logon", IDD_LOGON, 111}, {"advanced", IDD_ADVANCED, 115},
        {"create database", IDD_CREATE_DATABASE, 118}, {"create engine DSN", IDD_CREATE_ENGINE_DSN, 130},
        {"modify engine DSN", IDD_MODIFY_ENGINE_DSN, 131}, {"engine advanced", IDD_ENGINE_ADVANCED, 136},
        {"add data file location", IDD_ADD_DATAFILE, 150},
        {"caption", IDS_CAPTION, 1002}, {"bad DSN name", IDS_BAD_DSN_NAME, 1003},
        {"bad array buffer size", IDS_BAD_ARRAY_BUFFER_SIZE, 1004},
        {"forbidden characters", IDS_DSN_FORBIDDEN_CHARACTERS, 1009}, {"overwrite", IDS_DSN_EXISTS_OVERWRITE, 1010},
        {"path not UNC", IDS_PATH_NOT_UNC, 1013}, {"path invalid", IDS_PATH_INVALID, 1014},
        {"engine DSN holds the name", IDS_ENGINE_DSN_HOLDS_NAME, 1016}, {"replication", IDS_REPLICATION_REMOVE, 1017},
        {"classic security", IDS_SECURITY_CLASSIC, 1072}, {"mixed security", IDS_SECURITY_MIXED, 1073},
        {"database security", IDS_SECURITY_DATABASE, 1074},
        {"server default code page", IDS_SERVER_DEFAULT_CODE_PAGE, 1075},
        {"DSN name limit", DSN_NAME_LIMIT, 32},
    };
    for (const Id& i : ids) EXPECT_EQ(i.id, i.expected) << i.name;
}

// The text of a STRINGTABLE entry of the resource script, found by its macro name.
std::string StringOf(const std::string& script, const std::string& macro) {
    std::size_t at = script.find("\n    " + macro + " \"");
    if (at == std::string::npos) return "<missing>";
    std::size_t start = script.find('"', at) + 1;
    return script.substr(start, script.find("\"\n", start) - start);
}

// The conversions of a printf format, in order ("%s %d").
std::string Placeholders(const std::string& format) {
    std::string found;
    for (std::size_t i = 0; i + 1 < format.size(); ++i) {
        if (format[i] != '%') continue;
        if (!found.empty()) found += ' ';
        found += format.substr(i, 2);
        ++i;
    }
    return found;
}

TEST(ResourceIdsTest, FormatStringsTakeTheirArgumentsInOrder) {
    std::ifstream in(DSNSET_RESOURCE_SCRIPT);
    ASSERT_TRUE(in) << DSNSET_RESOURCE_SCRIPT;
    std::stringstream text;
    text << in.rdbuf();
    const std::string script = text.str();
    struct Format { const char* macro; const char* placeholders; };
    const Format formats[] = {
        {"IDS_BAD_DSN_NAME", "%s %d"},            // name, limit
        {"IDS_BAD_ARRAY_BUFFER_SIZE", "%d %d %s"},  // lowest, highest, the text typed
        {"IDS_DSN_EXISTS_OVERWRITE", "%s"},
        {"IDS_ENGINE_DSN_HOLDS_NAME", "%s"},
        {"IDS_CAPTION", ""},
        {"IDS_REPLICATION_REMOVE", ""},
    };
    for (const Format& f : formats) EXPECT_EQ(Placeholders(StringOf(script, f.macro)), f.placeholders) << f.macro;
}

}  // namespace
