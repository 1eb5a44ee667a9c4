// The engine interface w64kfif.dll, loaded on first use under a spin lock of its own, and
// the probe of a connected server's engine type.
#pragma once

#include <windows.h>

#include <cstdint>

#include "remote/admin_library.h"

extern CallTableRow EngineCallTable[3];
extern std::uint16_t EngineInterfaceLoaded;
extern std::int32_t EngineInterfaceUsers;
extern volatile LONG EngineInterfaceLock;  // -1 while held, 0 when free
extern QSHandle EngineInterfaceHandle;

// The client identity block that goes with each engine call (filled by the string library).
extern std::uint8_t ClientIdentity[kClientIdentitySize];

// 0 (loaded, one more user) or 8020.
std::int32_t LoadEngineInterface();
// Passes the ten arguments to vdexID; 8020 when the library cannot be loaded, 8005 when
// vdexID is missing.
std::int32_t CallEngine(std::int32_t operation, void* position, void* data, std::int32_t* dataLength,
                        std::int32_t value, void* pointer1, void* pointer2, std::int32_t value1, std::int32_t value2,
                        void* identity);
// Closes the library; called with the lock held.
std::int32_t UnloadEngineInterface();

