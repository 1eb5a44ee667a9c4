// The product's installation, found under its InstallInfo keys. Wide texts; sizes are byte
// counts with the terminator; results are HRESULTs.
#pragma once

#include <cstdint>

extern const wchar_t* const InstallInfoKeys[3];

std::int32_t GetInstallValue(const wchar_t* valueName, std::uint32_t* byteSize, wchar_t* buffer);
std::int32_t GetInstallDataDir(std::uint32_t* byteSize, wchar_t* buffer);
std::int32_t GetInstallDir(std::uint32_t* byteSize, wchar_t* buffer);
std::int32_t GetInstallDir64(std::uint32_t* byteSize, wchar_t* buffer);

// 0 when the whole path exists afterwards; stops at access denied (0x80070005).
std::int32_t CreateDirectoryPath(const wchar_t* path);

// The full path of a run-time library in an installation's "bin" directory, else the bare
// name when it opens; capacity is in characters: in, the output's; out, the length needed
// (terminator included). 0x8000FFFF when it does not fit, 0x80070002 when found nowhere.
std::int32_t FindInstalledLibrary(const wchar_t* libraryName, std::uint64_t* capacity, wchar_t* output);
