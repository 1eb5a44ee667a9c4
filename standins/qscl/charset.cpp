// The class library's character converters and byte buffer. Windows-free: the native build
// compiles them for the conversion's tests and fuzzers.
#define QSCL_BUILD
#include "platform/qscl.h"

#include <cctype>
#include <cstring>
#include <cwctype>
#include <memory>
#include <new>

#include "standins/qscl/codecs.h"

namespace qs {

namespace {

constexpr std::int32_t kNotWritable = static_cast<std::int32_t>(0x80070005);  // access denied

}  // namespace

CQSByteBuffer::CQSByteBuffer(void* bytes, std::size_t size, std::int32_t byteOrder, bool writable)
    : bytes_(static_cast<unsigned char*>(bytes)), size_(bytes ? size : 0), position_(0), byteOrder_(byteOrder),
      writable_(writable) {}

std::size_t CQSByteBuffer::get(void* into, std::size_t count) {
    if (count > remaining()) count = remaining();
    if (count) std::memcpy(into, bytes_ + position_, count);
    position_ += count;
    return count;
}

std::size_t CQSByteBuffer::put(const void* from, std::size_t count) {
    if (!writable_) throw ResultException(kNotWritable);
    if (count > remaining()) count = remaining();
    if (count) std::memcpy(bytes_ + position_, from, count);
    position_ += count;
    return count;
}

namespace text {
namespace charset {

namespace {

// Encoding names, compared without regard to case: "UTF-8", "ISO-8859-1", "CP<n>" and
// "windows-<n>" (the form the portability library reports the default encoding in).
enum class Kind { Unknown, Utf8, Latin1, CodePage };

// What follows prefix at the start of name (compared without regard to case), or null.
const wchar_t* AfterPrefix(const wchar_t* name, const char* prefix) {
    for (; *prefix; ++name, ++prefix)
        if (*name == 0 ||
            std::towlower(static_cast<wint_t>(*name)) != static_cast<wint_t>(std::tolower(static_cast<unsigned char>(*prefix))))
            return nullptr;
    return name;
}

bool Equal(const wchar_t* name, const char* text) {
    const wchar_t* rest = AfterPrefix(name, text);
    return rest != nullptr && *rest == 0;
}

// The number after a prefix, 1 to 65535 in decimal; 0 when the text is not prefix + number.
unsigned NumberAfter(const wchar_t* name, const char* prefix) {
    const wchar_t* digits = AfterPrefix(name, prefix);
    if (digits == nullptr || *digits == 0) return 0;
    unsigned value = 0;
    for (; *digits; ++digits) {
        if (*digits < L'0' || *digits > L'9') return 0;
        value = value * 10 + static_cast<unsigned>(*digits - L'0');
        if (value > 65535) return 0;
    }
    return value;
}

constexpr unsigned kUtf8CodePage = 65001;
constexpr unsigned kLatin1CodePage = 28591;

Kind Classify(const wchar_t* name, unsigned* codePage) {
    if (name == nullptr) return Kind::Unknown;
    if (Equal(name, "UTF-8") || Equal(name, "UTF8")) return Kind::Utf8;
    if (Equal(name, "ISO-8859-1") || Equal(name, "ISO8859-1") || Equal(name, "ISO8859_1")) return Kind::Latin1;
    *codePage = NumberAfter(name, "CP");
    if (*codePage == 0) *codePage = NumberAfter(name, "windows-");
    if (*codePage == kUtf8CodePage) return Kind::Utf8;
    if (*codePage == kLatin1CodePage) return Kind::Latin1;
    return *codePage ? Kind::CodePage : Kind::Unknown;
}

std::shared_ptr<const qscl::CodePageTable> TableFor(const wchar_t* name, bool* utf8) {
    unsigned codePage = 0;
    Kind kind = Classify(name, &codePage);
    *utf8 = kind == Kind::Utf8;
    if (kind == Kind::Utf8) return nullptr;
    if (kind == Kind::Latin1) return std::shared_ptr<const qscl::CodePageTable>(&qscl::Latin1Table(), [](const qscl::CodePageTable*) {});
    auto table = kind == Kind::CodePage ? qscl::SharedCodePageTable(codePage) : nullptr;
    if (!table) throw ResultException(kUnknownEncoding);
    return table;
}

// wchar_t holds UTF-16 units in both builds (16 bits under Windows, 32 in the native one).
class Encoder : public CharToByteConverter {
public:
    Encoder(bool utf8, std::shared_ptr<const qscl::CodePageTable> table) : utf8_(utf8), table_(std::move(table)) {}
    std::size_t convert(const wchar_t* units, std::size_t count, std::size_t* used, unsigned char* bytes,
                        std::size_t capacity) override {
        std::size_t done = 0, written = 0;
        char16_t piece[256];
        while (done < count) {
            std::size_t n = count - done < 256 ? count - done : 256;
            for (std::size_t i = 0; i < n; ++i) piece[i] = static_cast<char16_t>(units[done + i]);
            // A pair cut by the piece's end is finished in the next piece.
            if (n == 256 && piece[255] >= 0xD800 && piece[255] <= 0xDBFF && done + n < count) --n;
            std::size_t took = 0;
            written += utf8_ ? qscl::EncodeUtf8(piece, n, &took, bytes + written, capacity - written)
                             : qscl::EncodeTable(*table_, piece, n, &took, bytes + written, capacity - written);
            done += took;
            if (took < n) break;
        }
        *used = done;
        return written;
    }
    std::size_t flush(unsigned char*, std::size_t) override { return 0; }  // keeps no state between calls

private:
    bool utf8_;
    std::shared_ptr<const qscl::CodePageTable> table_;
};

class Decoder : public ByteToCharConverter {
public:
    Decoder(bool utf8, std::shared_ptr<const qscl::CodePageTable> table) : utf8_(utf8), table_(std::move(table)) {}
    std::size_t convert(const unsigned char* bytes, std::size_t count, std::size_t* used, wchar_t* units,
                        std::size_t capacity) override {
        std::size_t done = 0, written = 0;
        char16_t piece[256];
        while (done < count && written < capacity) {
            std::size_t room = capacity - written < 256 ? capacity - written : 256;
            std::size_t took = 0;
            std::size_t n = utf8_ ? qscl::DecodeUtf8(bytes + done, count - done, &took, piece, room)
                                  : qscl::DecodeTable(*table_, bytes + done, count - done, &took, piece, room);
            for (std::size_t i = 0; i < n; ++i) units[written + i] = static_cast<wchar_t>(piece[i]);
            written += n;
            done += took;
            if (took == 0) break;
        }
        *used = done;
        return written;
    }

private:
    bool utf8_;
    std::shared_ptr<const qscl::CodePageTable> table_;
};

}  // namespace

CharToByteConverter* CharToByteConverter::getConverter(const wchar_t* encoding) {
    bool utf8 = false;
    auto table = TableFor(encoding, &utf8);
    return new Encoder(utf8, std::move(table));
}

ByteToCharConverter* ByteToCharConverter::getConverter(const wchar_t* encoding) {
    bool utf8 = false;
    auto table = TableFor(encoding, &utf8);
    return new Decoder(utf8, std::move(table));
}

}  // namespace charset
}  // namespace text
}  // namespace qs
