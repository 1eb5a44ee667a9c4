// The decisions of the installer library choice, apart from the files they concern.
// Windows-free, so they are tested natively.
#pragma once

#include <cstdint>

// Below this size an installer library without version information is a stub left by an
// old setup program, and is moved out of the way.
constexpr std::uint64_t kInstallerStubSizeLimit = 20000;

bool IsInstallerStub(bool sizeKnown, std::uint64_t size, bool hasVersionInformation);

struct FileVersion {
    std::uint32_t mostSignificant;   // major << 16 | minor
    std::uint32_t leastSignificant;  // build << 16 | revision
};

// True when the system directory's copy must be used instead of the one the search found:
// exactly when the search copy is older. Equal versions keep the search copy.
bool PreferSystemInstallerCopy(FileVersion searchCopy, FileVersion systemCopy);
