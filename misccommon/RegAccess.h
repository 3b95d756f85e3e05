// The registry layer: the only way the program reads and writes its settings.
// One process-wide instance works on one key, <base path>\brindle, under one
// root. Under HKEY_LOCAL_MACHINE every operation goes through the misc driver
// over the shared, reference-counted channel; any other root is read and
// written directly. Every non-zero result means "use your default".
#pragma once

#include "common/Uncopyable.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace RegResult {
const std::uint32_t kOk = 0;
const std::uint32_t kNotInitialized = 0x80000001;
const std::uint32_t kAlreadyInitialized = 0x80000002;
const std::uint32_t kBufferTooSmall = 0x80000003;
const std::uint32_t kMissingArgument = 0x80000004;
const std::uint32_t kOpenKeyFailed = 0x80000005;
const std::uint32_t kReadFailed = 0x80000007;
const std::uint32_t kWriteFailed = 0x80000008;
const std::uint32_t kNoValue = 0x80000009;
const std::uint32_t kWrongType = 0x8000000A;
const std::uint32_t kChannelFailed = 0xFFFFFFFF;
} // namespace RegResult

class CRegAccess : public CUncopyable {
public:
    CRegAccess();
    virtual ~CRegAccess();

    // The instance the application object created (null before and after):
    // process-wide users check it before they read or write a value.
    static CRegAccess* Instance();

    std::uint32_t Initialize(HKEY root, const wchar_t* basePath);
    void Terminate();

    // size: in, the capacity of buffer in bytes; out, the stored length in
    // bytes (or, when it does not fit, the length needed). On success the
    // text in buffer is always terminated inside the capacity.
    std::uint32_t QueryString(const wchar_t* valueName, wchar_t* buffer, DWORD* size);
    // *value is written only on success.
    std::uint32_t QueryDword(const wchar_t* valueName, DWORD* value);
    std::uint32_t SetDword(const wchar_t* valueName, DWORD value);

private:
    bool ThroughDriver() const { return _hRoot == HKEY_LOCAL_MACHINE; }
    std::uint32_t QueryStringThroughDriver(const wchar_t* valueName, wchar_t* buffer, DWORD* size);
    std::uint32_t QueryDwordThroughDriver(const wchar_t* valueName, DWORD* value);
    std::uint32_t SetDwordThroughDriver(const wchar_t* valueName, DWORD value);
    std::uint32_t QueryStringDirect(const wchar_t* valueName, wchar_t* buffer, DWORD* size);
    std::uint32_t QueryDwordDirect(const wchar_t* valueName, DWORD* value);
    std::uint32_t SetDwordDirect(const wchar_t* valueName, DWORD value);

    bool _bInitialized;
    HKEY _hRoot;
    // The base path with the product subkey appended: the one key every
    // operation works on. Empty while not initialized.
    std::wstring _keyPath;
};
