// Stand-in of the engine interface w64kfif.dll. Operation 26 starts the scenario's local
// engine: servers that list "versionsAfterEngineStart" answer from it from then on.
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "standins/scenario/scenario.h"
#include "standins/scenario/statuses.h"

#define KFIF_API extern "C" __declspec(dllexport)

namespace {

int EngineKnob(const scenario::Json& data, const char* name, int fallback) {
    auto engine = data.find("engine");
    if (engine == data.end() || !engine->is_object()) return fallback;
    return engine->value(name, fallback);
}

}  // namespace

KFIF_API std::uint16_t vdexID(std::int32_t operation, void* position, void* data, std::int32_t* dataLength,
                              std::int32_t, void*, void*, std::int32_t, std::int32_t, void* identity) {
    scenario::Session s;
    scenario::Count(s.data(), "vdexID:" + std::to_string(operation));
    int status = 0;
    if (operation == 26) {
        if (identity == nullptr || std::memcmp(identity, "QMCL", 4) != 0) status = 7107;  // no client identity
        else status = EngineKnob(s.data(), "op26Status", 0);
        if (status == 0) {
            for (auto& server : s.data()["servers"])
                if (server.is_object() && server.contains("versionsAfterEngineStart")) server["engineStarted"] = true;
            if (data && dataLength && *dataLength > 0) {
                std::memset(data, 0, static_cast<std::size_t>(*dataLength));
                std::strncpy(static_cast<char*>(data), "engine started", static_cast<std::size_t>(*dataLength) - 1);
            }
        }
    } else if (operation == 25) {
        status = EngineKnob(s.data(), "op25Status", 0);
    }
    if (position) std::memset(position, 0, 128);
    s.save();
    return static_cast<std::uint16_t>(status);
}

KFIF_API std::uint16_t VdexidAdmin(std::int32_t request, std::int32_t, std::int32_t, std::int32_t* answer,
                                   std::int32_t* answerLength) {
    scenario::Session s;
    scenario::Count(s.data(), "VdexidAdmin");
    s.save();
    if (request != 2 || answer == nullptr || answerLength == nullptr || *answerLength < 4) return kMalformedRecord;
    *answer = EngineKnob(s.data(), "activeClients", 0);
    return static_cast<std::uint16_t>(EngineKnob(s.data(), "adminStatus", 0));
}
