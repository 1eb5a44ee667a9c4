#include "tests/support/stress_workload.h"

#include <odbcinst.h>

#include <vector>

#include "tests/support/import_hook.h"
#include "tests/support/odbc_profile.h"

namespace {

OverlapProbe* Probe = nullptr;
void* RealAcquire = nullptr;

std::int32_t WaitForMutex(void* mutex) {
    InterlockedIncrement(&Probe->waiting);
    std::int32_t result = reinterpret_cast<std::int32_t (*)(void*)>(RealAcquire)(mutex);
    InterlockedDecrement(&Probe->waiting);
    return result;
}

HGLOBAL WINAPI EnterLibrary(HGLOBAL block) {
    LONG now = InterlockedIncrement(&Probe->inside);
    InterlockedIncrement(&Probe->entries);
    if (Probe->waiting > 0) InterlockedExchange(&Probe->contended, 1);
    for (LONG seen = Probe->maxInside; now > seen; seen = Probe->maxInside)
        InterlockedCompareExchange(&Probe->maxInside, now, seen);
    return GlobalLock(block);
}

HGLOBAL WINAPI LeaveLibrary(HGLOBAL block) {
    InterlockedDecrement(&Probe->inside);
    return GlobalFree(block);
}

using ConfigDsnFunction = BOOL(WINAPI*)(HWND, WORD, LPCSTR, LPCSTR);

enum Operation { kAdd, kConfigure, kRemove };

struct NameState {
    Operation last = kRemove;
    std::string description;
};

struct ThreadWork {
    ConfigDsnFunction configDsn;
    std::string prefix;
    int calls;
    std::vector<NameState> names = std::vector<NameState>(10);
    int failed = 0;
};

std::string List(const std::vector<std::string>& pairs) { return AttributeList(pairs); }

DWORD WINAPI Work(void* parameter) {
    auto* w = static_cast<ThreadWork*>(parameter);
    for (int i = 0; i < w->calls; ++i) {
        int k = i % 10;
        auto op = static_cast<Operation>((i / 10 + k) % 3);
        std::string dsn = w->prefix + "N" + std::to_string(k);
        std::string description = (op == kAdd ? "add " : "cfg ") + std::to_string(i);
        std::string list;
        WORD request = 0;
        switch (op) {
            case kAdd: request = 1; list = List({"DSN=" + dsn, "DBQ=DEMODATA", "Description=" + description}); break;
            case kConfigure: request = 2; list = List({"DSN=" + dsn, "Description=" + description}); break;
            case kRemove: request = 3; list = List({"DSN=" + dsn}); break;
        }
        if (!w->configDsn(nullptr, request, kClientDriverName, list.c_str())) ++w->failed;
        w->names[k].last = op;
        if (op != kRemove) w->names[k].description = description;
    }
    return 0;
}

}  // namespace

OverlapProbe* OpenOverlapProbe() {
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(OverlapProbe),
                                        "DsnsetOverlapProbe");
    if (mapping == nullptr) return nullptr;
    return static_cast<OverlapProbe*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(OverlapProbe)));
}

bool WatchLibrary(HMODULE library) {
    Probe = OpenOverlapProbe();
    if (Probe == nullptr) return false;
    static ImportHook enter(library, "kernel32.dll", "GlobalLock", reinterpret_cast<void*>(&EnterLibrary));
    static ImportHook leave(library, "kernel32.dll", "GlobalFree", reinterpret_cast<void*>(&LeaveLibrary));
    static ImportHook acquire(library, "w64qscore3.dll", "QSMutexAcquire", reinterpret_cast<void*>(&WaitForMutex));
    RealAcquire = acquire.original();
    return enter.installed() && leave.installed() && acquire.installed();
}

WorkloadResult RunWorkload(HMODULE library, const std::string& prefix, int threads, int callsPerThread) {
    auto configDsn = reinterpret_cast<ConfigDsnFunction>(reinterpret_cast<void*>(GetProcAddress(library, "ConfigDSN")));
    std::vector<ThreadWork> work(static_cast<std::size_t>(threads));
    std::vector<HANDLE> handles;
    for (int t = 0; t < threads; ++t) {
        work[t].configDsn = configDsn;
        work[t].prefix = prefix + "T" + std::to_string(t);
        work[t].calls = callsPerThread;
        handles.push_back(CreateThread(nullptr, 0, Work, &work[t], 0, nullptr));
    }
    WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE, INFINITE);
    for (HANDLE h : handles) CloseHandle(h);

    WorkloadResult result;
    for (ThreadWork& w : work) {
        result.calls += w.calls;
        result.failedCalls += w.failed;
        for (int k = 0; k < 10 && k < w.calls; ++k) {
            std::string dsn = w.prefix + "N" + std::to_string(k);
            const NameState& state = w.names[k];
            std::string problem;
            if (DsnListed(dsn) != (state.last != kRemove)) problem = dsn + ": listed wrongly";
            else if (state.last != kRemove && ReadDsnKey(dsn, "Description") != state.description)
                problem = dsn + ": Description " + ReadDsnKey(dsn, "Description") + ", expected " + state.description;
            else if (state.last == kAdd && (ReadDsnKey(dsn, "DBQ") != "DEMODATA" || ReadDsnKey(dsn, "TCPPort") != "1583"))
                problem = dsn + ": keys of the add missing";
            if (!problem.empty()) {
                if (result.firstProblem.empty()) result.firstProblem = problem;
                ++result.wrongDsns;
            }
            ForgetDsn(dsn);
        }
    }
    return result;
}
