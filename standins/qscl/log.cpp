// Logger, log entries and the log writer base of the class-library stand-in.
#define QSCL_BUILD
#include "platform/qscl.h"

#include <windows.h>

#include <cwchar>

namespace qs {
namespace log {

namespace {

const wchar_t* const kPropertyNames[] = {L"name", L"text", L"level", L"timestamp", L"sequence", L"thread"};

int PropertyIndex(const wchar_t* name) {
    for (int i = 0; i < 6; ++i)
        if (name && std::wcscmp(name, kPropertyNames[i]) == 0) return i;
    return -1;
}

// Local time as "YYYY-MM-DD hh:mm:ss.mmm" (23 characters; the log reserves 27).
String Timestamp() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    wchar_t text[32];
    std::swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond, t.wMilliseconds);
    return String(text);
}

}  // namespace

LogEntry::LogEntry() : present_{} {}

bool LogEntry::getProperty(const wchar_t* name, String& value) const {
    int i = PropertyIndex(name);
    if (i < 0 || !present_[i]) return false;
    value = values_[i];
    return true;
}

void LogEntry::setProperty(const wchar_t* name, const String& value) {
    int i = PropertyIndex(name);
    if (i < 0) throw ResultException(static_cast<std::int32_t>(E_INVALIDARG));
    values_[i] = value;
    present_[i] = true;
}

AbstractLogWriter::AbstractLogWriter(io::Writer* writer) : writer_(writer) {
    if (writer_ == nullptr) throw ResultException(static_cast<std::int32_t>(E_POINTER));
    writer_->AddRef();
}

AbstractLogWriter::~AbstractLogWriter() {
    if (writer_) writer_->Release();
}

void AbstractLogWriter::process(const LogEntry& entry) {
    String line;
    formatEntry(entry, line);
    writer_->write(line);
    writer_->flush();  // one entry, one write: lines of several processes never interleave
}

void AbstractLogWriter::flush() { writer_->flush(); }

Logger::Logger(const String& name) : name_(name), processor_(nullptr), enabled_(false), fields_{}, sequence_(0) {
    fields_[Timestamp] = fields_[LevelField] = fields_[Text] = true;
}

Logger::~Logger() {
    if (processor_) processor_->Release();
}

Logger* Logger::create(const String& name) { return new Logger(name); }

void Logger::setProcessor(ILogProcessor* processor) {
    if (processor) processor->AddRef();
    if (processor_) processor_->Release();
    processor_ = processor;
}

void Logger::setEnabled(bool enabled) { enabled_ = enabled; }

void Logger::setFieldEnabled(Field field, bool enabled) {
    if (field < Sequence || field > Text) throw ResultException(static_cast<std::int32_t>(E_INVALIDARG));
    fields_[field] = enabled;
}

const String& Logger::getName() const { return name_; }

void Logger::log(std::int32_t level, const String& text) {
    long sequence = InterlockedIncrement(&sequence_);
    if (!enabled_ || processor_ == nullptr) return;
    LogEntry entry;
    entry.setProperty(L"name", name_);
    if (fields_[Text]) entry.setProperty(L"text", text);
    if (fields_[LevelField]) entry.setProperty(L"level", String::valueOf(level));
    if (fields_[Timestamp]) entry.setProperty(L"timestamp", log::Timestamp());
    if (fields_[Sequence]) entry.setProperty(L"sequence", String::valueOf(sequence));
    if (fields_[Thread]) entry.setProperty(L"thread", String::valueOf(GetCurrentThreadId()));
    processor_->process(entry);
}

}  // namespace log
}  // namespace qs
