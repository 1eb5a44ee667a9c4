#include "setup/dsn_name_rule.h"

int CheckDsnNameCharacters(const wchar_t* name, std::size_t nameLength,
                           const wchar_t* forbidden, std::size_t forbiddenLength,
                           LetterTest isLetter) {
    if (name == nullptr || nameLength == 0 || name[0] == 0 || !isLetter(name[0])) return 1;
    for (std::size_t i = 0; i < nameLength && name[i] != 0; ++i) {
        for (std::size_t j = 0; j < forbiddenLength && forbidden[j] != 0; ++j) {
            if (name[i] == forbidden[j]) return 1;
        }
    }
    return 0;
}
