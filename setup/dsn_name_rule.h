// The character check of the DSN name rule, on wide text already converted by the caller.
// Windows-free; the letter test is passed in because it follows the process locale.
#pragma once

#include <cstddef>

using LetterTest = bool (*)(wchar_t);

// Returns 0 when the name may be used (first character a letter, none of the forbidden
// characters), 1 when it may not. Both texts are given with their lengths; neither needs
// a terminator.
int CheckDsnNameCharacters(const wchar_t* name, std::size_t nameLength,
                           const wchar_t* forbidden, std::size_t forbiddenLength,
                           LetterTest isLetter);
