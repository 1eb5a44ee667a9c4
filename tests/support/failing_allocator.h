// Replaces the test program's global operator new so that a chosen allocation made by the
// arming thread fails with std::bad_alloc, as it would when memory runs out. Linked only
// into the test that needs it: the product, statically linked there, allocates through it.
#pragma once

#include <cstdint>

namespace failing_allocator {

// From now on, count this thread's allocations; the nth one (1-based) fails. 0: none fails.
void Arm(std::uint64_t nth);
// Stops counting and failing; answers how many allocations this thread made while armed.
std::uint64_t Disarm();

}  // namespace failing_allocator
