#include "common/FormatW.h"

#include <cstdio>
#include <cwchar>

std::size_t FormatWV(wchar_t* buf, std::size_t count, const wchar_t* format, std::va_list args)
{
    if (buf == nullptr || count == 0)
        return 0;
    if (format == nullptr) {
        buf[0] = L'\0';
        return 0;
    }
    // _vsnwprintf neither terminates a cut result nor says how much it cut
    // (it returns -1), so the last slot is reserved and set by hand.
    int n = _vsnwprintf(buf, count - 1, format, args);
    buf[count - 1] = L'\0';
    if (n < 0 || static_cast<std::size_t>(n) >= count - 1) {
        return count - 1;
    }
    buf[n] = L'\0';
    return static_cast<std::size_t>(n);
}

std::size_t FormatW(wchar_t* buf, std::size_t count, const wchar_t* format, ...)
{
    std::va_list args;
    va_start(args, format);
    std::size_t n = FormatWV(buf, count, format, args);
    va_end(args);
    return n;
}
