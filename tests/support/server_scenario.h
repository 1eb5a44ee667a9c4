// The stand-in server's scenario file: written by a test, named by QM_SERVER_SCENARIO for
// the stand-ins of this process, and read back after the product has run.
#pragma once
#include <nlohmann/json.hpp>
#include <string>

class ServerScenario {
public:
    explicit ServerScenario(const nlohmann::json& content);
    ~ServerScenario();
    void write(const nlohmann::json& content);
    nlohmann::json read() const;  // an object, whatever the file holds
    int counter(const std::string& name) const;
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

// A server "dbhost" with three databases and one engine DSN, answering as type 1, major 9.
nlohmann::json DemoServer();
