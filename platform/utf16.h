// The one bridge between the Windows API's wide texts (wchar_t) and the Windows-free core's
// UTF-16 texts (char16_t). On this platform both are 16-bit UTF-16 code units, so a text of
// one is a text of the other; every conversion between them goes through these four.
#pragma once

#include <string>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide texts are UTF-16 code units");

inline const char16_t* AsUtf16(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }
inline char16_t* AsUtf16(wchar_t* text) { return reinterpret_cast<char16_t*>(text); }
inline const wchar_t* AsWide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline const wchar_t* AsWide(const std::u16string& text) { return AsWide(text.c_str()); }
