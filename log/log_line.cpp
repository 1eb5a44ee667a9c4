#include "log/log_line.h"

const char kLogHeaderLine[] =
    "Date & Time                 Component       Process  Process Name    Computer Name   Type  Message\r\n";
const char kLogRuleLine[] =
    "--------------------------- --------------- -------- --------------- --------------- ----- "
    "-------------------------------------------------------------------------\r\n";

namespace {

// Widths of the first five columns: they start at 0, 28, 44, 53 and 69; the type at 85.
constexpr std::size_t kColumnWidths[] = {28, 16, 9, 16, 16};

void AppendPadded(std::u16string& line, std::u16string_view field, std::size_t width) {
    line.append(field);
    if (field.size() < width) line.append(width - field.size(), u' ');
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
    const std::u16string_view padded[] = {f.timestamp, f.name, f.processId, f.programName, f.computerName};
    for (std::size_t i = 0; i < 5; ++i) AppendPadded(line, padded[i], kColumnWidths[i]);
    line.append(LogTypeColumn(f.level));
    line.append(f.text);
    line.append(u"\r\n");
    return line;
}
