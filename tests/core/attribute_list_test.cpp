// Attribute-list parsing: what a caller's key=value list puts into the settings record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "setup/dsn_settings.h"
#include "tests/support/attribute_list.h"

namespace {

std::string List(std::initializer_list<std::string> texts) { return AttributeList(texts); }

struct Expected {
    DsnSetting DsnSettings::*field;
    std::string value;
};

struct ParseCase {
    const char* name;
    std::string list;
    std::vector<Expected> set;  // every other field must stay unset and empty
};


std::vector<ParseCase> Cases() {
    return {
        {"keys match without regard to case", List({"DSN=Sales", "description=Main office"}),
         {{&DsnSettings::DSN, "Sales"}, {&DsnSettings::Description, "Main office"}}},
        {"a text without = ends the parse", List({"DSN=A", "Bogus", "DBQ=DEMODATA"}), {{&DsnSettings::DSN, "A"}}},
        {"the later of two values wins", List({"DSN=A", "DSN=B"}), {{&DsnSettings::DSN, "B"}}},
        {"a 17-character key is looked up", List({"ReplicationSystem=Yes", "TranslationOption=7"}),
         {{&DsnSettings::ReplicationSystem, "Yes"}, {&DsnSettings::TranslationOption, "7"}}},
        {"an 18-character key is ignored even when it starts with a listed key",
         List({"ReplicationSystemX=Yes", "DSNxxxxxxxxxxxxxxx=1", "DSN=Kept"}), {{&DsnSettings::DSN, "Kept"}}},
        {"keys are taken exactly, blanks included", List({" DSN=A", "DSN =B", "DBQ=C"}), {{&DsnSettings::DBQ, "C"}}},
        {"an empty value sets the field", List({"DBQ="}), {{&DsnSettings::DBQ, ""}}},
        {"the value runs to the text's end, = included", List({"Description=a=b=c"}),
         {{&DsnSettings::Description, "a=b=c"}}},
        {"unknown keys are skipped, the parse goes on", List({"Foo=1", "ServerName=dbhost", "EngineDescription=x"}),
         {{&DsnSettings::ServerName, "dbhost"}}},
        {"an empty list sets nothing", std::string(2, '\0'), {}},
        {"an empty key is no key", List({"=x", "TCPPort=2000"}), {{&DsnSettings::TCPPort, "2000"}}},
        {"long values keep their first 512 and never spill into the next field",
         List({"DSN=" + std::string(513, 'x'), "Description=" + std::string(1000, 'y')}),
         {{&DsnSettings::DSN, std::string(512, 'x')}, {&DsnSettings::Description, std::string(512, 'y')}}},
    };
}

class ParseAttributeListTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseAttributeListTest, SetsExactlyTheNamedFields) {
    const ParseCase& c = GetParam();
    DsnSettings settings;
    std::memset(&settings, 0, sizeof settings);
    ParseAttributeList(c.list.data(), settings);

    for (const AttributeKey& row : AttributeKeyTable) {
        SCOPED_TRACE(row.name);
        const DsnSetting& field = settings.*row.field;
        const Expected* expected = nullptr;
        for (const Expected& e : c.set)
            if (e.field == row.field) expected = &e;
        if (expected == nullptr) {
            EXPECT_EQ(field.isSet, 0u);
            EXPECT_STREQ(field.value.c_str(), "");
        } else {
            EXPECT_EQ(field.isSet, 1u);
            EXPECT_EQ(std::string(field.value.c_str()), expected->value);
        }
    }
    EXPECT_EQ(settings.EngineDescription.isSet, 0u);
    EXPECT_EQ(settings.EngineDescription.value.bytes[0], 0);
}

INSTANTIATE_TEST_SUITE_P(Lists, ParseAttributeListTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) {
                             std::string n;
                             for (const char* p = info.param.name; *p; ++p) n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return n;
                         });

TEST(AttributeKeyTableTest, EveryKeySetsTheFieldOfItsName) {
    for (const AttributeKey& row : AttributeKeyTable) {
        SCOPED_TRACE(row.name);
        DsnSettings settings;
        std::memset(&settings, 0, sizeof settings);
        std::string list = List({std::string(row.name) + "=v"});
        ParseAttributeList(list.data(), settings);
        int setCount = 0;
        for (const AttributeKey& other : AttributeKeyTable) setCount += (settings.*other.field).isSet ? 1 : 0;
        EXPECT_EQ(setCount, 1);
        EXPECT_STREQ((settings.*row.field).value.c_str(), "v");
    }
}

TEST(ParseAttributeListBoundedTest, NeverReadsPastTheBuffer) {
    struct BoundedCase { std::string bytes; const char* dsn; };
    const BoundedCase cases[] = {
        {std::string("DSN=ABCDEF"), "ABCDEF"},         // no terminator at all
        {std::string("DSN=AB\0", 7), "AB"},            // one terminator, no empty text
        {std::string("DSN", 3), ""},                   // a key cut short
        {std::string("DSN=A\0DSN=", 10), ""},          // the last text cut after "="
    };
    for (const BoundedCase& c : cases) {
        SCOPED_TRACE(c.bytes);
        // Copy into an exactly sized heap block so the sanitizers catch any overread.
        std::vector<char> exact(c.bytes.begin(), c.bytes.end());
        DsnSettings settings;
        std::memset(&settings, 0, sizeof settings);
        ParseAttributeListBounded(exact.data(), exact.size(), settings);
        EXPECT_STREQ(settings.DSN.value.c_str(), c.dsn);
    }
}

}  // namespace
