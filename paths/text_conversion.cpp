#include "paths/text_conversion.h"

#include <cstring>
#include <new>

#include "platform/qscl.h"

using qs::text::charset::ByteToCharConverter;
using qs::text::charset::CharToByteConverter;

const wchar_t kUtf8Encoding[] = L"UTF-8";

TextEncodings Encodings = [] {
    TextEncodings e;
    e.defaultEncoding.assign(L"ISO-8859-1");
    e.oemEncoding.assign(L"ISO-8859-1");
    return e;
}();

namespace {

constexpr std::size_t kPass = 512;
constexpr std::int32_t kByteOrder = qs::CQSByteBuffer::LittleEndian;

// Gives a converter's reference back however the conversion ends.
template <typename Converter>
struct Held {
    Converter* converter = nullptr;
    ~Held() {
        if (converter) converter->Release();
    }
};

// Encodes units into the destination in pieces; false once the destination is full.
bool Encode(CharToByteConverter& encoder, const wchar_t* units, std::size_t count, qs::CQSByteBuffer& out) {
    unsigned char piece[kPass];
    std::size_t done = 0;
    while (done < count) {
        if (out.remaining() == 0) return false;
        std::size_t room = out.remaining() < kPass ? out.remaining() : kPass;
        std::size_t used = 0;
        std::size_t n = encoder.convert(units + done, count - done, &used, piece, room);
        out.put(piece, n);
        done += used;
        if (used == 0) return false;  // the next character does not fit
    }
    return out.remaining() > 0;
}

}  // namespace

long ConvertText(const char* source, std::size_t length, const wchar_t* sourceEncoding, char* destination,
                 std::size_t capacity, const wchar_t* destinationEncoding) {
    std::size_t written = 0;
    try {
        Held<CharToByteConverter> encoder;
        Held<ByteToCharConverter> decoder;
        encoder.converter = CharToByteConverter::getConverter(destinationEncoding);
        decoder.converter = ByteToCharConverter::getConverter(sourceEncoding);
        qs::CQSByteBuffer in(const_cast<char*>(source), length, kByteOrder, false);
        qs::CQSByteBuffer out(destination, capacity, kByteOrder, true);
        unsigned char bytes[kPass];
        wchar_t units[kPass];
        std::size_t carried = 0;
        bool room = capacity > 0;
        while (room && (in.remaining() > 0 || carried > 0)) {
            // A pass holds at most kPass bytes, carried ones first, so it never decodes to
            // more units than the unit buffer holds.
            std::size_t n = carried + in.get(bytes + carried, kPass - carried);
            std::size_t used = 0;
            std::size_t count = decoder.converter->convert(bytes, n, &used, units, kPass);
            if (used == 0 && in.remaining() == 0) {
                // The text ends inside a multi-byte sequence: it stands for one unknown character.
                units[0] = 0xFFFD;
                count = 1;
                used = n;
            }
            carried = n - used;
            std::memmove(bytes, bytes + used, carried);
            room = Encode(*encoder.converter, units, count, out);
            written = out.position();
        }
        if (room) {
            unsigned char tail[kPass];
            std::size_t n = encoder.converter->flush(tail, out.remaining() < kPass ? out.remaining() : kPass);
            out.put(tail, n);
            written = out.position();
        }
        return static_cast<long>(written);
    } catch (const qs::ResultException& e) {
        return e.getStatus() < 0 ? -1 : static_cast<long>(written);
    } catch (...) {
        return -1;
    }
}

namespace {

bool ConvertWhole(const char* source, const wchar_t* from, char* destination, std::size_t capacity, const wchar_t* to) {
    if (destination == nullptr || capacity == 0) return false;
    if (source == nullptr) source = "";
    std::size_t length = std::strlen(source) + 1;
    // Three bytes per source byte hold any of these conversions, terminator included.
    std::size_t limit = capacity < 3 * length ? capacity : 3 * length;
    long n = ConvertText(source, length, from, destination, limit, to);
    bool whole = n > 0 && static_cast<std::size_t>(n) <= limit && destination[n - 1] == 0;
    if (!whole) destination[0] = 0;
    return whole;
}

}  // namespace

bool AnsiToUtf8(char* destination, std::size_t capacity, const char* source) {
    return ConvertWhole(source, Encodings.defaultEncoding.c_str(), destination, capacity, kUtf8Encoding);
}
bool Utf8ToAnsi(char* destination, std::size_t capacity, const char* source) {
    return ConvertWhole(source, kUtf8Encoding, destination, capacity, Encodings.defaultEncoding.c_str());
}
bool OemToUtf8(char* destination, std::size_t capacity, const char* source) {
    return ConvertWhole(source, Encodings.oemEncoding.c_str(), destination, capacity, kUtf8Encoding);
}
bool Utf8ToOem(char* destination, std::size_t capacity, const char* source) {
    return ConvertWhole(source, kUtf8Encoding, destination, capacity, Encodings.oemEncoding.c_str());
}
