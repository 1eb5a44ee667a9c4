// The loader and call table are not built yet: every entry answers "not available" (8005),
// exactly what a caller sees when w64rmadm.dll cannot be opened.
#include "remote/admin_library.h"

std::uint16_t DBUStart(void*) { return kStatusEntryNotAvailable; }
std::uint16_t DBUStop(void*) { return kStatusEntryNotAvailable; }
