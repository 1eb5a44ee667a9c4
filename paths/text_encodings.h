// Fills the encoding names of text_conversion.h from the system.
#pragma once

// Sets the user's locale, asks the portability library for the default encoding and builds
// the OEM code page's name; an encoding without a converter makes both "ISO-8859-1".
// Always answers 0.
int InitTextEncodings();
