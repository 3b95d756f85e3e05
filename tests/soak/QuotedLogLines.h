// The debug log lines brindle.exe may write, as its own sources quote them,
// and a matcher that tells whether a line from the file is one of them.
// Portable: no Windows header.
#pragma once

#include <string>

namespace soak {

// Whether message (a log line without its time stamp, process id and line
// end) is one of the program's messages with its numbers filled in: %u takes
// digits, %d an optional minus and digits.
bool IsQuotedLogLine(const std::string& message);

} // namespace soak
