// ConvertToUnc: a folder as the server can reach it, for the locations of a new database.
#pragma once

#include <cstdint>

#include "platform/fixed_text.h"

// The UNC form of an ANSI path into output: 0, or InvalidPath (-6) with output untouched.
// lookUpConnections nonzero searches the network connections for the NetWare form. Shows
// no message.
int ConvertToUnc(const char* path, ProfileText& output, std::uint32_t lookUpConnections);

// Loads the NetWare client: 0, or -3 when it is missing or does not start.
int LoadNetWareClient();

// Set once the client was looked for; a missing client is not looked for again in the
// life of the process.
extern std::uint16_t NetWareProbed;
