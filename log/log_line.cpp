#include "log/log_line.h"

const char kLogHeaderLine[] =
    "Date & Time                 Component       Process  Process Name    Computer Name   Type  Message\r\n";
const char kLogRuleLine[] =
    "--------------------------- --------------- -------- --------------- --------------- ----- "
    "-------------------------------------------------------------------------\r\n";

namespace {

// Where the fields after the timestamp start, counted from the line's start: the header's
// column starts. The type column starts at 85.
constexpr std::size_t kColumnStarts[] = {28, 44, 53, 69, 85};

// Blanks up to the column; a line already past it gets none, and the fields after it
// return to their own columns as soon as there is room again.
void PadToColumn(std::u16string& line, std::size_t column) {
    if (line.size() < column) line.append(column - line.size(), u' ');
}

}  // namespace

std::u16string_view LogTypeColumn(std::u16string_view level) {
    if (level == u"1") return u"I     ";
    if (level == u"2") return u"W     ";
    if (level == u"4") return u"E     ";
    return u"      ";
}

std::u16string LogComponentName(std::u16string_view component) {
    std::u16string name(component.empty() ? std::u16string_view(u"UNKNOWN") : component);
    if (name.size() < 10) name.append(10 - name.size(), u' ');
    return name;
}

std::u16string_view ProgramFileName(std::u16string_view path) {
    std::size_t slash = path.rfind(u'\\');
    return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

std::u16string FormatLogLine(const LogLineFields& f) {
    std::u16string line;
    line.reserve(96 + f.text.size());
    const std::u16string_view fields[] = {f.timestamp, f.name, f.processId, f.programName, f.computerName};
    for (std::size_t i = 0; i < 5; ++i) {
        line.append(fields[i]);
        PadToColumn(line, kColumnStarts[i]);
    }
    line.append(LogTypeColumn(f.level));
    line.append(f.text);
    line.append(u"\r\n");
    return line;
}
