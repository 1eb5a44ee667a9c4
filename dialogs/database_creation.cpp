#include "dialogs/database_creation.h"

#include <cstring>

namespace {

// The message box icons, as Windows numbers them.
constexpr std::uint32_t kIconStop = 0x10, kIconExclamation = 0x30, kIconInformation = 0x40;

}  // namespace

const char kCreateFailedPrefix[] = "Failed to create database on remote server. ";

SearchPattern DictionarySearchPattern(const char* folder) {
    SearchPattern pattern = {};
    pattern.assign(folder);
    const std::size_t length = pattern.length();
    if (length == 0 || pattern.c_str()[length - 1] != '\\') pattern.append("\\");
    pattern.append("*.ddf");
    return pattern;
}

bool AppendDataFileLocation(ProfileText& joined, const char* location) {
    const std::size_t used = joined.length(), separator = used == 0 ? 0 : 1;
    if (used + separator + std::strlen(location) > ProfileText::maxLength()) return false;
    if (separator) joined.append(";");
    joined.append(location);
    return true;
}

CreateStatusAnswer AnswerForCreateStatus(std::uint16_t status, bool bound) {
    switch (status) {
    case 2303:
        return {"The database name must be unique. The specified name already exists. Please specify another "
                "database name.", kIconStop};
    case 2305:
        return {"The database is not created. The dictionary path specified does not exist.", kIconStop};
    case 2313:
        if (bound)
            return {"Bound database not created. The data dictionary files specified are shared. Bound database "
                    "cannot have shared data dictionary files. You must first remove the data dictionary at the "
                    "specified location using the Quillmere Control Central, or you can create the named database "
                    "as an unbound database, and then bind the named database using the Quillmere Control Central.",
                    kIconExclamation};
        return {"Database not created. The data dictionary files cannot be shared. The files might be used by a "
                "bound database.", kIconExclamation};
    case 290:
        return {"Dictionary files are not created. They already exist at the specified location.", kIconInformation};
    default:
        return {"", kIconStop};
    }
}
