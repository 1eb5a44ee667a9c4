// The portability stand-in: the results the product relies on, through its real exports.
#include <gtest/gtest.h>
#include <windows.h>

#include <cwchar>
#include <string>

#include "platform/qscore.h"

namespace {

const wchar_t kKey[] = L"Software\\Quillmere\\StandinTest";

TEST(PortabilityRegistryTest, RootsOneAndFourAreMachineAndUser) {
    struct Case { std::int32_t root; HKEY hive; };
    for (Case c : {Case{QS_ROOT_LOCAL_MACHINE, HKEY_LOCAL_MACHINE}, Case{QS_ROOT_CURRENT_USER, HKEY_CURRENT_USER}}) {
        SCOPED_TRACE(c.root);
        const wchar_t text[] = L"C:\\Quillmere\\";
        ASSERT_EQ(QSRegistrySetValue(c.root, kKey, L"InstallDir", QS_REG_TEXT, text, sizeof text), 0);
        wchar_t direct[64] = {};
        DWORD size = sizeof direct;
        ASSERT_EQ(RegGetValueW(c.hive, kKey, L"InstallDir", RRF_RT_REG_SZ, nullptr, direct, &size), ERROR_SUCCESS);
        EXPECT_STREQ(direct, text);

        wchar_t buffer[64];
        std::uint32_t type = 99, byteSize = sizeof buffer;
        ASSERT_EQ(QSRegistryGetValue(c.root, kKey, L"InstallDir", &type, buffer, &byteSize), 0);
        EXPECT_STREQ(buffer, text);
        EXPECT_EQ(type, QS_REG_TEXT);
        EXPECT_EQ(byteSize, sizeof text);  // with the terminator

        byteSize = 4;  // too small: a failure and the size needed
        EXPECT_NE(QSRegistryGetValue(c.root, kKey, L"InstallDir", &type, buffer, &byteSize), 0);
        EXPECT_EQ(byteSize, sizeof text);
        byteSize = sizeof buffer;
        EXPECT_NE(QSRegistryGetValue(c.root, kKey, L"Missing", &type, buffer, &byteSize), 0);
        RegDeleteTreeW(c.hive, kKey);
    }
    std::uint32_t size = 8;
    wchar_t buffer[4];
    EXPECT_NE(QSRegistryGetValue(2, kKey, L"InstallDir", nullptr, buffer, &size), 0);  // no such root
}

TEST(PortabilityRegistryTest, UnterminatedTextComesBackTerminated) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr), 0);
    const wchar_t raw[] = {L'a', L'b', L'c'};
    RegSetValueExW(key, L"Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>(raw), sizeof raw);
    RegCloseKey(key);
    wchar_t buffer[8];
    std::wmemset(buffer, L'#', 8);
    std::uint32_t size = sizeof buffer;
    ASSERT_EQ(QSRegistryGetValue(QS_ROOT_CURRENT_USER, kKey, L"Raw", nullptr, buffer, &size), 0);
    EXPECT_STREQ(buffer, L"abc");
    EXPECT_EQ(size, 8u);
    size = sizeof raw;  // room for the text but not its terminator
    EXPECT_NE(QSRegistryGetValue(QS_ROOT_CURRENT_USER, kKey, L"Raw", nullptr, buffer, &size), 0);
    RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
}

// Files, directories and libraries are exercised through the installation lookup and the
// run-time loaders (install_lookup_tests, remote_tests).

TEST(PortabilityNamesTest, ThisComputer) {
    char host[1026] = {};
    ASSERT_EQ(QSGetHostNameA(host, sizeof host), 0);
    ASSERT_NE(host[0], 0);
    wchar_t wideHost[40] = {};
    ASSERT_EQ(QSGetHostName(wideHost, 40), 0);
    char netbios[64];
    DWORD size = sizeof netbios;
    GetComputerNameA(netbios, &size);

    struct Case { std::string name; bool mine; };
    const Case cases[] = {
        {"localhost", true}, {"LOCALHOST", true}, {"127.0.0.1", true}, {"127.1.2.3", true}, {"::1", true},
        {".", true}, {host, true}, {netbios, true}, {"dbhost", false}, {"10.0.0.1", false}, {"127.0.0.1x", false},
        {"", false}, {"127.0.0.256", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(QSIsThisMyComputerA(c.name.c_str()) != 0, c.mine);
    }
}

TEST(PortabilityTextTest, ConversionsStopAtCapacity) {
    wchar_t wide[6];
    EXPECT_EQ(QSAnsiToUnicode(wide, "abc", 6), 0);
    EXPECT_STREQ(wide, L"abc");
    EXPECT_NE(QSAnsiToUnicode(wide, "abcdefgh", 6), 0);
    EXPECT_STREQ(wide, L"abcde");
    char narrow[4];
    EXPECT_EQ(QSUnicodeToAnsi(narrow, L"xyz", 4), 0);
    EXPECT_STREQ(narrow, "xyz");
    EXPECT_NE(QSUnicodeToAnsi(narrow, L"wxyz", 4), 0);
    EXPECT_STREQ(narrow, "wxy");

    wchar_t encoding[40];
    ASSERT_EQ(QSGetDefaultCharEncoding(encoding), 0);
    EXPECT_EQ(std::wstring(encoding), L"windows-" + std::to_wstring(GetACP()));
}

// The string functions are one-line wrappers of the standard ones, and the named mutex's
// serialisation is proven across threads and processes by the concurrency suite.

}  // namespace
