// qs::String of the class-library stand-in.
#define QSCL_BUILD
#include "platform/qscl.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <cwctype>

#include "platform/qscore.h"

namespace qs {

String::String() : chars_(nullptr), length_(0), capacity_(0) { reserve(0); }

String::String(const wchar_t* text) : String(text, text ? std::wcslen(text) : 0) {}

String::String(const wchar_t* text, std::size_t length) : chars_(nullptr), length_(0), capacity_(0) {
    reserve(length);
    if (length) std::wmemcpy(chars_, text, length);
    length_ = length;
    chars_[length_] = 0;
}

String::String(const char* text) : chars_(nullptr), length_(0), capacity_(0) {
    int n = text ? MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0) : 0;
    reserve(n > 0 ? static_cast<std::size_t>(n) : 0);
    if (n > 1) {
        MultiByteToWideChar(CP_ACP, 0, text, -1, chars_, n);
        length_ = static_cast<std::size_t>(n - 1);
    }
    chars_[length_] = 0;
}

String::String(const String& other) : String(other.chars_, other.length_) {}

String& String::operator=(const String& other) {
    if (this != &other) {
        length_ = 0;
        append(other.chars_, other.length_);
    }
    return *this;
}

String::~String() { QSMemFree(chars_); }

void String::reserve(std::size_t length) {
    if (chars_ != nullptr && length < capacity_) return;
    std::size_t capacity = capacity_ ? capacity_ : 16;
    while (capacity <= length) capacity *= 2;
    auto* grown = static_cast<wchar_t*>(QSMemAlloc(capacity * sizeof(wchar_t)));
    if (grown == nullptr) throw ResultException(static_cast<std::int32_t>(E_OUTOFMEMORY));
    if (chars_ != nullptr) std::wmemcpy(grown, chars_, length_ + 1);
    else grown[0] = 0;
    QSMemFree(chars_);
    chars_ = grown;
    capacity_ = capacity;
}

std::size_t String::getLength() const { return length_; }
const wchar_t* String::getChars() const { return chars_; }
wchar_t String::charAt(std::size_t index) const { return index < length_ ? chars_[index] : 0; }

String& String::append(const String& other) {
    String copy(other);  // other may be this string
    return append(copy.chars_, copy.length_);
}

String& String::append(const wchar_t* text, std::size_t length) {
    reserve(length_ + length);
    if (length) std::wmemmove(chars_ + length_, text, length);
    length_ += length;
    chars_[length_] = 0;
    return *this;
}

String& String::append(wchar_t c, std::size_t count) {
    reserve(length_ + count);
    for (std::size_t i = 0; i < count; ++i) chars_[length_++] = c;
    chars_[length_] = 0;
    return *this;
}

String& String::replace(std::size_t start, std::size_t count, const String& with) {
    if (start > length_) start = length_;
    if (count > length_ - start) count = length_ - start;
    String result(chars_, start);
    result.append(with).append(chars_ + start + count, length_ - start - count);
    return *this = result;
}

bool String::regionMatches(std::size_t offset, const String& other, std::size_t otherOffset, std::size_t length,
                           bool ignoreCase) const {
    if (offset > length_ || otherOffset > other.length_) return false;
    if (length > length_ - offset || length > other.length_ - otherOffset) return false;
    for (std::size_t i = 0; i < length; ++i) {
        wchar_t a = chars_[offset + i], b = other.chars_[otherOffset + i];
        if (ignoreCase) { a = static_cast<wchar_t>(std::towlower(a)); b = static_cast<wchar_t>(std::towlower(b)); }
        if (a != b) return false;
    }
    return true;
}

bool String::equals(const String& other) const {
    return length_ == other.length_ && regionMatches(0, other, 0, length_);
}

String String::valueOf(std::int64_t number) {
    wchar_t digits[24];
    std::swprintf(digits, 24, L"%lld", static_cast<long long>(number));
    return String(digits);
}

}  // namespace qs
