// One process of the shared-log concurrency test: opens the log, writes COUNT lines tagged
// TAG (levels 1, 2, 4 in turn), closes it. Exit code 0 when every call succeeded.
#include <cstdlib>
#include <string>

#include "log/shared_log.h"

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    const std::string tag = argv[1], file = argv[3];
    SharedLog* log = nullptr;
    if (OpenSharedLog(&log, nullptr, (L"CHILD" + std::wstring(tag.begin(), tag.end())).c_str(),
                      std::wstring(file.begin(), file.end()).c_str()) != 0) return 3;
    int failures = 0;
    const int levels[] = {1, 2, 4};
    for (int i = 0; i < std::atoi(argv[2]); ++i)
        failures += WriteLogMessage(log, levels[i % 3],
                                    (tag + " line " + std::to_string(i) + " " + std::string(i % 50, '.')).c_str()) != 0;
    CloseSharedLog(&log);
    return failures == 0 ? 0 : 4;
}
