#include "standins/scenario/scenario.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace scenario {

namespace {

std::wstring ScenarioPath() {
    wchar_t path[1024];
    DWORD n = GetEnvironmentVariableW(L"QM_SERVER_SCENARIO", path, 1024);
    return (n == 0 || n >= 1024) ? std::wstring() : std::wstring(path, n);
}

}  // namespace

Session::Session() : lock_(CreateMutexW(nullptr, FALSE, L"QmServerScenarioLock")), data_(Json::object()) {
    if (lock_) WaitForSingleObject(lock_, INFINITE);
    std::wstring path = ScenarioPath();
    if (path.empty()) return;
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (f == nullptr) return;
    std::string text;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
    std::fclose(f);
    Json parsed = Json::parse(text, nullptr, false);  // a broken file reads as an empty scenario
    if (parsed.is_object()) data_ = std::move(parsed);
}

Session::~Session() {
    if (lock_) {
        ReleaseMutex(lock_);
        CloseHandle(lock_);
    }
}

void Session::save() {
    std::wstring path = ScenarioPath();
    if (path.empty()) return;
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (f == nullptr) return;
    std::string text = data_.dump(2);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

int InjectedStatus(const Json& data, const std::string& entry, int code) {
    auto inject = data.find("inject");
    if (inject == data.end() || !inject->is_object()) return -1;
    if (code >= 0) {
        auto specific = inject->find(entry + ":" + std::to_string(code));
        if (specific != inject->end() && specific->is_number_integer()) return specific->get<int>();
    }
    auto general = inject->find(entry);
    if (general != inject->end() && general->is_number_integer()) return general->get<int>();
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
