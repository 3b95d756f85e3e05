// Wide printf-style formatting with the Windows runtime's conventions.
#pragma once

#include <cstdarg>
#include <cstddef>

// Formats into buf (capacity count characters, count > 0) and always leaves it
// NUL-terminated; text that does not fit is cut at the buffer's end. "%s"
// takes a wide string, as in the formats of the string table; the C library's
// swprintf would read it as a narrow one under MinGW-w64.
// Returns the number of characters stored, without the terminator.
std::size_t FormatW(wchar_t* buf, std::size_t count, const wchar_t* format, ...);
std::size_t FormatWV(wchar_t* buf, std::size_t count, const wchar_t* format, std::va_list args);
