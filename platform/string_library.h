// The utility string library wdbustr64.dll, imported at load time: one declaration for the
// product and for the library itself (which defines DBUSTR_BUILDING).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/fixed_text.h"

#ifdef DBUSTR_BUILDING
#define DBUSTR_API extern "C" __declspec(dllexport)
#else
#define DBUSTR_API extern "C" __declspec(dllimport)
#endif

// Callers hand DBUGetString a zero-filled buffer of this many bytes, and the value 1.
constexpr std::size_t kStatusTextCapacity = 251;
using StatusText = FixedText<kStatusTextCapacity>;
DBUSTR_API std::uint16_t DBUGetString(std::uint16_t status, char* buffer, std::uint16_t one);

// The client identity block of engine calls (32 bytes) and the attribute buffer handed
// with it (this many bytes, kept by the library).
constexpr std::size_t kClientIdentitySize = 32;
constexpr std::size_t kClientAttributeBufferSize = 57000;
DBUSTR_API std::uint16_t initVdexIDClientAttrib(void* identity, void* attributes);
