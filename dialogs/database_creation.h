// The Create Database dialog's rules that need no window: the dictionary file search, the
// joined data file locations, and what the dialog says for each status of the request.
// Windows-free.
#pragma once

#include <cstdint>

#include "platform/fixed_text.h"

// The search for dictionary files in a folder: the folder, "\" unless it already ends in one,
// and "*.ddf".
using SearchPattern = FixedText<kProfileTextCapacity + 6>;
SearchPattern DictionarySearchPattern(const char* folder);

// Appends one converted location to the joined list, ";" before every one but the first.
// False, and the list unchanged, when the list would pass 512 characters: it is never cut.
bool AppendDataFileLocation(ProfileText& joined, const char* location);

// What the dialog shows for a status of the create request, as MessageBoxA takes it. For a
// status the table does not name, text is empty: the dialog shows the status's own text
// after kCreateFailedPrefix.
struct CreateStatusAnswer {
    const char* text;
    std::uint32_t icon;  // MB_ICONSTOP, MB_ICONEXCLAMATION or MB_ICONINFORMATION
};
CreateStatusAnswer AnswerForCreateStatus(std::uint16_t status, bool bound);
extern const char kCreateFailedPrefix[];
