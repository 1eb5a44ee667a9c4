// A zero-terminated 8-bit text in a fixed buffer. Copies stop at capacity and always
// terminate, so no caller ever counts bytes by hand. The type is trivially constructible:
// zero-filled memory (the settings record comes from GlobalAlloc) is a valid empty text.
#pragma once

#include <cstddef>
#include <cstring>

template <std::size_t Capacity>
struct FixedText {
    static_assert(Capacity >= 1, "room for the terminator");

    char bytes[Capacity];

    static constexpr std::size_t capacity() { return Capacity; }
    static constexpr std::size_t maxLength() { return Capacity - 1; }

    const char* c_str() const { return bytes; }
    // For APIs that fill a buffer of capacity() bytes; call terminate() afterwards.
    char* data() { return bytes; }

    std::size_t length() const {
        const void* end = std::memchr(bytes, 0, Capacity);
        return end ? static_cast<std::size_t>(static_cast<const char*>(end) - bytes) : maxLength();
    }
    bool empty() const { return bytes[0] == 0; }

    void clear() { std::memset(bytes, 0, Capacity); }
    void terminate() { bytes[Capacity - 1] = 0; }

    // Copies at most maxLength() bytes of text (which need not be terminated within n).
    // Only the text and its terminator are written: parsing a list must not pay for
    // clearing every 513-byte field it sets.
    void assign(const char* text, std::size_t n) {
        if (text == nullptr) n = 0;
        const void* end = n ? std::memchr(text, 0, n) : nullptr;
        if (end) n = static_cast<std::size_t>(static_cast<const char*>(end) - text);
        if (n > maxLength()) n = maxLength();
        if (n) std::memmove(bytes, text, n);
        bytes[n] = 0;
        bytes[Capacity - 1] = 0;
    }
    void assign(const char* text) { assign(text, text ? std::strlen(text) : 0); }

    void append(const char* text) {
        if (text == nullptr) return;
        std::size_t used = length();
        std::size_t n = std::strlen(text);
        std::size_t room = maxLength() - used;
        std::memcpy(bytes + used, text, n < room ? n : room);
        bytes[used + (n < room ? n : room)] = 0;
    }

    bool operator==(const char* text) const { return text && std::strcmp(bytes, text) == 0; }
};

// The 8-bit texts of profiles and dialogs: 512 characters and the terminator.
constexpr std::size_t kProfileTextCapacity = 513;
using ProfileText = FixedText<kProfileTextCapacity>;
