#include "paths/text_encodings.h"

#include <windows.h>

#include <clocale>

#include "paths/text_conversion.h"
#include "platform/qscl.h"
#include "platform/qscore.h"

namespace {

bool DefaultEncodingKnown = false;

}  // namespace

int InitTextEncodings() {
    std::setlocale(LC_ALL, "");
    wchar_t name[40] = {};
    if (QSGetDefaultCharEncoding(name) == 0) {
        name[39] = 0;
        Encodings.defaultEncoding.assign(name);
        DefaultEncodingKnown = true;
    } else if (!DefaultEncodingKnown) {
        // Nothing to keep yet: the ANSI code page is what the default encoding stands for.
        wchar_t number[12];
        Encodings.defaultEncoding.assign(L"CP");
        Encodings.defaultEncoding.append(QSLToStrW(static_cast<long>(GetACP()), number, 10));
    }
    wchar_t number[12];
    Encodings.oemEncoding.assign(L"CP");
    Encodings.oemEncoding.append(QSLToStrW(static_cast<long>(GetOEMCP()), number, 10));
    try {
        qs::text::charset::CharToByteConverter::getConverter(Encodings.defaultEncoding.c_str())->Release();
    } catch (...) {
        QSStrCpyW(Encodings.defaultEncoding.data(), L"ISO-8859-1");
        QSStrCpyW(Encodings.oemEncoding.data(), L"ISO-8859-1");
    }
    return 0;
}
