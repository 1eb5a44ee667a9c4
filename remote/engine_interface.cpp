#include "remote/engine_interface.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "log/shared_log.h"

CallTableRow EngineCallTable[3] = {
    {L"vdexID", L"_vdexID@40", 0, nullptr},
    {L"VdexidAdmin", L"_VdexidAdmin@20", 1, nullptr},
    {L"", L"", 2, nullptr},
};

// Engine interface state: guarded by EngineInterfaceLock, not by the ConfigDSN mutex.
std::uint16_t EngineInterfaceLoaded = 0;
std::int32_t EngineInterfaceUsers = 0;
volatile LONG EngineInterfaceLock = 0;
QSHandle EngineInterfaceHandle = nullptr;
std::uint8_t ClientIdentity[kClientIdentitySize] = {};

namespace {

constexpr std::uint16_t kEngineTerminator = 2;
using VdexId = std::uint16_t (*)(std::int32_t, void*, void*, std::int32_t*, std::int32_t, void*, void*, std::int32_t,
                                 std::int32_t, void*);
using VdexidAdminFunction = std::uint16_t (*)(std::int32_t, std::int32_t, std::int32_t, std::int32_t*, std::int32_t*);

// Holds EngineInterfaceLock for a scope, so that no way out of it, an exception included,
// leaves the lock taken for ever.
class EngineLock {
public:
    EngineLock() {
        while (InterlockedExchange(&EngineInterfaceLock, -1) == -1) Sleep(0);
    }
    ~EngineLock() { InterlockedExchange(&EngineInterfaceLock, 0); }
    EngineLock(const EngineLock&) = delete;
    EngineLock& operator=(const EngineLock&) = delete;
};

void LowerUsers() {
    if (EngineInterfaceUsers > 0) --EngineInterfaceUsers;
}

// The load failure goes to the shared log, and to the user only when asked for.
void ReportLoadFailure() {
    char text[128];
    std::snprintf(text, sizeof text, "%s: Returning Status: %ld", "VDEXIfc", static_cast<long>(kStatusEngineNotLoaded));
    SharedLog* log = nullptr;
    if (OpenSharedLog(&log, nullptr, L"KFIF", nullptr) == 0) {
        WriteLogMessage(log, 1, text);
        CloseSharedLog(&log);
    }
    SetLastError(0);
    char value[2];
    bool shown = GetEnvironmentVariableA("QMSW_DISP_LOAD_ERRS", value, sizeof value) > 0 ||
                 GetLastError() != ERROR_ENVVAR_NOT_FOUND;  // set, even to an empty value
    if (shown)
        MessageBoxA(nullptr, text, "KFIF", MB_OK | MB_TASKMODAL);
}

}  // namespace

std::int32_t LoadEngineInterface() {
    EngineLock lock;
    if (EngineInterfaceLoaded == 0) {
        QSHandle handle = nullptr;
        if (LoadRuntimeLibrary(L"w64kfif.dll", &handle) != 0) {
            ReportLoadFailure();
            return kStatusEngineNotLoaded;
        }
        EngineInterfaceHandle = handle;
        for (CallTableRow* row = EngineCallTable; row->index != kEngineTerminator; ++row) {
            void* address = nullptr;
            row->address = QSLibGetSymbol(handle, row->name, &address) == 0 ? address : nullptr;
        }
        EngineInterfaceLoaded = 1;
    }
    ++EngineInterfaceUsers;
    return 0;
}

std::int32_t UnloadEngineInterface() {
    if (EngineInterfaceLoaded == 1) {
        QSLibClose(EngineInterfaceHandle);
        EngineInterfaceHandle = nullptr;
        for (CallTableRow* row = EngineCallTable; row->index != kEngineTerminator; ++row) row->address = nullptr;
        EngineInterfaceLoaded = 0;
    }
    return 0;
}

std::int32_t CallEngine(std::int32_t operation, void* position, void* data, std::int32_t* dataLength,
                        std::int32_t value, void* pointer1, void* pointer2, std::int32_t value1, std::int32_t value2,
                        void* identity) {
    std::int32_t loaded = LoadEngineInterface();
    if (loaded != 0) return loaded;
    auto vdexId = reinterpret_cast<VdexId>(EngineCallTable[0].address);
    if (vdexId == nullptr) {
        EngineLock lock;
        LowerUsers();
        return kStatusEntryNotAvailable;
    }
    // The lock is never held across the engine call.
    std::int32_t status = vdexId(operation, position, data, dataLength, value, pointer1, pointer2, value1, value2, identity);
    EngineLock lock;
    if (status != 0 || operation != 25) {
        LowerUsers();
    } else if (auto admin = reinterpret_cast<VdexidAdminFunction>(EngineCallTable[1].address)) {
        // After a successful operation 25 the library may go, when no client of it is left.
        std::int32_t answer = 0, answerLength = 8;
        if (admin(2, 0, 0, &answer, &answerLength) == 0) {
            LowerUsers();
            if (answer == 0 && EngineInterfaceUsers == 0) status = UnloadEngineInterface();
        }
    }
    return status;
}
