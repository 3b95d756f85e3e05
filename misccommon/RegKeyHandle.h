#pragma once
// Owns one open registry key and closes it when it goes out of scope.

#include <windows.h>

#include "common/Uncopyable.h"

class CRegKeyHandle : public CUncopyable {
public:
    CRegKeyHandle() : _hKey(nullptr) {}
    virtual ~CRegKeyHandle() { Close(); }

    HKEY Get() const { return _hKey; }
    // For RegOpenKeyExW to fill; a key held before is closed first.
    HKEY* Receive()
    {
        Close();
        return &_hKey;
    }
    void Close()
    {
        if (_hKey != nullptr) {
            RegCloseKey(_hKey);
            _hKey = nullptr;
        }
    }

private:
    HKEY _hKey;
};
