// The stand-in server's own reading and writing of the packed records: little-endian fields
// and length-prefixed texts (16-bit length counting itself, the text and its zero). Written
// apart from the product's reader and writer, so that a layout mistake made in one of them
// cannot pass unnoticed through both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// A request as the server receives it; every read stays inside it.
class Incoming {
public:
    Incoming(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool holds(std::size_t at, std::size_t n) const { return at <= size_ && n <= size_ - at; }
    unsigned u16(std::size_t at) const { return holds(at, 2) ? data_[at] | data_[at + 1] << 8 : 0; }
    // The text of up to limit bytes at at, ending at its zero or at the record's end.
    std::string text(std::size_t at, std::size_t limit) const {
        std::string out;
        for (std::size_t i = at; i < size_ && i - at < limit && data_[i] != 0; ++i) out.push_back(char(data_[i]));
        return out;
    }
    // The length-prefixed text at at; false when the record does not hold a whole one.
    bool item(std::size_t at, std::string& out, std::size_t* next = nullptr) const {
        unsigned length = u16(at);
        if (length < 3 || !holds(at, length)) return false;
        out = text(at + 2, length - 2);
        if (next) *next = at + length;
        return true;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// An answer as the server lays it out; writes past its end are dropped and remembered.
class Outgoing {
public:
    Outgoing(std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool ok() const { return ok_; }
    std::size_t position() const { return at_; }
    void moveTo(std::size_t at) { if (at > size_) ok_ = false; else at_ = at; }
    void bytes(const void* p, std::size_t n) {
        if (!ok_ || n > size_ - at_) { ok_ = false; return; }
        std::memcpy(data_ + at_, p, n);
        at_ += n;
    }
    void u16(unsigned v) { const std::uint8_t b[2] = {std::uint8_t(v), std::uint8_t(v >> 8)}; bytes(b, 2); }
    void u32(std::uint32_t v) {
        const std::uint8_t b[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
        bytes(b, 4);
    }
    void item(const std::string& text) {
        u16(static_cast<unsigned>(text.size() + 3));
        bytes(text.c_str(), text.size() + 1);
    }

private:
    std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    bool ok_ = true;
};
