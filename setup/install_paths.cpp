#include "setup/install_paths.h"

#include <algorithm>

void StripTrailingBackslash(char16_t* value, std::uint32_t byteSize, std::uint32_t capacityBytes) {
    if (value == nullptr || byteSize < 5) return;
    std::size_t last = (byteSize - 4) / 2;
    if ((last + 1) * 2 > capacityBytes) return;
    if (value[last] == u'\\') value[last] = 0;
}

std::int32_t CreateDirectoryPathWith(const std::u16string& path, DirectoryOperations& directories) {
    std::u16string working = path;
    std::int32_t lastFailure = kResultFail;
    bool foundExistingSinceProgress = false;
    // Each round adds a level or ends; the bound only guards against operations that
    // report success without effect.
    std::size_t roundsLeft = static_cast<std::size_t>(std::count(path.begin(), path.end(), u'\\')) + 2;
    for (;;) {
        if (directories.exists(working)) {
            if (working == path) return 0;
            if (foundExistingSinceProgress || roundsLeft-- == 0) return lastFailure;
            foundExistingSinceProgress = true;
            working = path;
            continue;
        }
        std::int32_t result = directories.create(working);
        if (result == 0) {
            if (working == path) return 0;
            if (roundsLeft-- == 0) return kResultFail;
            foundExistingSinceProgress = false;
            working = path;
            continue;
        }
        lastFailure = result;
        std::size_t cut = working.rfind(u'\\');
        if (cut == std::u16string::npos || cut == 0) return result;
        working.resize(cut);
        if (result == kResultAccessDenied) return result;
    }
}
