#include "dialogs/engine_dsn_text.h"

#include <cstring>

void TrimTrailingWhitespace(char* text, std::size_t size) {
    if (text == nullptr || size == 0) return;
    std::size_t end = size;
    while (end > 0 && std::strchr(" \t\r\n", text[end - 1]) != nullptr) --end;  // strchr finds the zero too
    if (end < size) text[end] = '\0';
}

void LocationsAsLines(const char* locations, char* out, std::size_t size) {
    if (out == nullptr || size == 0) return;
    std::memset(out, 0, size);
    std::size_t used = 0;
    for (const char* c = locations; c != nullptr && *c != '\0'; ++c) {
        const bool separator = *c == ';';
        // A line break is written whole or not at all.
        if (used + (separator ? 2 : 1) > size - 1) break;
        if (separator) out[used++] = '\r', out[used++] = '\n';
        else out[used++] = *c;
    }
}
