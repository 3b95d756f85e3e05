// Typed look-up of a function that an older Windows may lack.
#pragma once

#include <windows.h>

// GetProcAddress answers a FARPROC; passing through a parameterless function
// type keeps GCC's -Wcast-function-type quiet for the real signature.
template <typename F>
F ProcCast(FARPROC address)
{
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(address));
}

// The export of an already loaded module, or null.
template <typename F>
F FindProc(HMODULE module, const char* name)
{
    if (module == nullptr)
        return nullptr;
    return ProcCast<F>(::GetProcAddress(module, name));
}
