// Text-level steps of the installation lookup, on 16-bit texts. Windows-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/result_codes.h"

// Drops one trailing backslash from a value read with its byte size (terminator included):
// only for values of two or more characters, so a lone "\" stays. Never touches a byte
// past capacityBytes.
void StripTrailingBackslash(char16_t* value, std::uint32_t byteSize, std::uint32_t capacityBytes);

class DirectoryOperations {
public:
    virtual ~DirectoryOperations() = default;
    virtual bool exists(const std::u16string& path) = 0;
    virtual std::int32_t create(const std::u16string& path) = 0;  // 0 or a result code
};

// Creates every missing level of path: climbs until a level exists or can be created,
// then starts again from the full path. Stops at access denied, and when a level cannot
// be added below an existing one (that failure is the result); never loops.
std::int32_t CreateDirectoryPathWith(const std::u16string& path, DirectoryOperations& directories);
