// The engine DSN dialog's text rules that need no window. Windows-free.
#pragma once

#include <cstddef>

// Cuts the blanks, tabs, line breaks and zero bytes at the end of a buffer of size bytes,
// looking from its last byte back: an empty or all-blank buffer becomes empty.
void TrimTrailingWhitespace(char* text, std::size_t size);

// The server's ";"-joined data file locations as the lines of a multi-line box: every ";" a
// carriage return and line feed. The copy stops when out (size bytes, terminated) is full.
void LocationsAsLines(const char* locations, char* out, std::size_t size);
