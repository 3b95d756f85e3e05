// Owner of one loaded DLL: frees it in its destructor. Not copyable. And the
// start-up step that keeps the current directory out of the DLL search.
#pragma once

#include "common/win/ProcAddress.h"

#include <windows.h>

#include <cwchar>

class CModuleHandle {
public:
    CModuleHandle() = default;
    ~CModuleHandle() { Free(); }
    CModuleHandle(const CModuleHandle&) = delete;
    CModuleHandle& operator=(const CModuleHandle&) = delete;

    // Loads name unless a module is already held; true when one is held.
    bool Load(const wchar_t* name)
    {
        if (_hModule == nullptr)
            _hModule = ::LoadLibraryW(name);
        return _hModule != nullptr;
    }
    // Loads name from the system directory only: a system library is never
    // to be taken from wherever the search would find one first.
    bool LoadFromSystem(const wchar_t* name)
    {
        if (_hModule != nullptr)
            return true;
        wchar_t path[MAX_PATH];
        const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
        if (length == 0 || length + 1 + std::wcslen(name) >= MAX_PATH)
            return false;
        path[length] = L'\\';
        std::wcscpy(path + length + 1, name);
        _hModule = ::LoadLibraryW(path);
        return _hModule != nullptr;
    }
    void Free()
    {
        if (_hModule != nullptr) {
            ::FreeLibrary(_hModule);
            _hModule = nullptr;
        }
    }
    HMODULE Get() const { return _hModule; }
    bool IsLoaded() const { return _hModule != nullptr; }

private:
    HMODULE _hModule = nullptr;
};

// Takes the current directory out of the DLL search for the rest of the run,
// so that a library planted where the program happens to be started is never
// loaded; the application directory, the system directories and PATH stay.
// SetDllDirectoryW came with XP SP1, so it is looked up. The directory it is
// given takes the current directory's place: the application's own, which is
// searched first anyway. (Windows also accepts "" for this; Wine takes ""
// for "not set" and keeps the current directory.)
inline void RemoveCurrentDirectoryFromDllSearch()
{
    typedef BOOL(WINAPI * SetDllDirectoryFn)(LPCWSTR);
    const SetDllDirectoryFn setDllDirectory =
        FindProc<SetDllDirectoryFn>(::GetModuleHandleW(L"kernel32.dll"), "SetDllDirectoryW");
    if (setDllDirectory == nullptr)
        return;
    wchar_t folder[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, folder, MAX_PATH);
    wchar_t* slash = length != 0 && length < MAX_PATH ? std::wcsrchr(folder, L'\\') : nullptr;
    if (slash != nullptr)
        *slash = L'\0';
    else
        folder[0] = L'\0';
    setDllDirectory(folder);
}
