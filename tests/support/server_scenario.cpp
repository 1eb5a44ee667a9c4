#include "tests/support/server_scenario.h"

#include <windows.h>

#include <cstdio>

ServerScenario::ServerScenario(const nlohmann::json& content) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + L"dsnset-scenario-" + std::to_wstring(GetCurrentProcessId()) + L".json";
    write(content);
    SetEnvironmentVariableW(L"QM_SERVER_SCENARIO", path_.c_str());
}

ServerScenario::~ServerScenario() {
    SetEnvironmentVariableW(L"QM_SERVER_SCENARIO", nullptr);
    DeleteFileW(path_.c_str());
}

void ServerScenario::write(const nlohmann::json& content) {
    const std::string text = content.dump(2);
    FILE* f = _wfopen(path_.c_str(), L"wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

nlohmann::json ServerScenario::read() const {
    std::string text;
    if (FILE* f = _wfopen(path_.c_str(), L"rb")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
        std::fclose(f);
    }
    const nlohmann::json data = nlohmann::json::parse(text, nullptr, false);
    return data.is_object() ? data : nlohmann::json::object();
}

int ServerScenario::counter(const std::string& name) const {
    return read().value(nlohmann::json::json_pointer("/counters/" + name), 0);
}

nlohmann::json DemoServer() {
    return {{"names", {"dbhost", "10.1.2.3"}}, {"versions", {{"1", {{"major", 9}, {"platform", "WNT "}}}}},
            {"databases", {{{"name", "DEMODATA"}, {"bound", 0}, {"security", 0}, {"codePage", 1252},
                            {"dictionary", "\\\\dbhost\\data\\demodata"}, {"dataFiles", "\\\\dbhost\\data\\demodata"}},
                           {{"name", "TWENTYCHARACTERSNAME"}, {"dictionary", "C:\\t"}, {"dataFiles", "C:\\t;D:\\t"}},
                           {{"name", "DEFAULTDB"}, {"dictionary", "C:\\d"}, {"dataFiles", "C:\\d"}}}},
            {"engineDsns", {{{"name", "DEMO"}, {"description", "Demo data"}, {"database", "DEMODATA"},
                             {"openMode", "0"}, {"translation", 0}}}}};
}
