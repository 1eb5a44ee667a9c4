// A zero-terminated text in a fixed buffer, of 8-bit or wide characters. Copies stop at
// capacity and always terminate, so no caller ever counts bytes or characters by hand. The
// type is trivially constructible: zero-filled memory (the settings record comes from
// GlobalAlloc) is a valid empty text.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

template <std::size_t Capacity, typename Char = char>
struct FixedText {
    static_assert(Capacity >= 1, "room for the terminator");
    using Traits = std::char_traits<Char>;

    Char bytes[Capacity];

    static constexpr std::size_t capacity() { return Capacity; }
    static constexpr std::size_t maxLength() { return Capacity - 1; }

    const Char* c_str() const { return bytes; }
    // For APIs that fill a buffer of capacity() characters; call terminate() afterwards.
    Char* data() { return bytes; }

    std::size_t length() const {
        const Char* end = Traits::find(bytes, Capacity, Char());
        return end ? static_cast<std::size_t>(end - bytes) : maxLength();
    }
    bool empty() const { return bytes[0] == Char(); }

    void clear() { std::memset(bytes, 0, sizeof bytes); }
    void terminate() { bytes[Capacity - 1] = Char(); }

    // Copies at most maxLength() characters of text (which need not be terminated within
    // n). Only the text and its terminator are written: parsing a list must not pay for
    // clearing every 513-byte field it sets.
    void assign(const Char* text, std::size_t n) {
        if (text == nullptr) n = 0;
        const Char* end = n ? Traits::find(text, n, Char()) : nullptr;
        if (end) n = static_cast<std::size_t>(end - text);
        if (n > maxLength()) n = maxLength();
        if (n) Traits::move(bytes, text, n);
        bytes[n] = Char();
        bytes[Capacity - 1] = Char();
    }
    void assign(const Char* text) { assign(text, text ? Traits::length(text) : 0); }

    void append(const Char* text) {
        if (text == nullptr) return;
        std::size_t used = length();
        std::size_t n = Traits::length(text);
        std::size_t room = maxLength() - used;
        if (n > room) n = room;
        Traits::copy(bytes + used, text, n);
        bytes[used + n] = Char();
    }

    bool operator==(const Char* text) const {
        if (text == nullptr) return false;
        std::size_t n = length();
        return Traits::length(text) == n && Traits::compare(bytes, text, n) == 0;
    }
};

// Wide texts of the Windows API and the portability library (registry values, paths, names).
template <std::size_t Capacity>
using WideText = FixedText<Capacity, wchar_t>;

// The 8-bit texts of profiles and dialogs: 512 characters and the terminator.
constexpr std::size_t kProfileTextCapacity = 513;
using ProfileText = FixedText<kProfileTextCapacity>;
