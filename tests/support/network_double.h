// The network provider router as a mapped network drive and a connection list make it
// answer, for the test process's path conversions: WNetGetUniversalNameA and
// WNetGetConnectionA (reached through the portability library's QSLibGetSymbol), the
// connection enumeration, Sleep and GetVersionExA, each replaced in the test program's
// imports while the double lives. Drive N: of the test prefix is a real network drive.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct NetworkScenario {
    char drive = 'N';
    std::string remoteName = "\\\\files\\vol1";  // what the drive is mapped to
    std::vector<std::pair<std::string, std::string>> connections;  // remote name, provider
    std::deque<DWORD> busyAnswers;     // answered before the name, one per call
    bool busyForever = false;
    bool entriesMissing = false;        // mpr.dll without the two name entries
    bool openFails = false;             // WNetOpenEnumA answers ERROR_NO_NETWORK
    DWORD afterFirstBatch = ERROR_NO_MORE_ITEMS;
    DWORD platformId = VER_PLATFORM_WIN32_NT;

    // What the product asked.
    std::vector<DWORD> nameSizes;       // the size each name call was given
    std::vector<DWORD> sleeps;
    int batches = 0;
    int closes = 0;
};

class NetworkDouble {
public:
    explicit NetworkDouble(NetworkScenario& scenario);
    ~NetworkDouble();
    bool installed() const;

private:
    std::vector<std::unique_ptr<class ImportHook>> hooks_;
};
