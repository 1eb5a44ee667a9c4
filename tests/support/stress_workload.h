// The concurrency workload: threads calling ConfigDSN of the loaded DSNSET64.dll on names of
// their own (add, configure, remove in turn), and a probe in shared memory that sees every
// call enter and leave the library, across threads and processes.
#pragma once

#include <windows.h>

#include <string>

struct OverlapProbe {
    volatile LONG inside;     // calls inside the library now, in every process
    volatile LONG maxInside;  // the most ever seen at once
    volatile LONG entries;    // calls that entered
    volatile LONG waiting;    // calls waiting for the library's mutex now
    volatile LONG contended;  // 1 once a call entered while another waited: the calls did meet
};

// The probe shared by every process of the test (created zeroed by the first).
OverlapProbe* OpenOverlapProbe();

// Hooks DSNSET64.dll's settings-record calls to report to the probe; stays for the process.
bool WatchLibrary(HMODULE library);

struct WorkloadResult {
    int calls = 0;
    int failedCalls = 0;  // calls that did not return TRUE
    int wrongDsns = 0;    // DSNs whose final state is not what their last call wrote
    std::string firstProblem;
};

// threads x calls ConfigDSN calls on names "<prefix>T<thread>N<0..9>", then checks each DSN.
WorkloadResult RunWorkload(HMODULE library, const std::string& prefix, int threads, int callsPerThread);
