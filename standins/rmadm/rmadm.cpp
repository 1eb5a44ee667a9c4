// Stand-in of the remote administration library w64rmadm.dll, serving the server scenario.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "standins/rmadm/server_records.h"
#include "standins/scenario/scenario.h"
#include "standins/scenario/statuses.h"

using scenario::Json;

#define ADMIN_API extern "C" __declspec(dllexport)

namespace {

std::map<std::int32_t, std::string> Sessions;  // open session -> the name it was opened with
std::int32_t NextSession = 1;

std::string Text(const Json& object, const char* key) {
    auto it = object.find(key);
    return (it != object.end() && it->is_string()) ? it->get<std::string>() : std::string();
}
int Number(const Json& object, const char* key, int fallback = 0) {
    auto it = object.find(key);
    return (it != object.end() && it->is_number_integer()) ? it->get<int>() : fallback;
}
int Knob(const Json& data, const char* name) {
    auto answers = data.find("answers");
    return (answers != data.end() && answers->is_object()) ? Number(*answers, name, -1) : -1;
}

Json* SessionServer(Json& data, std::int32_t session) {
    auto it = Sessions.find(session);
    return it == Sessions.end() ? nullptr : scenario::FindServer(data, it->second);
}

Json& List(Json& server, const char* name) {
    Json& list = server[name];
    if (!list.is_array()) list = Json::array();
    return list;
}

Json* FindByName(Json& list, const std::string& name) {
    for (Json& item : list)
        if (scenario::Lower(Text(item, "name")) == scenario::Lower(name)) return &item;
    return nullptr;
}

// The names the server holds, in the order it sends them: its listed databases, then
// "generatedDatabases": {"count": N, "seed": S} more named GEN00001 and on, shuffled by the
// seed as a large server's catalogue would come. The count travels in 16 bits.
std::vector<std::string> DatabaseNamesOf(Json& server) {
    std::vector<std::string> names;
    for (const Json& db : List(server, "databases")) names.push_back(Text(db, "name"));
    auto generated = server.find("generatedDatabases");
    if (generated != server.end() && generated->is_object()) {
        const int count = Number(*generated, "count");
        std::vector<std::string> extra;
        for (int i = 1; i <= count; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "GEN%05d", i);
            extra.push_back(name);
        }
        std::mt19937 shuffle(static_cast<std::mt19937::result_type>(Number(*generated, "seed", 7)));
        std::shuffle(extra.begin(), extra.end(), shuffle);
        names.insert(names.end(), extra.begin(), extra.end());
    }
    if (names.size() > 0xFFFF) names.resize(0xFFFF);
    return names;
}

std::uint16_t DatabaseCount(Json& server, std::uint8_t* answer, std::uint32_t size) {
    Outgoing w(answer, size);
    w.u16(static_cast<unsigned>(DatabaseNamesOf(server).size()));
    return w.ok() ? 0 : kMalformedRecord;
}

std::uint16_t DatabaseNames(const Json& data, Json& server, const std::uint8_t* request, std::uint32_t requestSize,
                            std::uint8_t* answer, std::uint32_t size) {
    const unsigned asked = Incoming(request, requestSize).u16(0);
    std::string names;
    for (const std::string& full : DatabaseNamesOf(server)) {
        std::string name = full.substr(0, 20);
        names += name + std::string(20 - name.size(), '\0');
    }
    std::size_t claimed = names.size() < asked ? names.size() : asked;
    int claim = Knob(data, "4117.claimBytes");  // a server that claims more than it was asked for
    if (claim >= 0) {
        claimed = static_cast<std::size_t>(claim);
        names.resize(claimed > names.size() ? claimed : names.size(), 'Z');
    }
    std::memset(answer, 0, size);
    Outgoing w(answer, size);
    w.u16(static_cast<unsigned>(claimed));
    std::size_t room = size > 2 ? size - 2 : 0;
    w.bytes(names.data(), claimed < room ? claimed : room);
    return 0;
}

std::uint16_t DatabaseDetails(const Json& data, Json& server, std::uint8_t* buffer, std::uint32_t size) {
    Incoming r(buffer, size);
    std::string name;
    if (!r.item(14, name)) return kMalformedRecord;
    Json* db = FindByName(List(server, "databases"), name);
    if (db == nullptr) return kDatabaseNotFound;
    std::string dataFiles = Text(*db, "dataFiles"), dictionary = Text(*db, "dictionary");
    const unsigned capacityD = r.u16(0), capacityK = r.u16(2);
    std::uint16_t d = static_cast<std::uint16_t>(dataFiles.size() < capacityD ? dataFiles.size() : capacityD);
    std::uint16_t k = static_cast<std::uint16_t>(dictionary.size() < capacityK ? dictionary.size() : capacityK);
    if (Knob(data, "4116.answerD") >= 0) d = static_cast<std::uint16_t>(Knob(data, "4116.answerD"));
    if (Knob(data, "4116.answerK") >= 0) k = static_cast<std::uint16_t>(Knob(data, "4116.answerK"));

    std::memset(buffer, 0, size);
    Outgoing w(buffer, size);
    w.u16(d);
    w.u16(k);
    const std::uint8_t attributes[10] = {
        std::uint8_t(Number(*db, "bound")), std::uint8_t(Number(*db, "integrity")),
        std::uint8_t(Number(*db, "createDictionary")), std::uint8_t(Number(*db, "security")),
        std::uint8_t(Number(*db, "longMetadata")), std::uint8_t(Number(*db, "codePage")),
        std::uint8_t(Number(*db, "codePage") >> 8), 0, 0, 0};
    w.bytes(attributes, sizeof attributes);
    w.item(name);
    std::size_t dataSlot = w.position();
    w.u16(d + 3u);
    w.bytes(dataFiles.c_str(), dataFiles.size() < d ? dataFiles.size() : d);
    w.moveTo(dataSlot + 2 + d + 1);
    w.u16(k + 3u);
    w.bytes(dictionary.c_str(), dictionary.size() < k ? dictionary.size() : k);
    return 0;  // a knob that points past the buffer leaves the rest unwritten, as a broken server would
}

std::uint16_t ReadEngineDsn(const Json& data, Json& server, const std::uint8_t* request, std::uint32_t requestSize,
                            std::uint8_t* answer, std::uint32_t size) {
    std::string name;
    if (!Incoming(request, requestSize).item(4, name)) return kMalformedRecord;
    Json* dsn = FindByName(List(server, "engineDsns"), name);
    if (dsn == nullptr) return kEngineDsnNotFound;
    std::memset(answer, 0, size);
    Outgoing w(answer, size);
    w.moveTo(2);
    w.u16(static_cast<unsigned>(Number(*dsn, "translation")));
    w.item(name);
    for (const char* key : {"description", "database", "openMode"}) {
        std::string text = Text(*dsn, key);
        std::size_t itemStart = w.position();
        w.item(text);
        if (!w.ok()) break;
        int lie = Knob(data, "5207.itemLength");  // a length field that points past the answer
        if (lie >= 0 && std::string(key) == "database") {
            answer[itemStart] = std::uint8_t(lie);
            answer[itemStart + 1] = std::uint8_t(lie >> 8);
        }
    }
    return 0;
}

std::uint16_t CreateDatabase(Json& server, const std::uint8_t* record, std::uint32_t size) {
    Incoming r(record, size);
    std::string name;
    std::size_t dataSlot = 0;
    if (!r.item(14, name, &dataSlot)) return kMalformedRecord;
    Json& databases = List(server, "databases");
    if (FindByName(databases, name)) return kDatabaseExists;
    const unsigned d = r.u16(0), k = r.u16(2);
    const std::string dataFiles = r.text(dataSlot + 2, d + 1u);
    const std::string dictionary = r.text(dataSlot + 2 + d + 1 + 2, k + 1u);
    const std::uint8_t* a = record + 4;
    if (!r.holds(4, 10)) return kMalformedRecord;
    databases.push_back({{"name", name}, {"bound", a[0]}, {"integrity", a[1]}, {"createDictionary", a[2]},
                         {"security", a[3]}, {"longMetadata", a[4]}, {"codePage", a[5] | a[6] << 8},
                         {"dataFiles", dataFiles}, {"dictionary", dictionary}});
    return 0;
}

std::uint16_t WriteEngineDsn(Json& server, std::uint16_t code, const std::uint8_t* record, std::uint32_t size) {
    Incoming r(record, size);
    std::string name, description, database, openMode;
    std::size_t pos = 4;
    if (!r.item(pos, name, &pos) || !r.item(pos, description, &pos) || !r.item(pos, database, &pos) ||
        !r.item(pos, openMode, &pos))
        return kMalformedRecord;
    Json entry = {{"name", name}, {"description", description}, {"database", database}, {"openMode", openMode},
                  {"translation", r.u16(2)}};
    // An engine DSN opens a named database of this server.
    if (!FindByName(List(server, "databases"), database)) return kDatabaseNotFound;
    Json& dsns = List(server, "engineDsns");
    Json* existing = FindByName(dsns, name);
    if (code == 5205) {
        if (existing) return kEngineDsnExists;
        dsns.push_back(entry);
    } else {
        if (!existing) return kEngineDsnNotFound;
        *existing = entry;
    }
    return 0;
}

std::uint16_t DeleteEngineDsn(Json& server, const std::uint8_t* record, std::uint32_t size) {
    std::string name;
    if (!Incoming(record, size).item(2, name)) return kMalformedRecord;
    Json& dsns = List(server, "engineDsns");
    for (auto it = dsns.begin(); it != dsns.end(); ++it) {
        if (scenario::Lower(Text(*it, "name")) == scenario::Lower(name)) {
            dsns.erase(it);
            return 0;
        }
    }
    return kEngineDsnNotFound;
}

}  // namespace

ADMIN_API std::uint16_t DBUStart(void*) {
    scenario::Session s;
    scenario::Count(s.data(), "DBUStart");
    s.save();
    int injected = scenario::InjectedStatus(s, "DBUStart");
    return injected >= 0 ? static_cast<std::uint16_t>(injected) : 0;
}

ADMIN_API std::uint16_t DBUStop(void*) {
    scenario::Session s;
    scenario::Count(s.data(), "DBUStop");
    s.save();
    int injected = scenario::InjectedStatus(s, "DBUStop");
    return injected >= 0 ? static_cast<std::uint16_t>(injected) : 0;
}

ADMIN_API std::uint16_t DBUConnect(const char* server, const char* user, const char* password, std::int32_t* session) {
    if (session == nullptr) return kMalformedRecord;
    scenario::Session s;
    scenario::Count(s.data(), "DBUConnect");
    // What the server was sent, as tests need to see it: every attempt, credentials included.
    s.data()["connects"].push_back({{"server", server ? server : ""}, {"user", user ? user : ""},
                                    {"password", password ? password : ""}});
    s.save();
    int injected = scenario::InjectedStatus(s, "DBUConnect");
    if (injected >= 0) return static_cast<std::uint16_t>(injected);
    Json* found = scenario::FindServer(s.data(), server ? server : "");
    if (found == nullptr) return kServerNotReachable;
    auto logon = found->find("logon");
    if (logon != found->end() && logon->is_object()) {
        std::string u = user ? user : "", p = password ? password : "";
        bool required = logon->value("required", false);
        if ((!u.empty() || required) && (u != Text(*logon, "user") || p != Text(*logon, "password")))
            return kLogonRefused;
    }
    *session = NextSession++;
    Sessions[*session] = server;
    scenario::Count(s.data(), "openSessions");
    s.save();
    return 0;
}

ADMIN_API std::uint16_t DBUDisconnect(std::int32_t* session) {
    scenario::Session s;
    scenario::Count(s.data(), "DBUDisconnect");
    s.save();
    if (session == nullptr || Sessions.erase(*session) == 0) return kSessionNotOpen;
    s.data()["counters"]["openSessions"] = s.data()["counters"].value("openSessions", 1) - 1;
    s.save();
    return 0;
}

ADMIN_API std::uint16_t DBUGetVersion(std::int32_t session, std::uint16_t type, std::uint16_t, std::uint32_t length,
                                      void* record) {
    scenario::Session s;
    int injected = scenario::InjectedStatus(s, "DBUGetVersion", type);
    if (injected >= 0) return static_cast<std::uint16_t>(injected);
    Json* server = SessionServer(s.data(), session);
    if (server == nullptr) return kSessionNotOpen;
    const char* table = server->value("engineStarted", false) ? "versionsAfterEngineStart" : "versions";
    auto versions = server->find(table);
    if (versions == server->end() || !versions->is_object()) versions = server->find("versions");
    if (versions == server->end() || !versions->is_object()) return kWrongEngineType;
    auto version = versions->find(std::to_string(type));
    if (version == versions->end() || !version->is_object()) return kWrongEngineType;
    std::uint8_t* out = static_cast<std::uint8_t*>(record);
    if (out == nullptr || length < 20) return kMalformedRecord;
    std::memset(out, 0, length);
    Outgoing w(out, length);
    w.moveTo(4);
    w.u32(static_cast<std::uint32_t>(Number(*version, "major")));
    w.moveTo(16);
    std::string platform = Text(*version, "platform") + "    ";
    w.bytes(platform.data(), 4);
    return 0;
}

ADMIN_API std::uint16_t DBUGetInfo(std::int32_t session, std::uint16_t, std::uint16_t code, std::uint32_t requestLength,
                                   void* request, std::uint32_t answerLength, void* answer) {
    scenario::Session s;
    int injected = scenario::InjectedStatus(s, "DBUGetInfo", code);
    if (injected >= 0 && injected != 2300) return static_cast<std::uint16_t>(injected);
    Json* server = SessionServer(s.data(), session);
    if (server == nullptr) return kSessionNotOpen;
    if (request == nullptr || answer == nullptr) return kMalformedRecord;
    auto* req = static_cast<std::uint8_t*>(request);
    auto* ans = static_cast<std::uint8_t*>(answer);
    std::uint16_t status;
    switch (code) {
        case 4115: status = DatabaseCount(*server, ans, answerLength); break;
        case 4117: status = DatabaseNames(s.data(), *server, req, requestLength, ans, answerLength); break;
        case 4116: status = DatabaseDetails(s.data(), *server, ans, answerLength); break;
        case 5207: status = ReadEngineDsn(s.data(), *server, req, requestLength, ans, answerLength); break;
        default: return kInfoCodeNotSupported;
    }
    return (status == 0 && injected == 2300) ? 2300 : status;
}

ADMIN_API std::uint16_t DBUSetInfo(std::int32_t session, std::uint16_t type, std::uint16_t code,
                                   std::uint32_t length, void* record) {
    scenario::Session s;
    if (record == nullptr) return kMalformedRecord;
    auto* rec = static_cast<const std::uint8_t*>(record);
    // Every request as it arrived, kept before anything can refuse it, so a test reads the
    // bytes the product sent whatever the answer.
    static const char kHex[] = "0123456789ABCDEF";
    std::string bytes;
    for (std::uint32_t i = 0; i < length && i < 65536; ++i) bytes += {kHex[rec[i] >> 4], kHex[rec[i] & 15]};
    List(s.data(), "requests").push_back({{"code", code}, {"type", type}, {"bytes", bytes}});
    s.save();
    int injected = scenario::InjectedStatus(s, "DBUSetInfo", code);
    if (injected >= 0) return static_cast<std::uint16_t>(injected);
    Json* server = SessionServer(s.data(), session);
    if (server == nullptr) return kSessionNotOpen;
    std::uint16_t status;
    switch (code) {
        case 4166: status = CreateDatabase(*server, rec, length); break;
        case 5205: case 5206: status = WriteEngineDsn(*server, code, rec, length); break;
        case 5202: status = DeleteEngineDsn(*server, rec, length); break;
        default: return kInfoCodeNotSupported;
    }
    if (status == 0) s.save();
    return status;
}

ADMIN_API std::uint16_t QmListDSNs(std::int32_t session, std::uint32_t* length, char* buffer, std::uint8_t) {
    scenario::Session s;
    Json* server = SessionServer(s.data(), session);
    if (server == nullptr) return kSessionNotOpen;
    if (length == nullptr || buffer == nullptr || *length == 0) return kMalformedRecord;
    std::string names;
    for (const Json& dsn : List(*server, "engineDsns")) names += Text(dsn, "name") + '\0';
    names += '\0';
    std::uint32_t n = names.size() < *length ? static_cast<std::uint32_t>(names.size()) : *length;
    std::memcpy(buffer, names.data(), n);
    buffer[*length - 1] = 0;
    *length = static_cast<std::uint32_t>(names.size());
    return 0;
}
