// A stored "ServerName" as the profile hands it back, and the stored form of any name.
#include <cstddef>
#include <cstdint>
#include <string>

#include "setup/server_address.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.substr(0, text.find('\0'));
    ProfileText server;
    ReadBackServerName(text.c_str(), server);
    if (server.length() > text.size()) __builtin_trap();
    ProfileText stored;
    if (FormatStoredServer(server.c_str(), nullptr, stored)) {
        // Written with the default port, the name reads back unchanged.
        ProfileText again;
        ReadBackServerName(stored.c_str(), again);
        std::string expected = server.c_str();
        bool bracketed = expected[0] != '[' && expected.find(':') != std::string::npos &&
                         expected.find(':', expected.find(':') + 1) != std::string::npos;
        if (bracketed) expected = "[" + expected + "]";
        if (expected != again.c_str()) __builtin_trap();
    }
    return 0;
}
