#include "sim/wmi/SimWmiControl.h"

#include <windows.h>

namespace simwmi {
namespace {

constexpr const wchar_t* kLocatorServerKey =
    L"Software\\Classes\\CLSID\\{4590F811-1D3A-11D0-891F-00AA004B2E24}\\InprocServer32";

class KeyHolder {
public:
    KeyHolder(HKEY root, const wchar_t* path, REGSAM access, bool create)
    {
        LONG rc = create ? RegCreateKeyExW(root, path, 0, nullptr, 0, access, nullptr, &key_, nullptr)
                         : RegOpenKeyExW(root, path, 0, access, &key_);
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

bool SetText(HKEY key, const wchar_t* name, const std::wstring& text)
{
    DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes) == ERROR_SUCCESS;
}

} // namespace

void Reset()
{
    // The key holds values only, so a plain delete removes it whole.
    RegDeleteKeyW(HKEY_CURRENT_USER, kWmiKeyPath);
}

void SetEntities(const std::vector<std::wstring>& entries)
{
    KeyHolder key(HKEY_CURRENT_USER, kWmiKeyPath, KEY_WRITE, true);
    if (!key.get())
        return;
    std::wstring data;
    for (const std::wstring& entry : entries) {
        data += entry;
        data += L'\0';
    }
    // An empty list is a lone terminator: a present value with no entries.
    data += L'\0';
    RegSetValueExW(key.get(), kEntities, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size() * sizeof(wchar_t)));
}

void SetValue(const wchar_t* name, std::uint32_t value)
{
    KeyHolder key(HKEY_CURRENT_USER, kWmiKeyPath, KEY_WRITE, true);
    if (!key.get())
        return;
    DWORD data = value;
    RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

std::uint32_t GetValue(const wchar_t* name, std::uint32_t fallback)
{
    KeyHolder key(HKEY_CURRENT_USER, kWmiKeyPath, KEY_READ, false);
    if (!key.get())
        return fallback;
    DWORD type = 0, data = 0, size = sizeof data;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data)
        return fallback;
    return data;
}

void ClearValue(const wchar_t* name)
{
    KeyHolder key(HKEY_CURRENT_USER, kWmiKeyPath, KEY_WRITE, false);
    if (key.get())
        RegDeleteValueW(key.get(), name);
}

std::wstring ServerPath()
{
    // The build tree's file as Wine sees it (drive Z: is the host's root).
    std::string path = SIMWMI_SERVER_PATH;
    std::wstring wide(path.begin(), path.end());
    for (wchar_t& c : wide)
        if (c == L'/')
            c = L'\\';
    return wide;
}

bool RegisterServer()
{
    // Only HKLM counts under Wine; HKCU\Software\Classes is ignored for this class.
    KeyHolder key(HKEY_LOCAL_MACHINE, kLocatorServerKey, KEY_WRITE | KEY_WOW64_32KEY, true);
    return key.get() && SetText(key.get(), nullptr, ServerPath()) && SetText(key.get(), L"ThreadingModel", L"Both");
}

} // namespace simwmi
