// The question asked on a Windows newer than the program knows.
#pragma once

#include <windows.h>

// Where the question is switched off machine-wide.
extern const wchar_t kCommonKeyPath[];
extern const wchar_t kDisableFutureOSWarningValue[];

// True when root\path holds DisableFutureOSWarning as the REG_DWORD 1. The
// key is opened with KEY_QUERY_VALUE | extraAccess; any failure counts as
// not switched off.
bool IsFutureOsWarningDisabled(HKEY root = HKEY_LOCAL_MACHINE, const wchar_t* path = kCommonKeyPath,
                               REGSAM extraAccess = KEY_WOW64_64KEY);

// 1 to go on, 0 when the user answered No. Asks (a plain, topmost message
// box with No as the default) unless the question is switched off or text or
// caption is missing.
int AskFutureOsQuestion(const wchar_t* text, const wchar_t* caption);
