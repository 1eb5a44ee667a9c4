// One process of the shared-log concurrency test: opens the log, writes COUNT lines
// tagged with TAG, closes it. Exit code 0 when every call succeeded.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "log/shared_log.h"

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    std::string tag = argv[1];
    int count = std::atoi(argv[2]);
    std::wstring file(argv[3], argv[3] + std::string(argv[3]).size());
    SharedLog* log = nullptr;
    std::wstring component = L"CHILD" + std::wstring(tag.begin(), tag.end());
    if (OpenSharedLog(&log, nullptr, component.c_str(), file.c_str()) != 0) return 3;
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        std::string text = tag + " line " + std::to_string(i) + " " + std::string(static_cast<std::size_t>(i % 50), '.');
        if (WriteLogMessage(log, (i % 3 == 0) ? 1 : (i % 3 == 1) ? 2 : 4, text.c_str()) != 0) ++failures;
    }
    CloseSharedLog(&log);
    return failures == 0 ? 0 : 4;
}
