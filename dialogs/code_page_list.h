// The code pages the Create Database dialog offers: the class library's encodings in one
// process-wide table, rebuilt (the old one freed first) each time the dialog opens.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

constexpr std::size_t kCodePageNameSize = 25;  // 24 characters and the terminator

struct CodePageEntry {
    char* name;          // kCodePageNameSize bytes of malloc
    std::uint32_t code;  // the encoding's code page number
};

// The table (malloc) and its number of entries; the last table lives until the next build.
extern CodePageEntry* CodePageTable;
extern std::int32_t CodePageCount;

// 0 and the number of encodings, or the failure's status (count untouched).
std::int32_t CountEncodings(std::int32_t* count);
// Fills the names and codes of a table the caller allocated for capacity entries, with a
// name buffer each: never more entries than that, whatever the library counts now. 0, or
// the failure's status (0x8007000E when memory runs out). No exception leaves either.
std::int32_t FillCodePageTable(CodePageEntry* table, std::int32_t capacity);

// Rebuilds the table and lists it in the combo box, then adds "Server Default" and selects it.
void FillCodePageList(HWND combo);
// The code page of the combo box's selected entry, cut to 16 bits; 0 for "Server Default".
std::uint16_t SelectedCodePage(HWND combo);
