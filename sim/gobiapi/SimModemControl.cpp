#include "sim/gobiapi/SimModemControl.h"

#include <windows.h>

#include "sim/gobiapi/SimModemKey.h"

namespace simmodem {
namespace {

class KeyHolder {
public:
    explicit KeyHolder(bool create)
    {
        LONG rc = create ? RegCreateKeyExW(HKEY_CURRENT_USER, kModemKeyPath, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                                           nullptr, &key_, nullptr)
                         : RegOpenKeyExW(HKEY_CURRENT_USER, kModemKeyPath, 0, KEY_READ | KEY_WRITE, &key_);
        if (rc != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~KeyHolder()
    {
        if (key_)
            RegCloseKey(key_);
    }
    KeyHolder(const KeyHolder&) = delete;
    KeyHolder& operator=(const KeyHolder&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

std::wstring Prefixed(const wchar_t* prefix, const char* exportName)
{
    std::wstring name = prefix;
    // Export names are plain ASCII identifiers.
    for (const char* c = exportName; *c; ++c)
        name += static_cast<wchar_t>(*c);
    return name;
}

std::wstring VariantRoot()
{
    // The build tree's folder as Wine sees it (drive Z: is the host's root).
    std::string root = SIMMODEM_BUILD_ROOT;
    std::wstring wide(root.begin(), root.end());
    for (wchar_t& c : wide)
        if (c == L'/')
            c = L'\\';
    return wide;
}

} // namespace

void Reset()
{
    // The key holds values only, so a plain delete removes it whole.
    RegDeleteKeyW(HKEY_CURRENT_USER, kModemKeyPath);
}

void SetValue(const wchar_t* name, std::uint32_t value)
{
    KeyHolder key(true);
    if (!key.get())
        return;
    DWORD data = value;
    RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

void SetText(const wchar_t* name, const wchar_t* value)
{
    KeyHolder key(true);
    if (!key.get())
        return;
    DWORD bytes = static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t));
    RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes);
}

std::uint32_t GetValue(const wchar_t* name, std::uint32_t fallback)
{
    KeyHolder key(false);
    if (!key.get())
        return fallback;
    DWORD type = 0, data = 0, size = sizeof data;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data)
        return fallback;
    return data;
}

std::wstring GetText(const wchar_t* name, const wchar_t* fallback)
{
    KeyHolder key(false);
    if (!key.get())
        return fallback;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return fallback;
    // The stored text need not end with a terminator; the extra zeros supply one.
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&text[0]), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return fallback;
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
}

void ClearValue(const wchar_t* name)
{
    KeyHolder key(false);
    if (key.get())
        RegDeleteValueW(key.get(), name);
}

void FailCall(const char* exportName, std::uint32_t code)
{
    SetValue(Prefixed(L"Fail.", exportName).c_str(), code);
}

void FailCalls(const char* exportName, std::uint32_t code, std::uint32_t count)
{
    SetValue(Prefixed(L"FailCount.", exportName).c_str(), count);
    SetValue(Prefixed(L"Fail.", exportName).c_str(), code);
}

void PowerCycle()
{
    SetValue(L"PinVerified", 0);
    SetValue(L"PowerCycles", GetValue(L"PowerCycles", 0) + 1);
}

std::uint32_t CallCount(const char* exportName)
{
    return GetValue(Prefixed(L"Calls.", exportName).c_str(), 0);
}

bool UseVariant(const wchar_t* variant)
{
    std::wstring name = variant;
    bool none = name == L"none";
    if (!none && name != L"full" && name.compare(0, 3, L"no-") != 0)
        return false;
    std::wstring folder = VariantRoot() + L"\\" + name;
    if (!none && GetFileAttributesW((folder + L"\\GobiApi.dll").c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    return SetDllDirectoryW(folder.c_str()) != FALSE;
}

} // namespace simmodem
