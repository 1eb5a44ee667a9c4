// The DSN name rule on 8-bit text: converted under the process locale (set to the user's
// default at attach), checked against the forbidden set of the string table.
#include "setup/validate_dsn_name.h"

#include <ctype.h>
#include <stdlib.h>
#include <wctype.h>

#include "resources/resource_ids.h"
#include "setup/call_values.h"
#include "setup/dsn_name_rule.h"

namespace {

constexpr std::size_t kWideCapacity = 513;

bool IsLetterInProcessLocale(wchar_t c) { return iswctype(c, _ALPHA) != 0; }

// Converts into a 513-character buffer; returns the number of characters to examine, or
// -1 when the text cannot be converted. A text of 513 or more characters is examined up
// to the buffer's end, never past it.
long ToWide(const char* text, wchar_t (&wide)[kWideCapacity]) {
    size_t n = mbstowcs(wide, text, kWideCapacity);
    if (n == static_cast<size_t>(-1)) return -1;
    if (n < kWideCapacity) wide[n] = 0;
    return static_cast<long>(n < kWideCapacity ? n : kWideCapacity);
}

}  // namespace

int ValidateDsnName(const char* name) {
    if (name == nullptr) return 1;
    wchar_t wideName[kWideCapacity];
    long nameLength = ToWide(name, wideName);
    if (nameLength < 0) return 1;
    if (nameLength == 0 || !IsLetterInProcessLocale(wideName[0])) return 1;

    ProfileText forbidden;
    LoadProductString(IDS_DSN_FORBIDDEN_CHARACTERS, forbidden);
    wchar_t wideForbidden[kWideCapacity];
    long forbiddenLength = ToWide(forbidden.c_str(), wideForbidden);
    if (forbiddenLength < 0) return 1;

    return CheckDsnNameCharacters(wideName, static_cast<std::size_t>(nameLength), wideForbidden,
                                  static_cast<std::size_t>(forbiddenLength), IsLetterInProcessLocale);
}
