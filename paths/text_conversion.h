// Text between the default (ANSI) encoding, the OEM code page and UTF-8, through the class
// library's converters. Windows-free: the native build compiles it with the converters.
#pragma once

#include <cstddef>

#include "platform/fixed_text.h"

// The encoding names; InitTextEncodings (text_encodings.h) fills them from the system.
struct TextEncodings {
    FixedText<40, wchar_t> defaultEncoding;
    FixedText<40, wchar_t> oemEncoding;
};
extern TextEncodings Encodings;
extern const wchar_t kUtf8Encoding[];

// Converts length bytes of source into at most capacity bytes; answers the bytes written
// or -1. A destination that is too small ends the output at the last whole character that
// fits. No exception leaves it.
long ConvertText(const char* source, std::size_t length, const wchar_t* sourceEncoding, char* destination,
                 std::size_t capacity, const wchar_t* destinationEncoding);

// The four directions convert a zero-terminated text with its terminator. Each answers true
// when the whole text and its terminator fit the destination; otherwise the destination
// holds an empty text.
bool AnsiToUtf8(char* destination, std::size_t capacity, const char* source);
bool Utf8ToAnsi(char* destination, std::size_t capacity, const char* source);
bool OemToUtf8(char* destination, std::size_t capacity, const char* source);
bool Utf8ToOem(char* destination, std::size_t capacity, const char* source);

template <std::size_t N>
bool AnsiToUtf8(FixedText<N>& destination, const char* source) { return AnsiToUtf8(destination.data(), N, source); }
template <std::size_t N>
bool Utf8ToAnsi(FixedText<N>& destination, const char* source) { return Utf8ToAnsi(destination.data(), N, source); }
template <std::size_t N>
bool OemToUtf8(FixedText<N>& destination, const char* source) { return OemToUtf8(destination.data(), N, source); }
template <std::size_t N>
bool Utf8ToOem(FixedText<N>& destination, const char* source) { return Utf8ToOem(destination.data(), N, source); }
