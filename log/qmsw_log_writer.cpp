#include "log/qmsw_log_writer.h"

#include <windows.h>

#include <string>

#include "log/log_line.h"
#include "platform/fixed_text.h"
#include "platform/qscore.h"
#include "platform/utf16.h"

namespace {

std::u16string_view View(const qs::String& s) {
    return {AsUtf16(s.getChars()), s.getLength()};
}

std::u16string ProgramName() {
    WideText<MAX_PATH + 1> path;
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.capacity()));
    if (n == 0 || n >= path.capacity()) return {};  // failed, or filled the buffer: unknown
    return std::u16string(ProgramFileName({AsUtf16(path.c_str()), n}));
}

std::u16string ComputerName() {
    WideText<41> name = {};
    if (QSGetHostName(name.data(), 40) != 0) return {};
    name.terminate();
    return AsUtf16(name.c_str());
}

}  // namespace

QmswLogWriter::QmswLogWriter(qs::io::Writer* writer) : qs::log::AbstractLogWriter(writer) {}

void QmswLogWriter::formatEntry(const qs::log::LogEntry& entry, qs::String& line) {
    qs::String name, text, level, timestamp;
    entry.getProperty(L"name", name);
    entry.getProperty(L"text", text);
    entry.getProperty(L"level", level);
    entry.getProperty(L"timestamp", timestamp);
    const std::u16string processId = AsUtf16(qs::String::valueOf(GetCurrentProcessId()).getChars());
    const std::u16string program = ProgramName();
    const std::u16string computer = ComputerName();
    const std::u16string formatted = FormatLogLine(
        {View(timestamp), View(name), processId, program, computer, View(level), View(text)});
    line = qs::String(AsWide(formatted), formatted.size());
}
