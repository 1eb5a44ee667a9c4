// The product's class library w64qscl3.dll (namespace qs), imported at load time.
// Objects are reference counted (AddRef/Release); failures throw qs::ResultException,
// which every caller in this system catches where it makes the call.
#pragma once

#include <cstddef>
#include <cstdint>

#if !defined(_WIN32)
#define QSCL_API  // the native build compiles the converters into the program itself
#elif defined(QSCL_BUILD)
#define QSCL_API __declspec(dllexport)
#else
#define QSCL_API __declspec(dllimport)
#endif

// One encoding as QSEnumerateEncInfo lists it: 16 bytes.
struct QSEncodingInfo {
    const wchar_t* name;  // zero-terminated; valid for the life of the process
    std::uint32_t codePage;
    std::uint32_t reserved;
};

// Without records: the number of encodings in *count and the answer 0x80004009. With an
// array of *count records: fills them (at most *count) and answers a non-negative status.
// A negative answer is a failure.
extern "C" QSCL_API std::int32_t QSEnumerateEncInfo(std::int32_t* count, QSEncodingInfo* records);
constexpr std::int32_t kEncodingCountAnswer = static_cast<std::int32_t>(0x80004009);

namespace qs {

class QSCL_API ResultException {
public:
    explicit ResultException(std::int32_t status);
    std::int32_t getStatus() const;

private:
    std::int32_t status_;
};

// A wide string; its memory comes from the portability library's allocator.
class QSCL_API String {
public:
    String();
    String(const wchar_t* text);
    String(const wchar_t* text, std::size_t length);
    String(const char* text);  // 8-bit text in the ANSI code page
    String(const String& other);
    String& operator=(const String& other);
    ~String();

    std::size_t getLength() const;
    const wchar_t* getChars() const;  // always terminated
    wchar_t charAt(std::size_t index) const;

    String& append(const String& other);
    String& append(const wchar_t* text, std::size_t length);
    String& append(wchar_t c, std::size_t count = 1);
    // Replaces count characters from start (both clipped to the string) with the other text.
    String& replace(std::size_t start, std::size_t count, const String& with);
    bool regionMatches(std::size_t offset, const String& other, std::size_t otherOffset, std::size_t length,
                       bool ignoreCase = false) const;
    bool equals(const String& other) const;
    static String valueOf(std::int64_t number);

private:
    void reserve(std::size_t length);
    wchar_t* chars_;
    std::size_t length_;
    std::size_t capacity_;
};

// Base of every shared object: created with one reference, destroyed at the last Release.
class QSCL_API ComObject {
public:
    ComObject();
    // Objects live in the portability library's memory, whichever module creates them.
    static void* operator new(std::size_t size);
    static void operator delete(void* block);
    virtual std::uint32_t AddRef();
    virtual std::uint32_t Release();

protected:
    virtual ~ComObject();

private:
    volatile long references_;
};

// A cursor over a caller's byte block: get reads from the cursor, put writes at it (only
// when the buffer was made writable); both stop at the block's end and answer the number
// of bytes moved.
class QSCL_API CQSByteBuffer {
public:
    enum ByteOrder : std::int32_t { BigEndian = 1, LittleEndian = 2 };
    CQSByteBuffer(void* bytes, std::size_t size, std::int32_t byteOrder, bool writable);
    std::size_t get(void* into, std::size_t count);
    std::size_t put(const void* from, std::size_t count);  // throws ResultException when read-only
    std::size_t position() const { return position_; }
    std::size_t remaining() const { return size_ - position_; }
    std::int32_t byteOrder() const { return byteOrder_; }

private:
    unsigned char* bytes_;
    std::size_t size_;
    std::size_t position_;
    std::int32_t byteOrder_;
    bool writable_;
};

namespace text {
namespace charset {

// The status of the exception that getConverter throws for an encoding it does not know.
constexpr std::int32_t kUnknownEncoding = static_cast<std::int32_t>(0x80070459);  // no mapping for the encoding

// UTF-16 units to the bytes of an encoding. Characters the encoding lacks become its
// replacement byte ("?"); a character is never written in part: what does not fit stays
// unconsumed. A high surrogate at the end of the input waits for its partner (or flush).
class QSCL_API CharToByteConverter : public ComObject {
public:
    static CharToByteConverter* getConverter(const wchar_t* encoding);  // one reference; throws
    virtual std::size_t convert(const wchar_t* units, std::size_t count, std::size_t* used, unsigned char* bytes,
                                std::size_t capacity) = 0;
    virtual std::size_t flush(unsigned char* bytes, std::size_t capacity) = 0;
};

// Bytes of an encoding to UTF-16 units. An incomplete multi-byte sequence at the end of the
// input stays unconsumed for the caller to carry into the next call; an invalid byte
// becomes U+FFFD.
class QSCL_API ByteToCharConverter : public ComObject {
public:
    static ByteToCharConverter* getConverter(const wchar_t* encoding);  // one reference; throws
    virtual std::size_t convert(const unsigned char* bytes, std::size_t count, std::size_t* used, wchar_t* units,
                                std::size_t capacity) = 0;
};

}  // namespace charset
}  // namespace text

namespace io {

class QSCL_API OutputStream : public ComObject {
public:
    virtual void write(const void* bytes, std::size_t length) = 0;
    virtual void flush();
    virtual void close() = 0;
};

// Open modes (bits). Mode 10 = Append | Lock: every write lands at the file's end, under a
// lock that all processes opening the same path share.
enum FileMode : std::int32_t { Truncate = 1, Append = 2, Lock = 8 };

class QSCL_API FileOutputStream : public OutputStream {
public:
    FileOutputStream(const String& path, std::int32_t mode);  // throws ResultException
    void write(const void* bytes, std::size_t length) override;
    void close() override;
    void wait();    // takes the inter-process lock (recursive within a thread)
    void signal();  // releases it
    std::uint64_t getSize();

protected:
    ~FileOutputStream() override;

private:
    void* file_;
    void* lock_;
    std::int32_t mode_;
};

class QSCL_API Writer : public ComObject {
public:
    virtual void write(const String& text) = 0;
    virtual void flush() = 0;
    virtual void close() = 0;
};

// Text to bytes of a named encoding ("UTF-8" or "UTF-16LE"). A text is never split across
// two stream writes: what does not fit the buffer is flushed and written whole.
class QSCL_API OutputStreamWriter : public Writer {
public:
    OutputStreamWriter(OutputStream* stream, const char* encoding, std::size_t bufferCharacters);
    void write(const String& text) override;
    void flush() override;
    void close() override;

protected:
    ~OutputStreamWriter() override;

private:
    void encodeInto(const wchar_t* text, std::size_t length);
    OutputStream* stream_;
    bool utf16_;
    std::size_t bufferCharacters_;
    std::size_t pendingCharacters_;
    char* bytes_;
    std::size_t byteLength_;
    std::size_t byteCapacity_;
};

}  // namespace io

namespace log {

enum Level : std::int32_t { Information = 1, Warning = 2, Error = 4 };

// One entry as a set of named properties: "name", "text", "level", "timestamp",
// "sequence", "thread". A property whose field is switched off is absent.
class QSCL_API LogEntry {
public:
    LogEntry();
    bool getProperty(const wchar_t* name, String& value) const;
    void setProperty(const wchar_t* name, const String& value);

private:
    static constexpr int kProperties = 6;
    bool present_[kProperties];
    String values_[kProperties];
};

class QSCL_API ILogProcessor : public ComObject {
public:
    virtual void process(const LogEntry& entry) = 0;
    virtual void flush() = 0;
};

// Formats each entry with formatEntry and writes it to the writer, one whole line per write.
class QSCL_API AbstractLogWriter : public ILogProcessor {
public:
    explicit AbstractLogWriter(io::Writer* writer);
    void process(const LogEntry& entry) override;
    void flush() override;
    virtual void formatEntry(const LogEntry& entry, String& line) = 0;

protected:
    ~AbstractLogWriter() override;
    io::Writer* writer_;
};

class QSCL_API Logger : public ComObject {
public:
    enum Field : std::int32_t { Sequence, Thread, Timestamp, LevelField, Text };
    static Logger* create(const String& name);  // one reference; throws ResultException
    void setProcessor(ILogProcessor* processor);
    void setEnabled(bool enabled);
    void setFieldEnabled(Field field, bool enabled);
    const String& getName() const;
    // Hands the entry to the processor when enabled; a processor's failure is thrown.
    void log(std::int32_t level, const String& text);

protected:
    ~Logger() override;

private:
    explicit Logger(const String& name);
    String name_;
    ILogProcessor* processor_;
    bool enabled_;
    bool fields_[5];
    volatile long sequence_;
};

}  // namespace log

namespace i18n {

// Messages by key, from "<name>.properties" (key=value lines, UTF-8) beside the class
// library or in the working directory; a key not found reads as itself.
class QSCL_API StringBundle : public ComObject {
public:
    static StringBundle* getBundle(const String& name);  // throws ResultException when not found
    String getString(const wchar_t* key) const;

protected:
    ~StringBundle() override;

private:
    StringBundle();
    struct Entry;
    Entry* entries_;
    std::size_t count_;
};

}  // namespace i18n
}  // namespace qs
