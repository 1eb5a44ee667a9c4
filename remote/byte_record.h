// Bounds-checked access to packed little-endian records. Every read and write checks the
// record's size; a failed access writes nothing, reads zero and marks the cursor bad.
// Windows-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

class ByteWriter {
public:
    ByteWriter(std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }
    std::size_t position() const { return pos_; }
    void seek(std::size_t pos) { if (pos > size_) ok_ = false; else pos_ = pos; }

    void put16(std::uint16_t v) { std::uint8_t b[2] = {std::uint8_t(v), std::uint8_t(v >> 8)}; put(b, 2); }
    void put32(std::uint32_t v) {
        std::uint8_t b[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
        put(b, 4);
    }
    void put(const void* bytes, std::size_t n) {
        if (!ok_ || n > size_ - pos_) { ok_ = false; return; }
        if (n) std::memcpy(data_ + pos_, bytes, n);
        pos_ += n;
    }
    void skip(std::size_t n) { if (!ok_ || n > size_ - pos_) ok_ = false; else pos_ += n; }
    // A 16-bit length field. A length it cannot carry would make the record lie about its
    // own size: it is refused, and the writer is bad from then on.
    void putLength16(std::uint64_t length) {
        if (length > kMostLength16) { ok_ = false; return; }
        put16(static_cast<std::uint16_t>(length));
    }
    // A length-prefixed string: 16-bit length (text + 3), the text, its zero.
    void putItem(const char* text, std::size_t length) {
        putLength16(static_cast<std::uint64_t>(length) + 3);
        put(text, length);
        std::uint8_t zero = 0;
        put(&zero, 1);
    }

    static constexpr std::uint64_t kMostLength16 = 0xFFFF;

private:
    std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t size() const { return size_; }
    bool has(std::size_t offset, std::size_t n) const { return offset <= size_ && n <= size_ - offset; }

    std::uint16_t get16(std::size_t offset) const {
        return has(offset, 2) ? std::uint16_t(data_[offset] | data_[offset + 1] << 8) : 0;
    }
    std::uint32_t get32(std::size_t offset) const {
        return has(offset, 4) ? std::uint32_t(data_[offset]) | std::uint32_t(data_[offset + 1]) << 8 |
                                    std::uint32_t(data_[offset + 2]) << 16 | std::uint32_t(data_[offset + 3]) << 24
                              : 0;
    }
    // Copies bytes; false (and nothing copied) when they are not all inside the record.
    bool copy(std::size_t offset, void* out, std::size_t n) const {
        if (!has(offset, n)) return false;
        if (n) std::memcpy(out, data_ + offset, n);
        return true;
    }
    // The zero-terminated text at offset, limited to the record, to limit bytes and to the
    // output's capacity (always terminated). Returns the text's length.
    std::size_t copyText(std::size_t offset, std::size_t limit, char* out, std::size_t capacity) const {
        if (capacity == 0) return 0;
        std::size_t n = 0;
        if (offset < size_) {
            std::size_t room = size_ - offset;
            if (limit < room) room = limit;
            if (capacity - 1 < room) room = capacity - 1;
            const void* zero = std::memchr(data_ + offset, 0, room);
            n = zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - (data_ + offset)) : room;
            std::memcpy(out, data_ + offset, n);
        }
        out[n] = 0;
        return n;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};
