#include "setup/installer_version.h"

bool IsInstallerStub(bool sizeKnown, std::uint64_t size, bool hasVersionInformation) {
    return sizeKnown && size < kInstallerStubSizeLimit && !hasVersionInformation;
}

bool PreferSystemInstallerCopy(FileVersion searchCopy, FileVersion systemCopy) {
    if (searchCopy.mostSignificant != systemCopy.mostSignificant)
        return searchCopy.mostSignificant < systemCopy.mostSignificant;
    return searchCopy.leastSignificant < systemCopy.leastSignificant;
}
