// Typed look-up of a function that an older Windows (or a run-time-loaded
// library) may lack, and the one cast between function pointer types.
#pragma once

#include <windows.h>

// GetProcAddress answers a FARPROC, and window procedures are stored as
// integers; passing through a parameterless function type keeps GCC's
// -Wcast-function-type quiet for the real signature.
template <typename To, typename From>
To ProcCast(From address)
{
    return reinterpret_cast<To>(reinterpret_cast<void (*)()>(address));
}

// The export of an already loaded module, or null.
template <typename F>
F FindProc(HMODULE module, const char* name)
{
    if (module == nullptr)
        return nullptr;
    return ProcCast<F>(::GetProcAddress(module, name));
}
