// The 32-bit HRESULT codes that the installation, log, code page and class-library
// routines answer (0 is success).
#pragma once

#include <cstdint>

constexpr std::int32_t kResultFail = static_cast<std::int32_t>(0x80004005);
constexpr std::int32_t kResultBufferTooSmall = static_cast<std::int32_t>(0x8000FFFF);
constexpr std::int32_t kResultFileNotFound = static_cast<std::int32_t>(0x80070002);
constexpr std::int32_t kResultAccessDenied = static_cast<std::int32_t>(0x80070005);
constexpr std::int32_t kResultOutOfMemory = static_cast<std::int32_t>(0x8007000E);
