// The product's remote administration library w64rmadm.dll, reached through a call table.
#pragma once

#include <cstdint>

// Status codes the callers test.
constexpr std::uint16_t kStatusSuccess = 0;
constexpr std::uint16_t kStatusEntryNotAvailable = 8005;

// Start and stop the library around a ConfigDSN call; the argument is always 0.
std::uint16_t DBUStart(void* reserved);
std::uint16_t DBUStop(void* reserved);
