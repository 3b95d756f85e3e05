#include "tests/e2e/LogLine.h"

namespace e2e {
namespace {

// Reads exactly count digits at text[pos], advancing pos.
bool ReadDigits(const std::string& text, std::size_t& pos, int count, int& value)
{
    value = 0;
    for (int i = 0; i < count; ++i, ++pos) {
        if (pos >= text.size() || text[pos] < '0' || text[pos] > '9')
            return false;
        value = value * 10 + (text[pos] - '0');
    }
    return true;
}

bool Expect(const std::string& text, std::size_t& pos, const char* literal)
{
    for (; *literal; ++literal, ++pos) {
        if (pos >= text.size() || text[pos] != *literal)
            return false;
    }
    return true;
}

} // namespace

std::vector<std::string> SplitLogText(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        std::size_t cut = end;
        if (cut > start && text[cut - 1] == '\r')
            --cut;
        lines.push_back(text.substr(start, cut - start));
        start = end + 1;
    }
    return lines;
}

bool ParseLogLine(const std::string& line, LogLine& out)
{
    LogLine parsed;
    std::size_t pos = 0;
    if (!ReadDigits(line, pos, 4, parsed.year) || !Expect(line, pos, "/") || !ReadDigits(line, pos, 2, parsed.month) ||
        !Expect(line, pos, "/") || !ReadDigits(line, pos, 2, parsed.day) || !Expect(line, pos, " ") ||
        !ReadDigits(line, pos, 2, parsed.hour) || !Expect(line, pos, ":") || !ReadDigits(line, pos, 2, parsed.minute) ||
        !Expect(line, pos, ":") || !ReadDigits(line, pos, 2, parsed.second) || !Expect(line, pos, ".") ||
        !ReadDigits(line, pos, 3, parsed.millisecond) || !Expect(line, pos, " [PID:"))
        return false;
    const std::size_t close = line.find(']', pos);
    if (close == std::string::npos || close == pos)
        return false;
    std::uint64_t pid = 0;
    for (; pos < close; ++pos) {
        if (line[pos] < '0' || line[pos] > '9')
            return false;
        pid = pid * 10 + static_cast<std::uint64_t>(line[pos] - '0');
        if (pid > 0xFFFFFFFFu)
            return false;
    }
    parsed.processId = static_cast<std::uint32_t>(pid);
    parsed.message = line.substr(close + 1);
    out = parsed;
    return true;
}

} // namespace e2e
