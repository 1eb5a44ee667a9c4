#include "setup/server_address.h"

#include <cstring>

namespace {

// An IPv6 address: a ":" followed later by another, and no bracket yet.
bool NeedsBrackets(const char* name) {
    if (name[0] == '[') return false;
    const char* first = std::strchr(name, ':');
    return first != nullptr && std::strchr(first + 1, ':') != nullptr;
}

}  // namespace

bool FormatStoredServer(const char* serverName, const char* port, ProfileText& stored) {
    const char* name = serverName ? serverName : "";
    const char* p = port ? port : kDefaultTcpPort;
    bool brackets = NeedsBrackets(name);
    std::size_t length = std::strlen(name) + (brackets ? 2 : 0) + 1 + std::strlen(p);
    if (length > ProfileText::maxLength()) return false;
    stored.clear();
    if (brackets) stored.append("[");
    stored.append(name);
    if (brackets) stored.append("]");
    stored.append(".");
    stored.append(p);
    return true;
}

void ReadBackServerName(const char* stored, ProfileText& serverName) {
    serverName.clear();
    if (stored == nullptr) return;
    std::size_t length = std::strlen(stored);
    if (length >= 5) {
        serverName.assign(stored, length - 5);
        return;
    }
    const char* dot = std::strrchr(stored, '.');
    serverName.assign(stored, dot ? static_cast<std::size_t>(dot - stored) : length);
}
