#include "misccommon/RegAccess.h"

#include <new>

#include "misccommon/CapsuleCodec.h"
#include "common/win/CriticalSection.h"
#include "misccommon/MiscCommon.h"
#include "misccommon/RegKeyHandle.h"
#include "misccommon/SharedChannel.h"

using MiscCommon::CMiscCommon;

namespace {

const wchar_t kProductSubkey[] = L"\\brindle";
// The driver's records carry at most MAX_PATH characters with the terminator.
const size_t kDriverStringLimit = MAX_PATH;
const REGSAM kDirectWriteAccess = KEY_WRITE;

CRegAccess* g_instance = nullptr;

// Built on first use by any thread; it serializes every operation and with
// them every use of the shared channel.
CCritical& RegistryLock()
{
    static CCritical lock;
    return lock;
}

bool FitsDriverRecord(const wchar_t* text)
{
    return wcsnlen(text, kDriverStringLimit) < kDriverStringLimit;
}

bool IsStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

} // namespace

CRegAccess::CRegAccess() : _bInitialized(false), _hRoot(nullptr)
{
    g_instance = this;
}

CRegAccess::~CRegAccess()
{
    // At exit, after the message loop: no other thread uses the layer any
    // more, and the lock may already be gone with the other statics.
    if (_bInitialized && ThroughDriver())
        MiscCommon::ReleaseSharedChannel();
    if (g_instance == this)
        g_instance = nullptr;
}

CRegAccess* CRegAccess::Instance()
{
    return g_instance;
}

std::uint32_t CRegAccess::Initialize(HKEY root, const wchar_t* basePath)
{
    if (basePath == nullptr)
        return RegResult::kMissingArgument;
    CCriticalHelper lock(RegistryLock());
    if (_bInitialized)
        return RegResult::kAlreadyInitialized;

    std::wstring keyPath;
    try {
        keyPath = basePath;
        keyPath += kProductSubkey;
    } catch (const std::bad_alloc&) {
        // Nothing can be reached without the key path; the caller falls back
        // as it would without the driver.
        return RegResult::kChannelFailed;
    }
    if (root == HKEY_LOCAL_MACHINE && !MiscCommon::AcquireSharedChannel())
        return RegResult::kChannelFailed;

    _hRoot = root;
    _keyPath.swap(keyPath);
    _bInitialized = true;
    return RegResult::kOk;
}

void CRegAccess::Terminate()
{
    CCriticalHelper lock(RegistryLock());
    if (!_bInitialized)
        return;
    // Only the driver route took a reference.
    if (ThroughDriver() && MiscCommon::SharedChannel() != nullptr)
        MiscCommon::ReleaseSharedChannel();
    _keyPath.clear();
    _hRoot = nullptr;
    _bInitialized = false;
}

std::uint32_t CRegAccess::QueryString(const wchar_t* valueName, wchar_t* buffer, DWORD* size)
{
    if (valueName == nullptr)
        return RegResult::kMissingArgument;
    CCriticalHelper lock(RegistryLock());
    if (!_bInitialized)
        return RegResult::kNotInitialized;
    return ThroughDriver() ? QueryStringThroughDriver(valueName, buffer, size)
                           : QueryStringDirect(valueName, buffer, size);
}

std::uint32_t CRegAccess::QueryDword(const wchar_t* valueName, DWORD* value)
{
    if (valueName == nullptr || value == nullptr)
        return RegResult::kMissingArgument;
    CCriticalHelper lock(RegistryLock());
    if (!_bInitialized)
        return RegResult::kNotInitialized;
    return ThroughDriver() ? QueryDwordThroughDriver(valueName, value) : QueryDwordDirect(valueName, value);
}

std::uint32_t CRegAccess::SetDword(const wchar_t* valueName, DWORD value)
{
    if (valueName == nullptr)
        return RegResult::kMissingArgument;
    CCriticalHelper lock(RegistryLock());
    if (!_bInitialized)
        return RegResult::kNotInitialized;
    return ThroughDriver() ? SetDwordThroughDriver(valueName, value) : SetDwordDirect(valueName, value);
}

std::uint32_t CRegAccess::QueryStringThroughDriver(const wchar_t* valueName, wchar_t* buffer, DWORD* size)
{
    CMiscCommon* channel = MiscCommon::SharedChannel();
    if (channel == nullptr || buffer == nullptr || size == nullptr || !FitsDriverRecord(_keyPath.c_str()) ||
        !FitsDriverRecord(valueName))
        return RegResult::kReadFailed;

    const DWORD capacity = *size;
    DWORD type = REG_NONE;
    DWORD length = capacity;
    const DWORD result =
        channel->QueryRegistry(HKEY_LOCAL_MACHINE, _keyPath.c_str(), valueName, &type, buffer, &length);
    if (result == ChannelResult::kOk || result == ChannelResult::kMoreData)
        *size = length;
    if (result != ChannelResult::kOk || !IsStringType(type))
        return RegResult::kReadFailed;
    // The driver hands over the stored bytes as they are; a value stored
    // without its terminator must not leave the caller reading past the end.
    if (!MiscCommon::EnsureStringTerminated(reinterpret_cast<std::uint8_t*>(buffer), capacity, length))
        return RegResult::kReadFailed;
    return RegResult::kOk;
}

std::uint32_t CRegAccess::QueryDwordThroughDriver(const wchar_t* valueName, DWORD* value)
{
    CMiscCommon* channel = MiscCommon::SharedChannel();
    if (channel == nullptr || !FitsDriverRecord(_keyPath.c_str()) || !FitsDriverRecord(valueName))
        return RegResult::kNoValue;

    DWORD type = REG_NONE;
    DWORD length = 0;
    if (channel->QueryRegistry(HKEY_LOCAL_MACHINE, _keyPath.c_str(), valueName, &type, nullptr, &length) !=
        ChannelResult::kOk)
        return RegResult::kNoValue;
    // Only a REG_DWORD is a number: the digits of a string or the bytes of a
    // binary value would read as some other value, so they count as missing,
    // as they do on the direct route.
    if (type != REG_DWORD)
        return RegResult::kWrongType;

    // A shorter value leaves the upper bytes zero.
    DWORD data = 0;
    length = sizeof(data);
    if (channel->QueryRegistry(HKEY_LOCAL_MACHINE, _keyPath.c_str(), valueName, &type, &data, &length) !=
        ChannelResult::kOk)
        return RegResult::kReadFailed;
    if (type != REG_DWORD)
        return RegResult::kWrongType;
    *value = data;
    return RegResult::kOk;
}

std::uint32_t CRegAccess::SetDwordThroughDriver(const wchar_t* valueName, DWORD value)
{
    CMiscCommon* channel = MiscCommon::SharedChannel();
    if (channel == nullptr || !FitsDriverRecord(_keyPath.c_str()) || !FitsDriverRecord(valueName))
        return RegResult::kWriteFailed;
    if (channel->SetRegistry(HKEY_LOCAL_MACHINE, _keyPath.c_str(), valueName, &value) != ChannelResult::kOk)
        return RegResult::kWriteFailed;
    return RegResult::kOk;
}

// The direct route counts `size` in bytes, as its callers and the driver
// route do; only whole characters of the caller's buffer are used, so no
// byte past the capacity is ever written.
std::uint32_t CRegAccess::QueryStringDirect(const wchar_t* valueName, wchar_t* buffer, DWORD* size)
{
    if (size == nullptr)
        return RegResult::kMissingArgument;
    CRegKeyHandle key;
    if (RegOpenKeyExW(_hRoot, _keyPath.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return RegResult::kOpenKeyFailed;

    DWORD type = REG_NONE;
    DWORD needed = 0;
    const LONG queried = RegQueryValueExW(key.Get(), valueName, nullptr, &type, nullptr, &needed);
    if (queried == ERROR_FILE_NOT_FOUND)
        return RegResult::kNoValue;
    if (queried != ERROR_SUCCESS)
        return RegResult::kReadFailed;
    if (type != REG_SZ)
        return RegResult::kWrongType;
    const DWORD capacity = *size / sizeof(wchar_t) * sizeof(wchar_t);
    // The stored string must leave room for a terminator of our own.
    if (needed >= capacity) {
        *size = needed;
        return RegResult::kBufferTooSmall;
    }
    if (buffer == nullptr)
        return RegResult::kMissingArgument;

    DWORD read = capacity;
    if (RegQueryValueExW(key.Get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &read) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return RegResult::kReadFailed;
    // RegQueryValueExW does not terminate a string stored without one.
    if (!MiscCommon::EnsureStringTerminated(reinterpret_cast<std::uint8_t*>(buffer), capacity, read))
        return RegResult::kBufferTooSmall;
    *size = static_cast<DWORD>(wcsnlen(buffer, capacity / sizeof(wchar_t)) * sizeof(wchar_t));
    return RegResult::kOk;
}

std::uint32_t CRegAccess::QueryDwordDirect(const wchar_t* valueName, DWORD* value)
{
    CRegKeyHandle key;
    if (RegOpenKeyExW(_hRoot, _keyPath.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return RegResult::kOpenKeyFailed;

    DWORD type = REG_NONE;
    DWORD data = 0;
    DWORD length = sizeof(data);
    const LONG queried = RegQueryValueExW(key.Get(), valueName, nullptr, &type, nullptr, &length);
    if (queried == ERROR_FILE_NOT_FOUND)
        return RegResult::kNoValue;
    if (queried != ERROR_SUCCESS)
        return RegResult::kReadFailed;
    if (type != REG_DWORD)
        return RegResult::kWrongType;
    length = sizeof(data);
    if (RegQueryValueExW(key.Get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(&data), &length) !=
        ERROR_SUCCESS)
        return RegResult::kReadFailed;
    *value = data;
    return RegResult::kOk;
}

std::uint32_t CRegAccess::SetDwordDirect(const wchar_t* valueName, DWORD value)
{
    CRegKeyHandle key;
    if (RegOpenKeyExW(_hRoot, _keyPath.c_str(), 0, kDirectWriteAccess, key.Receive()) != ERROR_SUCCESS)
        return RegResult::kOpenKeyFailed;
    if (RegSetValueExW(key.Get(), valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)) !=
        ERROR_SUCCESS)
        return RegResult::kWriteFailed;
    return RegResult::kOk;
}
