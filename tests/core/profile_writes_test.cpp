// What the commit writes into a DSN's section, in order, for a record: the key names and
// their order as literal texts, the defaults of a new DSN, and which keys are removed.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "setup/dsn_settings.h"

namespace {

DsnSettings Record(std::initializer_list<std::pair<DsnSetting DsnSettings::*, const char*>> values) {
    DsnSettings settings;
    std::memset(&settings, 0, sizeof settings);  // zero-filled like the call's record
    for (const auto& [field, value] : values) (settings.*field).set(value);
    return settings;
}

// "key=value" per write, "key:removed" for a removal, joined by "|".
std::string Writes(const ProfileWritePlan& plan) {
    std::string text;
    for (std::size_t i = 0; i < plan.count; ++i) {
        if (i) text += '|';
        text += plan.writes[i].key;
        text += plan.writes[i].value ? std::string("=") + plan.writes[i].value : std::string(":removed");
    }
    return text;
}

TEST(ProfileWritesTest, KeysGoInTheirFixedOrder) {
    struct Case { const char* name; DsnSettings record; bool newDsn, keepUnnamed; const char* writes; };
    const Case cases[] = {
        {"new DSN with a database only",
         Record({{&DsnSettings::DSN, "Sales"}, {&DsnSettings::DBQ, "DEMODATA"}}), true, false,
         "Description=Driver|ArrayFetchOn=1|ArrayBufferSize=8|TCPPort=1583|ServerName:removed|DBQ=DEMODATA|"
         "ServerDSN:removed|TransportHint=TCP:SPX|TranslationDLL=|TranslationOption=|QmTranslate="},
        {"every key set; the never-written keys stay out",
         Record({{&DsnSettings::QmTranslate, "Auto"}, {&DsnSettings::ReplicationSystem, "Yes"},
                 {&DsnSettings::TranslationOption, "1"}, {&DsnSettings::TranslationDLL, "t.dll"},
                 {&DsnSettings::TransportHint, "SPX:TCP"}, {&DsnSettings::ServerDSN, "DEMO"},
                 {&DsnSettings::DBQ, "DEMODATA"}, {&DsnSettings::ServerName, "dbhost"},
                 {&DsnSettings::TCPPort, "2000"}, {&DsnSettings::ArrayBufferSize, "64"},
                 {&DsnSettings::ArrayFetchOn, "0"}, {&DsnSettings::Description, "Main"},
                 {&DsnSettings::DictionaryLoc, "C:\\d"}, {&DsnSettings::DatafileLoc, "C:\\f"},
                 {&DsnSettings::OpenMode, "-1"}, {&DsnSettings::DSN, "Sales"}}),
         true, false,
         "Description=Main|ArrayFetchOn=0|ArrayBufferSize=64|TCPPort=2000|ServerName=dbhost.2000|DBQ=DEMODATA|"
         "ServerDSN=DEMO|TransportHint=SPX:TCP|TranslationDLL=t.dll|TranslationOption=1|ReplicationSystem=Yes|"
         "QmTranslate=Auto"},
        {"silent configure keeps what it does not name",
         Record({{&DsnSettings::DSN, "Sales"}, {&DsnSettings::Description, "x"}}), false, true, "Description=x"},
        {"configure from the dialog removes what is unset",
         Record({{&DsnSettings::DSN, "Sales"}, {&DsnSettings::Description, "x"}}), false, false,
         "Description=x|ServerName:removed|DBQ:removed|ServerDSN:removed"},
        {"an empty server is removed even when kept otherwise",
         Record({{&DsnSettings::DSN, "Sales"}, {&DsnSettings::ServerName, ""}, {&DsnSettings::DBQ, ""}}), false, true,
         "ServerName:removed|DBQ="},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DsnSettings record = c.record;
        if (c.newDsn) ApplyNewDsnDefaults(record, "Driver");
        EXPECT_EQ(Writes(PlanProfileWrites(record, "dbhost.2000", c.keepUnnamed)), c.writes);
    }
}

TEST(ProfileWritesTest, DefaultsNeverOverrideWhatWasGiven) {
    DsnSettings record = Record({{&DsnSettings::TCPPort, "2000"}, {&DsnSettings::TranslationDLL, "t.dll"}});
    ApplyNewDsnDefaults(record, nullptr);
    EXPECT_STREQ(record.TCPPort.value.c_str(), "2000");
    EXPECT_STREQ(record.TranslationDLL.value.c_str(), "t.dll");
    EXPECT_EQ(record.Description.isSet, 1u);
    EXPECT_STREQ(record.Description.value.c_str(), "");
    EXPECT_EQ(record.ReplicationSystem.isSet, 0u);
    EXPECT_EQ(record.ServerName.isSet, 0u);
}

}  // namespace
