#include "standins/scenario/scenario.h"

#include <windows.h>

namespace scenario {

namespace {

std::wstring ScenarioPath() {
    wchar_t path[1024];
    DWORD n = GetEnvironmentVariableW(L"QM_SERVER_SCENARIO", path, 1024);
    return (n == 0 || n >= 1024) ? std::wstring() : std::wstring(path, n);
}

// The session lock is opened once per load of the library, not once per call: under Wine
// every open and close of a named object is a round trip to the server process.
struct SharedLock {
    HANDLE volatile handle = nullptr;
    ~SharedLock() {
        if (handle) CloseHandle(handle);
    }
    HANDLE get() {
        if (handle != nullptr) return handle;
        HANDLE made = CreateMutexW(nullptr, FALSE, L"QmServerScenarioLock");
        // Two threads may race to open it; the loser closes its own handle.
        if (made && InterlockedCompareExchangePointer(&handle, made, nullptr) != nullptr) CloseHandle(made);
        return handle;
    }
};
SharedLock Lock;

bool WriteAll(HANDLE file, const std::string& text) {
    DWORD written = 0;
    return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
}

}  // namespace

// One handle serves the read and the write-back; without a scenario there is no file to
// guard, so no lock is taken.
Session::Session() : lock_(nullptr), file_(INVALID_HANDLE_VALUE), data_(Json::object()) {
    path_ = ScenarioPath();
    if (path_.empty()) return;
    lock_ = Lock.get();
    if (lock_) WaitForSingleObject(lock_, INFINITE);
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    file_ = CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    writable_ = file_ != INVALID_HANDLE_VALUE;
    if (!writable_)
        file_ = CreateFileW(path_.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) return;
    std::string text;
    char buffer[4096];
    for (DWORD n = 0; ReadFile(file_, buffer, sizeof buffer, &n, nullptr) && n > 0;) text.append(buffer, n);
    Json parsed = Json::parse(text, nullptr, false);  // a broken file reads as an empty scenario
    if (parsed.is_object()) data_ = std::move(parsed);
}

Session::~Session() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    if (lock_) ReleaseMutex(lock_);
}

void Session::save() {
    if (path_.empty()) return;
    std::string text = data_.dump(2);
    if (writable_) {
        SetFilePointer(file_, 0, nullptr, FILE_BEGIN);
        if (WriteAll(file_, text)) SetEndOfFile(file_);
        return;
    }
    HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    WriteAll(file, text);
    CloseHandle(file);
}

int InjectedStatus(Session& session, const std::string& entry, int code) {
    auto inject = session.data().find("inject");
    if (inject == session.data().end() || !inject->is_object()) return -1;
    for (const std::string& key : {code >= 0 ? entry + ":" + std::to_string(code) : entry, entry}) {
        auto found = inject->find(key);
        if (found == inject->end()) continue;
        if (found->is_number_integer()) return found->get<int>();
        if (!found->is_array() || found->empty()) continue;
        const int status = found->front().is_number_integer() ? found->front().get<int>() : -1;
        found->erase(found->begin());
        session.save();
        return status;
    }
    return -1;
}

void Count(Json& data, const std::string& name) {
    Json& counters = data["counters"];
    if (!counters.is_object()) counters = Json::object();
    counters[name] = counters.value(name, 0) + 1;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

Json* FindServer(Json& data, const std::string& name) {
    auto servers = data.find("servers");
    if (servers == data.end() || !servers->is_array()) return nullptr;
    for (Json& server : *servers) {
        auto names = server.find("names");
        if (names == server.end() || !names->is_array()) continue;
        for (const Json& n : *names)
            if (n.is_string() && Lower(n.get<std::string>()) == Lower(name)) return &server;
    }
    return nullptr;
}

}  // namespace scenario
