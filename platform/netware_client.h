// The NetWare client's entries that path resolution calls (CALWIN32.DLL; CLNWIN32.DLL is
// only looked for).
#pragma once

#include <cstdint>

// 0 when the client is ready; both arguments are null.
using NWCallsInitEntry = std::uint32_t (*)(void* reserved1, void* reserved2);
// Splits an OEM path into server, connection, volume and path; 0 on success.
using NWParsePathEntry = std::uint32_t (*)(const char* path, char* server, std::uint32_t* connection, char* volume,
                                          char* pathOnVolume);
