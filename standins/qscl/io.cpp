// File and text streams of the class-library stand-in.
#define QSCL_BUILD
#include "platform/qscl.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>

namespace qs {
namespace io {

namespace {

[[noreturn]] void ThrowLastError() {
    DWORD e = GetLastError();
    throw ResultException(e ? static_cast<std::int32_t>(HRESULT_FROM_WIN32(e)) : static_cast<std::int32_t>(E_FAIL));
}

// Every process that opens the same file shares one named mutex; its name is a hash of
// the full path without regard to case (mutex names cannot hold backslashes).
HANDLE OpenFileLock(const wchar_t* path) {
    wchar_t full[MAX_PATH * 2];
    DWORD n = GetFullPathNameW(path, MAX_PATH * 2, full, nullptr);
    if (n == 0 || n >= MAX_PATH * 2) ThrowLastError();
    unsigned long long hash = 1469598103934665603ULL;
    for (DWORD i = 0; i < n; ++i) {
        hash ^= static_cast<unsigned long long>(std::towlower(full[i]));
        hash *= 1099511628211ULL;
    }
    wchar_t name[64];
    std::swprintf(name, 64, L"QsFileLock-%016llx", hash);
    HANDLE lock = CreateMutexW(nullptr, FALSE, name);
    if (lock == nullptr) ThrowLastError();
    return lock;
}

}  // namespace

void OutputStream::flush() {}

FileOutputStream::FileOutputStream(const String& path, std::int32_t mode) : file_(nullptr), lock_(nullptr), mode_(mode) {
    DWORD disposition = (mode & Truncate) ? CREATE_ALWAYS : OPEN_ALWAYS;
    HANDLE file = CreateFileW(path.getChars(), GENERIC_WRITE | GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) ThrowLastError();
    file_ = file;
    if (mode & Lock) {
        try {
            lock_ = OpenFileLock(path.getChars());
        } catch (...) {
            CloseHandle(file);
            throw;
        }
    }
}

FileOutputStream::~FileOutputStream() { close(); }

void FileOutputStream::wait() {
    if (lock_ == nullptr) return;
    DWORD r = WaitForSingleObject(lock_, INFINITE);
    if (r != WAIT_OBJECT_0 && r != WAIT_ABANDONED) ThrowLastError();
}

void FileOutputStream::signal() {
    if (lock_ != nullptr) ReleaseMutex(lock_);
}

std::uint64_t FileOutputStream::getSize() {
    LARGE_INTEGER size;
    if (file_ == nullptr || !GetFileSizeEx(file_, &size)) ThrowLastError();
    return static_cast<std::uint64_t>(size.QuadPart);
}

void FileOutputStream::write(const void* bytes, std::size_t length) {
    if (file_ == nullptr) throw ResultException(static_cast<std::int32_t>(E_HANDLE));
    wait();
    bool ok = true;
    if (mode_ & Append) {
        LARGE_INTEGER zero = {};
        ok = SetFilePointerEx(file_, zero, nullptr, FILE_END) != 0;
    }
    const char* p = static_cast<const char*>(bytes);
    while (ok && length > 0) {
        DWORD chunk = length > 0x10000000 ? 0x10000000 : static_cast<DWORD>(length);
        DWORD written = 0;
        ok = WriteFile(file_, p, chunk, &written, nullptr) && written > 0;
        p += written;
        length -= written;
    }
    DWORD error = GetLastError();
    signal();
    if (!ok) {
        SetLastError(error);
        ThrowLastError();
    }
}

void FileOutputStream::close() {
    if (file_ != nullptr) CloseHandle(file_);
    if (lock_ != nullptr) CloseHandle(lock_);
    file_ = nullptr;
    lock_ = nullptr;
}

OutputStreamWriter::OutputStreamWriter(OutputStream* stream, const char* encoding, std::size_t bufferCharacters)
    : stream_(stream), utf16_(false), bufferCharacters_(bufferCharacters ? bufferCharacters : 1),
      pendingCharacters_(0), bytes_(nullptr), byteLength_(0), byteCapacity_(0) {
    if (stream == nullptr || encoding == nullptr) throw ResultException(static_cast<std::int32_t>(E_POINTER));
    if (_stricmp(encoding, "UTF-16LE") == 0) utf16_ = true;
    else if (_stricmp(encoding, "UTF-8") != 0) throw ResultException(static_cast<std::int32_t>(E_INVALIDARG));
    stream_->AddRef();
}

OutputStreamWriter::~OutputStreamWriter() {
    try {
        flush();
    } catch (const ResultException&) {
        // the text could not be written; the writer goes away all the same
    }
    std::free(bytes_);
    if (stream_) stream_->Release();
}

void OutputStreamWriter::encodeInto(const wchar_t* text, std::size_t length) {
    std::size_t most = utf16_ ? length * 2 : length * 3;
    if (byteLength_ + most > byteCapacity_) {
        std::size_t capacity = (byteLength_ + most) * 2 + 64;
        char* grown = static_cast<char*>(std::realloc(bytes_, capacity));
        if (grown == nullptr) throw ResultException(static_cast<std::int32_t>(E_OUTOFMEMORY));
        bytes_ = grown;
        byteCapacity_ = capacity;
    }
    if (utf16_) {
        std::memcpy(bytes_ + byteLength_, text, length * 2);
        byteLength_ += length * 2;
    } else if (length > 0) {
        int n = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), bytes_ + byteLength_,
                                    static_cast<int>(byteCapacity_ - byteLength_), nullptr, nullptr);
        if (n <= 0) ThrowLastError();
        byteLength_ += static_cast<std::size_t>(n);
    }
}

void OutputStreamWriter::write(const String& text) {
    if (stream_ == nullptr) throw ResultException(static_cast<std::int32_t>(E_HANDLE));
    if (pendingCharacters_ + text.getLength() > bufferCharacters_) flush();
    encodeInto(text.getChars(), text.getLength());
    pendingCharacters_ += text.getLength();
    if (pendingCharacters_ >= bufferCharacters_) flush();  // a long text goes out whole, in one write
}

void OutputStreamWriter::flush() {
    if (byteLength_ > 0 && stream_ != nullptr) {
        std::size_t n = byteLength_;
        byteLength_ = 0;
        pendingCharacters_ = 0;
        stream_->write(bytes_, n);
    }
    if (stream_) stream_->flush();
}

void OutputStreamWriter::close() {
    if (stream_ == nullptr) return;
    flush();
    stream_->close();
}

}  // namespace io
}  // namespace qs
