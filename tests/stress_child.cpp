// One process of the multi-process concurrency test: loads DSNSET64.dll, watches it with the
// shared probe, runs the workload on its own names. Exit code 0 when every call and every
// final DSN was right.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/odbc_profile.h"
#include "tests/support/stress_workload.h"

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    HMODULE library = LoadLibraryA((ExecutableFolder() + "\\DSNSET64.dll").c_str());
    if (library == nullptr || !WatchLibrary(library)) return 3;
    WorkloadResult r = RunWorkload(library, argv[1], std::atoi(argv[2]), std::atoi(argv[3]));
    if (r.failedCalls || r.wrongDsns) {
        std::fprintf(stderr, "%s: %d failed calls, %d wrong DSNs (%s)\n", argv[1], r.failedCalls, r.wrongDsns,
                     r.firstProblem.c_str());
        return 4;
    }
    return 0;
}
