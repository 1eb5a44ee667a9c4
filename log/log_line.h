// The shared log's file layout: header, rule line, and one entry per line in fixed
// columns. Windows-free, on 16-bit texts.
#pragma once

#include <string>
#include <string_view>

extern const char kLogHeaderLine[];
extern const char kLogRuleLine[];

struct LogLineFields {
    std::u16string_view timestamp;
    std::u16string_view name;
    std::u16string_view processId;
    std::u16string_view programName;
    std::u16string_view computerName;
    std::u16string_view level;  // "1", "2" or "4"; anything else leaves the type blank
    std::u16string_view text;
};

// One entry as a line ended by "\r\n". Each of the first five fields is followed by blanks
// up to the column where the next one starts (28, 44, 53, 69, 85, counted from the line's
// start); a field that already reaches past that column gets no blank, and a later field
// is back at its own column wherever the line leaves room for it.
std::u16string FormatLogLine(const LogLineFields& fields);

// The six characters of the type column for a level text.
std::u16string_view LogTypeColumn(std::u16string_view level);

// The component name as the logger carries it: the name (or "UNKNOWN") padded to 10.
std::u16string LogComponentName(std::u16string_view component);

// The file name part of a program path: what follows the last backslash.
std::u16string_view ProgramFileName(std::u16string_view path);
