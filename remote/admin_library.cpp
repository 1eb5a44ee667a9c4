#include "remote/admin_library.h"

#include "setup/install_lookup.h"

std::int32_t RemoteSession = kNoRemoteSession;

CallTableRow AdminCallTable[9] = {
    {L"DBUGetInfo", L"_DBUGetInfo@28", 0, nullptr},
    {L"DBUSetInfo", L"_DBUSetInfo@20", 1, nullptr},
    {L"DBUGetVersion", L"_DBUGetVersion@20", 2, nullptr},
    {L"DBUConnect", L"_DBUConnect@16", 3, nullptr},
    {L"DBUDisconnect", L"_DBUDisconnect@4", 4, nullptr},
    {L"DBUStart", L"_DBUStart@4", 5, nullptr},
    {L"DBUStop", L"_DBUStop@4", 6, nullptr},
    {L"QmListDSNs", L"_QmListDSNs@16", 7, nullptr},
    {L"", L"", 8, nullptr},
};

// Loader state: valid across ConfigDSN calls of the process; touched only under the
// ConfigDSN mutex.
std::uint16_t AdminLibraryLoaded = 0;
std::int32_t AdminLibraryUsers = 0;
QSHandle AdminLibraryHandle = reinterpret_cast<QSHandle>(-1);

namespace {

constexpr std::uint16_t kTerminatorIndex = 8;

enum AdminEntry { kGetInfo, kSetInfo, kGetVersion, kConnect, kDisconnect, kStart, kStop, kListDsns };

// Opens the library and resolves the table when it is not open; a failed open changes
// nothing, so the next wrapper call tries again.
void EnsureAdminLibrary() {
    if (AdminLibraryLoaded) return;
    QSHandle handle = nullptr;
    if (LoadRuntimeLibrary(L"w64rmadm.dll", &handle) != 0) return;
    AdminLibraryHandle = handle;
    AdminLibraryLoaded = 1;
    for (CallTableRow* row = AdminCallTable; row->index != kTerminatorIndex; ++row) {
        void* address = nullptr;
        row->address = QSLibGetSymbol(handle, row->name, &address) == 0 ? address : nullptr;
    }
    ++AdminLibraryUsers;
}

template <typename Function>
Function Entry(AdminEntry entry) {
    EnsureAdminLibrary();
    return reinterpret_cast<Function>(AdminCallTable[entry].address);
}

}  // namespace

std::int32_t LoadRuntimeLibrary(const wchar_t* fileName, QSHandle* handle) {
    bool bare = true;
    for (const wchar_t* p = fileName; p && *p; ++p)
        if (*p == L'\\' || *p == L'/') bare = false;
    if (bare && fileName) {
        wchar_t path[261] = {};
        std::uint64_t capacity = 261;
        if (FindInstalledLibrary(fileName, &capacity, path) == 0 && QSLibOpen(path, handle) == 0) return 0;
    }
    return QSLibOpen(fileName, handle);
}

std::uint16_t DBUGetInfo(std::int32_t session, std::uint16_t serverType, std::uint16_t infoCode,
                         std::uint32_t requestLength, void* request, std::uint32_t answerLength, void* answer) {
    auto f = Entry<std::uint16_t (*)(std::int32_t, std::uint16_t, std::uint16_t, std::uint32_t, void*, std::uint32_t,
                                     void*)>(kGetInfo);
    return f ? f(session, serverType, infoCode, requestLength, request, answerLength, answer) : kStatusEntryNotAvailable;
}

std::uint16_t DBUSetInfo(std::int32_t session, std::uint16_t serverType, std::uint16_t infoCode,
                         std::uint32_t recordLength, void* record) {
    auto f = Entry<std::uint16_t (*)(std::int32_t, std::uint16_t, std::uint16_t, std::uint32_t, void*)>(kSetInfo);
    return f ? f(session, serverType, infoCode, recordLength, record) : kStatusEntryNotAvailable;
}

std::uint16_t DBUGetVersion(std::int32_t session, std::uint16_t askAsType, std::uint16_t zero, std::uint32_t length,
                            void* versionRecord) {
    auto f = Entry<std::uint16_t (*)(std::int32_t, std::uint16_t, std::uint16_t, std::uint32_t, void*)>(kGetVersion);
    return f ? f(session, askAsType, zero, length, versionRecord) : kStatusEntryNotAvailable;
}

std::uint16_t DBUConnect(const char* server, const char* user, const char* password, std::int32_t* session) {
    auto f = Entry<std::uint16_t (*)(const char*, const char*, const char*, std::int32_t*)>(kConnect);
    return f ? f(server, user, password, session) : kStatusEntryNotAvailable;
}

std::uint16_t DBUDisconnect(std::int32_t* session) {
    auto f = Entry<std::uint16_t (*)(std::int32_t*)>(kDisconnect);
    return f ? f(session) : kStatusEntryNotAvailable;
}

std::uint16_t DBUStart(void* reserved) {
    auto f = Entry<std::uint16_t (*)(void*)>(kStart);
    return f ? f(reserved) : kStatusEntryNotAvailable;
}

std::uint16_t DBUStop(void* reserved) {
    auto f = Entry<std::uint16_t (*)(void*)>(kStop);
    std::uint16_t status = f ? f(reserved) : kStatusEntryNotAvailable;
    if (status == 0 && AdminLibraryUsers > 0) --AdminLibraryUsers;
    // The last user closes the library; a later call loads and resolves it afresh.
    if (AdminLibraryUsers == 0 && AdminLibraryLoaded == 1) {
        QSLibClose(AdminLibraryHandle);
        AdminLibraryHandle = reinterpret_cast<QSHandle>(-1);
        AdminLibraryLoaded = 0;
        for (CallTableRow* row = AdminCallTable; row->index != kTerminatorIndex; ++row) row->address = nullptr;
    }
    return status;
}

std::uint16_t QmListDSNs(std::int32_t session, std::uint32_t* length, char* buffer, std::uint8_t flag) {
    auto f = Entry<std::uint16_t (*)(std::int32_t, std::uint32_t*, char*, std::uint8_t)>(kListDsns);
    return f ? f(session, length, buffer, flag) : kStatusEntryNotAvailable;
}
