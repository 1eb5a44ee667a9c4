#include "log/qmsw_log_writer.h"

#include <windows.h>

#include <string>

#include "log/log_line.h"
#include "platform/qscore.h"

namespace {

std::u16string_view View(const qs::String& s) {
    return {reinterpret_cast<const char16_t*>(s.getChars()), s.getLength()};
}

std::u16string ProgramName() {
    wchar_t path[MAX_PATH + 1];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
    if (n == 0 || n >= MAX_PATH + 1) return {};  // failed, or filled the buffer: unknown
    return std::u16string(ProgramFileName({reinterpret_cast<const char16_t*>(path), n}));
}

std::u16string ComputerName() {
    wchar_t name[41] = {};
    if (QSGetHostName(name, 40) != 0) return {};
    name[40] = 0;
    return reinterpret_cast<const char16_t*>(name);
}

}  // namespace

QmswLogWriter::QmswLogWriter(qs::io::Writer* writer) : qs::log::AbstractLogWriter(writer) {}

void QmswLogWriter::formatEntry(const qs::log::LogEntry& entry, qs::String& line) {
    qs::String name, text, level, timestamp;
    entry.getProperty(L"name", name);
    entry.getProperty(L"text", text);
    entry.getProperty(L"level", level);
    entry.getProperty(L"timestamp", timestamp);
    const std::u16string processId = reinterpret_cast<const char16_t*>(
        qs::String::valueOf(GetCurrentProcessId()).getChars());
    const std::u16string program = ProgramName();
    const std::u16string computer = ComputerName();
    const std::u16string formatted = FormatLogLine(
        {View(timestamp), View(name), processId, program, computer, View(level), View(text)});
    line = qs::String(reinterpret_cast<const wchar_t*>(formatted.c_str()), formatted.size());
}
