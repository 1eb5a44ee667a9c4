// The probe of a connected server's engine type.
#pragma once

#include <windows.h>

#include <cstdint>

// The engine type every information request carries (1, 5 or 25) and the platform code of
// the last successful version answer. Both keep their values until the next successful
// probe, across calls: they describe the last server probed, not the call.
extern std::uint16_t ServerType;
extern char ServerPlatformCode[5];

// 1, 5 or 25, or -1 after its own message (none when there is no session or no memory).
int ProbeServerType(HWND window, std::int32_t session);

extern const char kEngineConnectionMessage[];
