// Loading a text from the string table: every user-visible text goes through
// here, into a buffer of one fixed size.
#pragma once

#include <windows.h>

// Capacity of every buffer a string-table entry is loaded into.
constexpr int kResStringChars = 256;

// String id from module into buffer (zeroed first); empty when there is no
// module or no such string. Returns the length.
inline int LoadResString(HINSTANCE module, UINT id, wchar_t (&buffer)[kResStringChars])
{
    ZeroMemory(buffer, sizeof(buffer));
    if (module == nullptr)
        return 0;
    const int length = ::LoadStringW(module, id, buffer, kResStringChars);
    if (length <= 0) {
        buffer[0] = L'\0';
        return 0;
    }
    return length;
}
