#include "common/DebugLog.h"

#include "common/FormatW.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

std::uint32_t g_debugPrintEnabled = 0;

namespace {

const std::size_t kPathChars = 260;
const std::size_t kMessageChars = 260;
const std::size_t kLineChars = 1024;

} // namespace

void DebugPrint(const wchar_t* format, ...)
{
    if (g_debugPrintEnabled == 0)
        return;

    // Expanded on every call: the log follows the environment of the moment
    // rather than the one the program started with.
    wchar_t path[kPathChars];
    DWORD needed = ExpandEnvironmentStringsW(L"%HOMEDRIVE%%HOMEPATH%\\BRINDLELOG.txt", path, kPathChars);
    if (needed == 0 || needed > kPathChars)
        return;

    // Text mode without a locale: each character becomes one byte and "\n"
    // becomes CR LF, which is what the support tools expect to read.
    FILE* file = _wfopen(path, L"a");
    SYSTEMTIME now;
    GetLocalTime(&now);
    DWORD pid = GetCurrentProcessId();
    if (file == nullptr)
        return;

    wchar_t message[kMessageChars];
    std::va_list args;
    va_start(args, format);
    FormatWV(message, kMessageChars, format, args);
    va_end(args);

    wchar_t line[kLineChars];
    FormatW(line, kLineChars, L"%04d/%02d/%02d %02d:%02d:%02d.%03d [PID:%d]%s", now.wYear, now.wMonth, now.wDay,
            now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, static_cast<int>(pid), message);
    // Without a locale the runtime stops writing at the first character
    // beyond ASCII, which leaves the line without its end and runs the next
    // entry into it. Such a character is written as '?' instead.
    for (wchar_t* c = line; *c != L'\0'; ++c) {
        if (*c > 0x7F)
            *c = L'?';
    }
    fputws(line, file);
    fclose(file);
}
