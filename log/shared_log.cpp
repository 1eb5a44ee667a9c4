#include "log/shared_log.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <new>

#include "log/log_line.h"
#include "log/qmsw_log_writer.h"
#include "platform/qscl.h"
#include "platform/fixed_text.h"
#include "platform/qscore.h"
#include "platform/utf16.h"
#include "setup/install_lookup.h"
#include "setup/install_paths.h"

const wchar_t kEventLogSettingsKey[] = L"SOFTWARE\\Quillmere Software\\Event Log\\Version 11\\Settings";

namespace {

constexpr std::uint32_t kLogDirectoryCharacters = 280;
constexpr std::int32_t kFileModeAppendLocked = 10;

template <typename T>
void ReleaseReference(T*& object) {
    if (object != nullptr) object->Release();
    object = nullptr;
}

void Destroy(SharedLog* log) {
    if (log->logger) log->logger->setEnabled(false);
    try {
        if (log->writer) log->writer->close();
    } catch (const qs::ResultException&) {
        // the last text could not be written; the log is released all the same
    }
    if (log->stream) log->stream->close();
    ReleaseReference(log->processor);
    ReleaseReference(log->writer);
    ReleaseReference(log->stream);
    ReleaseReference(log->bundle);
    ReleaseReference(log->logger);
    delete log;
}

// The byte order mark, header and rule go into an empty file once, under the stream's
// lock, so that of several processes opening a new log only one writes them.
void WriteHeaderIfNew(qs::io::FileOutputStream* stream) {
    try {
        stream->wait();
        try {
            if (stream->getSize() == 0) {
                char header[287];
                int n = std::snprintf(header, sizeof header, "%3.3s%s%s", "\xEF\xBB\xBF", kLogHeaderLine, kLogRuleLine);
                if (n > 0 && static_cast<std::size_t>(n) < sizeof header) stream->write(header, static_cast<std::size_t>(n));
            }
        } catch (const qs::ResultException&) {
            // a log without its header still takes entries
        } catch (const std::bad_alloc&) {
        }
        stream->signal();
    } catch (const qs::ResultException&) {
    } catch (const std::bad_alloc&) {
    }
}

bool AppendLogs(wchar_t* buffer, std::uint32_t capacity) {
    std::size_t length = wcsnlen(buffer, capacity);
    if (length + 6 > capacity) return false;
    std::wmemcpy(buffer + length, L"\\logs", 6);
    return true;
}

}  // namespace

namespace {

// In order: the data directory's "logs", the 64-bit installation's "logs", the Windows
// directory, and "C:" when even that cannot be had.
void ChooseLogDirectory(wchar_t* buffer, std::uint32_t capacity, std::uint32_t roomForLogs) {
    std::uint32_t size = roomForLogs;
    if (GetInstallDataDir(&size, buffer) == 0 && AppendLogs(buffer, capacity)) return;
    size = roomForLogs;
    if (GetInstallDir64(&size, buffer) == 0 && AppendLogs(buffer, capacity)) return;
    UINT n = GetWindowsDirectoryW(buffer, capacity);
    if (n > 0 && n < capacity) return;
    std::wcscpy(buffer, L"C:");
}

}  // namespace

std::int32_t GetLogDirectory(wchar_t* buffer, std::uint32_t capacity) {
    if (buffer == nullptr || capacity < 8) return kResultFail;
    const std::uint32_t roomForLogs = (capacity - 6) * sizeof(wchar_t);  // "\logs" and the terminator fit after
    std::uint32_t size = roomForLogs;
    std::uint32_t type = 0;
    if (QSRegistryGetValue(QS_ROOT_CURRENT_USER, kEventLogSettingsKey, L"EventLogDirectory", &type, buffer, &size) != 0) {
        ChooseLogDirectory(buffer, capacity, roomForLogs);
        std::uint32_t length = static_cast<std::uint32_t>(wcsnlen(buffer, capacity));
        std::int32_t stored = QSRegistrySetValue(QS_ROOT_CURRENT_USER, kEventLogSettingsKey, L"EventLogDirectory",
                                                 QS_REG_TEXT, buffer, length * sizeof(wchar_t));
        if (stored != 0) return stored;
    }
    buffer[capacity - 1] = 0;
    CreateDirectoryPath(buffer);
    return 0;
}

std::int32_t OpenSharedLog(SharedLog** holder, const wchar_t* bundleName, const wchar_t* componentName,
                           const wchar_t* fileName) {
    if (holder == nullptr) return kResultFail;
    if (*holder != nullptr) {
        ++(*holder)->useCount;
        return 0;
    }
    WideText<kLogDirectoryCharacters> directory = {};
    GetLogDirectory(directory.data(), static_cast<std::uint32_t>(directory.capacity()));
    const wchar_t* file = (fileName && *fileName) ? fileName : L"qmsw.log";

    SharedLog* log = new (std::nothrow) SharedLog{};
    if (log == nullptr) return kResultFail;
    try {
        const std::u16string component =
            LogComponentName(componentName ? AsUtf16(componentName) : u"");
        qs::String path(directory.c_str());
        path.append(L"\\", 1).append(qs::String(file));
        log->logger = qs::log::Logger::create(qs::String(AsWide(component)));
        log->stream = new qs::io::FileOutputStream(path, kFileModeAppendLocked);
        log->writer = new qs::io::OutputStreamWriter(log->stream, "UTF-8", 2048);
        log->processor = new QmswLogWriter(log->writer);
        log->logger->setProcessor(log->processor);
        if (bundleName != nullptr) log->bundle = qs::i18n::StringBundle::getBundle(qs::String(bundleName));
        log->logger->setEnabled(true);
        log->logger->setFieldEnabled(qs::log::Logger::Sequence, false);
        log->logger->setFieldEnabled(qs::log::Logger::Thread, false);
        log->logger->setFieldEnabled(qs::log::Logger::Timestamp, true);
        log->logger->setFieldEnabled(qs::log::Logger::LevelField, true);
        log->logger->setFieldEnabled(qs::log::Logger::Text, true);
    } catch (const qs::ResultException&) {
        Destroy(log);
        return kResultFail;
    } catch (const std::bad_alloc&) {
        Destroy(log);
        return kResultFail;
    }
    log->useCount = 1;
    log->processId = GetCurrentProcessId();
    *holder = log;
    WriteHeaderIfNew(log->stream);
    return 0;
}

std::int32_t WriteLogMessage(SharedLog* log, std::int32_t level, const char* text) {
    if (log == nullptr || log->logger == nullptr) return kResultFail;
    try {
        log->logger->log(level, qs::String(text ? text : ""));
    } catch (const qs::ResultException&) {
        return kResultFail;
    } catch (const std::bad_alloc&) {
        return kResultFail;
    }
    return 0;
}

std::int32_t CloseSharedLog(SharedLog** holder) {
    if (holder == nullptr || *holder == nullptr) return 0;
    SharedLog* log = *holder;
    if (log->useCount > 0) --log->useCount;
    if (log->useCount == 0) {
        Destroy(log);
        *holder = nullptr;
    }
    return 0;
}
