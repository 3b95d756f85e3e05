// Lines of the program's debug log as they lie in the file:
// "YYYY/MM/DD hh:mm:ss.mmm [PID:n]message", one byte per character, CR LF at
// the end of each. Portable: no Windows header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

struct LogLine {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    std::uint32_t processId = 0;
    std::string message; // without the line end
};

// The file's text cut into lines; "\r\n" and a lone "\n" both end a line, and
// a last line without an end is kept (a writer may be half way through it).
std::vector<std::string> SplitLogText(const std::string& text);

// false when line does not have the time stamp and process id in front.
bool ParseLogLine(const std::string& line, LogLine& out);

} // namespace e2e
