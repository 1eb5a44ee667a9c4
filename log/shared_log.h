// The product's shared log file "qmsw.log", appended by every component and process.
// No failure leaves the facility: opening and writing answer 0x80004005 at worst.
#pragma once

#include <cstdint>

namespace qs {
class String;
namespace log { class Logger; }
namespace i18n { class StringBundle; }
namespace io { class FileOutputStream; class OutputStreamWriter; }
}  // namespace qs
class QmswLogWriter;

struct SharedLog {
    qs::log::Logger* logger;
    qs::i18n::StringBundle* bundle;
    qs::io::FileOutputStream* stream;
    qs::io::OutputStreamWriter* writer;
    QmswLogWriter* processor;
    std::uint32_t useCount;
    std::uint32_t processId;
};

// Opens the log for a component (or counts one more open through the same holder).
std::int32_t OpenSharedLog(SharedLog** holder, const wchar_t* bundleName, const wchar_t* componentName,
                           const wchar_t* fileName);
// Adds a line: level 1 information, 2 warning, 4 error.
std::int32_t WriteLogMessage(SharedLog* log, std::int32_t level, const char* text);
// Counts one open down; the last close releases the log and empties the holder. Always 0.
std::int32_t CloseSharedLog(SharedLog** holder);

// The log directory: recorded as "EventLogDirectory", or chosen, recorded and created.
std::int32_t GetLogDirectory(wchar_t* buffer, std::uint32_t capacity);

extern const wchar_t kEventLogSettingsKey[];
