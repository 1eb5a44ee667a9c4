#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "setup/dsn_name_rule.h"

namespace {

const wchar_t kForbidden[] = L"[]{}()?*=!@,;";

// Letters as a Western European locale classifies them.
bool IsLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'\u00C4' || c == L'\u00E9'; }

int Check(const wchar_t* name) {
    return CheckDsnNameCharacters(name, std::wcslen(name), kForbidden, std::wcslen(kForbidden), IsLetter);
}

TEST(DsnNameRuleTest, AcceptsAndRejectsByCharacter) {
    struct Case { const wchar_t* name; int expected; };
    const Case cases[] = {
        {L"Sales", 0}, {L"Sales 2024 East", 0}, {L"S", 0}, {L"\u00C4rger", 0}, {L"caf\u00E9", 0},
        {L"2Sales", 1}, {L" Sales", 1}, {L"", 1}, {L"_x", 1}, {L"\u00DFx", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        EXPECT_EQ(Check(c.name), c.expected);
    }
}

TEST(DsnNameRuleTest, EachForbiddenCharacterAnywhereRejects) {
    for (const wchar_t* f = kForbidden; *f; ++f) {
        for (std::wstring name : {std::wstring(L"A") + *f + L"bc", std::wstring(L"Abc") + *f}) {
            SCOPED_TRACE(testing::Message() << "character " << static_cast<int>(*f));
            EXPECT_EQ(Check(name.c_str()), 1);
        }
    }
}

TEST(DsnNameRuleTest, ExaminesOnlyTheGivenLength) {
    // A name longer than the caller's buffer is checked up to the length given, never past it.
    const wchar_t name[] = {L'A', L'b', L'c', L'['};
    EXPECT_EQ(CheckDsnNameCharacters(name, 3, kForbidden, 13, IsLetter), 0);
    EXPECT_EQ(CheckDsnNameCharacters(name, 4, kForbidden, 13, IsLetter), 1);
    // An empty forbidden set leaves only the first-letter rule.
    EXPECT_EQ(CheckDsnNameCharacters(L"A[", 2, L"", 0, IsLetter), 0);
}

}  // namespace
