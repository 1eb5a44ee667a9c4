// The stand-in server's scenario file: written by a test, named by QM_SERVER_SCENARIO for
// the stand-ins of this process, and read back after the product has run.
#pragma once
#include <windows.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/file_text.h"

class ServerScenario {
public:
    explicit ServerScenario(const nlohmann::json& content) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"dsnset-scenario-" + std::to_wstring(GetCurrentProcessId()) + L".json";
        write(content);
        SetEnvironmentVariableW(L"QM_SERVER_SCENARIO", path_.c_str());
    }
    ~ServerScenario() {
        SetEnvironmentVariableW(L"QM_SERVER_SCENARIO", nullptr);
        DeleteFileW(path_.c_str());
    }
    void write(const nlohmann::json& content) { std::ofstream(path_.c_str(), std::ios::binary) << content.dump(2); }
    nlohmann::json read() const {  // an object, whatever the file holds
        const nlohmann::json data = nlohmann::json::parse(ReadWholeFile(path_), nullptr, false);
        return data.is_object() ? data : nlohmann::json::object();
    }
    int counter(const std::string& name) const {
        return read().value(nlohmann::json::json_pointer("/counters/" + name), 0);
    }

private:
    std::wstring path_;
};

// A server with three databases and one engine DSN, answering as type 1, major 9; reached as
// "dbhost" and "10.1.2.3" unless other names are given.
inline nlohmann::json DemoServer(const nlohmann::json& names = {"dbhost", "10.1.2.3"}) {
    return {{"names", names}, {"versions", {{"1", {{"major", 9}, {"platform", "WNT "}}}}},
            {"databases", {{{"name", "DEMODATA"}, {"bound", 0}, {"security", 0}, {"codePage", 1252},
                            {"dictionary", "\\\\dbhost\\data\\demodata"}, {"dataFiles", "\\\\dbhost\\data\\demodata"}},
                           {{"name", "TWENTYCHARACTERSNAME"}, {"dictionary", "C:\\t"}, {"dataFiles", "C:\\t;D:\\t"}},
                           {{"name", "DEFAULTDB"}, {"dictionary", "C:\\d"}, {"dataFiles", "C:\\d"}}}},
            {"engineDsns", {{{"name", "DEMO"}, {"description", "Demo data"}, {"database", "DEMODATA"},
                             {"openMode", "0"}, {"translation", 0}}}}};
}
