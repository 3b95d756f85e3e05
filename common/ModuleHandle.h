// Owner of one loaded DLL: frees it in its destructor. Not copyable.
#pragma once

#include <windows.h>

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
