// The field-support trace: one time-stamped line per call, appended to
// %HOMEDRIVE%%HOMEPATH%\BRINDLELOG.txt while the switch is on.
#pragma once

#include <cstdint>

// 0 at start; start-up sets it to 1 when the product key asks for the log.
extern std::uint32_t g_debugPrintEnabled;

// printf-style wide format ("%s" takes a wide string). Every failure is
// silent; with the switch off the call costs one test of the flag. The file
// holds ASCII only: any other character is written as '?'.
void DebugPrint(const wchar_t* format, ...);
