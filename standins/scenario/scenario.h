// The administration stand-in's "server": a JSON scenario file named by the environment
// variable QM_SERVER_SCENARIO (a Windows path). Read at each call, written back after each
// change, under a mutex that every process of the session shares.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>

namespace scenario {

using Json = nlohmann::json;

// Holds the scenario lock for its lifetime and the file's content; save() writes it back.
class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    Json& data() { return data_; }
    void save();

private:
    void* lock_;
    void* file_;
    bool writable_ = false;
    std::wstring path_;
    Json data_;
};

// The status injected for an entry ("DBUStop") or an entry and a code ("DBUGetInfo:4117"),
// or -1 when none is. A list of statuses answers one call each, in turn (-1: the call runs),
// and is used up: each one taken is removed and the file saved.
int InjectedStatus(Session& session, const std::string& entry, int code = -1);

// Adds one to counters[name].
void Count(Json& data, const std::string& name);

// The server whose "names" hold this name (without regard to case), or nullptr.
Json* FindServer(Json& data, const std::string& name);

std::string Lower(std::string text);

}  // namespace scenario
