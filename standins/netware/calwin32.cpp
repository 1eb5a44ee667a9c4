// The NetWare client's call library, answering from the "netware" part of the server
// scenario (QM_SERVER_SCENARIO):
//   "init":    NWCallsInit's answer (0 when missing)
//   "server":  the server a volume path without one is on ("" for none)
//   "volumes": the volumes that server has
//   "drives":  drive letters mapped to NetWare folders, "P": "VOL1:\\apps"
// Every path asked is recorded in "asked" as hexadecimal bytes, to show its code page.
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/netware_client.h"
#include "standins/scenario/scenario.h"

namespace {

constexpr std::uint32_t kUnknownVolume = 0x8998;
constexpr std::uint32_t kInvalidPath = 0x89FF;
constexpr std::size_t kServerLimit = 48;
constexpr std::size_t kVolumeLimit = 17;
constexpr std::size_t kPathLimit = 256;

void Copy(char* to, const std::string& text, std::size_t limit) {
    std::size_t n = text.size() < limit - 1 ? text.size() : limit - 1;
    std::memcpy(to, text.data(), n);
    to[n] = 0;
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Hex(const char* text) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c; ++c) {
        hex += digits[*c >> 4];
        hex += digits[*c & 15];
    }
    return hex;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

extern "C" __declspec(dllexport) std::uint32_t NWCallsInit(void*, void*) {
    scenario::Session session;
    scenario::Count(session.data(), "NWCallsInit");
    session.save();
    return session.data()["netware"].value("init", 0u);
}

extern "C" __declspec(dllexport) std::uint32_t NWParsePath(const char* path, char* server, std::uint32_t* connection,
                                                           char* volume, char* pathOnVolume) {
    scenario::Session session;
    scenario::Json& data = session.data();
    scenario::Count(data, "NWParsePath");
    data["netware"]["asked"].push_back(Hex(path));
    session.save();
    const scenario::Json& netware = data["netware"];
    std::string text = path;
    // A drive mapped to a NetWare folder stands for that folder.
    if (text.size() >= 2 && text[1] == ':') {
        std::string letter(1, static_cast<char>(std::toupper(static_cast<unsigned char>(text[0]))));
        if (!netware.contains("drives") || !netware["drives"].contains(letter)) return kInvalidPath;
        text = netware["drives"][letter].get<std::string>() + text.substr(2);
    }
    std::size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0) return kInvalidPath;
    std::string serverName = netware.value("server", std::string());
    std::string volumeName = text.substr(0, colon);
    std::size_t separator = volumeName.find_first_of("\\/");
    if (separator != std::string::npos) {
        serverName = volumeName.substr(0, separator);
        volumeName = volumeName.substr(separator + 1);
    } else {
        bool known = false;
        for (const auto& v : netware.value("volumes", scenario::Json::array()))
            known = known || Upper(v.get<std::string>()) == Upper(volumeName);
        if (!known) return kUnknownVolume;
    }
    std::string rest = text.substr(colon + 1);
    if (rest.empty() || !IsSeparator(rest[0])) rest = "\\" + rest;
    Copy(server, serverName, kServerLimit);
    Copy(volume, Upper(volumeName), kVolumeLimit);
    Copy(pathOnVolume, rest, kPathLimit);
    if (connection) *connection = serverName.empty() ? 0 : 1;
    return 0;
}
