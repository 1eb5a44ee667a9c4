#include "tests/support/failing_allocator.h"

#include <windows.h>

#include <cstdlib>
#include <new>

namespace {

volatile DWORD armedThread = 0;
std::uint64_t failAt = 0;
std::uint64_t made = 0;

void* Allocate(std::size_t size) {
    if (armedThread != 0 && armedThread == GetCurrentThreadId() && ++made == failAt) return nullptr;
    return std::malloc(size ? size : 1);
}

}  // namespace

namespace failing_allocator {

void Arm(std::uint64_t nth) {
    made = 0;
    failAt = nth;
    armedThread = GetCurrentThreadId();
}

std::uint64_t Disarm() {
    armedThread = 0;
    return made;
}

}  // namespace failing_allocator

void* operator new(std::size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
