#include "setup/connection_string.h"

#include <cstring>
#include <initializer_list>

#include "setup/server_address.h"

namespace {

// The pieces of the string, measured before any is copied.
struct Pieces {
    const char* texts[22];
    std::size_t count = 0;
    std::size_t length = 0;

    void add(std::initializer_list<const char*> more) {
        for (const char* text : more) {
            texts[count++] = text;
            length += std::strlen(text);
        }
    }
};

bool Given(const DsnSetting& setting) { return setting.isSet != 0 && !setting.value.empty(); }

}  // namespace

bool BuildConnectionString(const DsnSettings& settings, const char* driverName, ProfileText& connection) {
    // The port goes in as the record holds it: the dialog always fills it, and the test
    // must show what those settings give, not a default.
    ProfileText server;
    if (!FormatStoredServer(settings.ServerName.value.c_str(), settings.TCPPort.value.c_str(), server)) return false;

    Pieces pieces;
    pieces.add({"DRIVER={", driverName ? driverName : "", "};", "DBQ", "=", settings.DBQ.value.c_str(), ";",
                "ServerName", "=", server.c_str(), ";", "TransportHint", "=", settings.TransportHint.value.c_str()});
    if (Given(settings.TranslationDLL)) pieces.add({";", "TranslationDLL", "=", settings.TranslationDLL.value.c_str()});
    if (Given(settings.QmTranslate)) pieces.add({";", "QmTranslate", "=", settings.QmTranslate.value.c_str()});

    if (pieces.length > ProfileText::maxLength()) return false;
    connection.clear();
    for (std::size_t i = 0; i < pieces.count; ++i) connection.append(pieces.texts[i]);
    return true;
}
