// RegDeleteKeyExW (the only way to delete a key in the 64-bit view from a
// 32-bit process) needs the Vista declarations; the program itself keeps XP's.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include "tests/e2e/ScopedRegistryKey.h"

#include <utility>
#include <vector>

namespace e2e {

struct RegistryKeyImage {
    bool exists = false;
    struct Value {
        std::wstring name;
        DWORD type = 0;
        std::vector<BYTE> data;
    };
    std::vector<Value> values;
    std::vector<std::pair<std::wstring, std::unique_ptr<RegistryKeyImage>>> subkeys;
};

namespace {

class CKey : CUncopyable {
public:
    CKey(HKEY root, const std::wstring& path, REGSAM access, bool create)
    {
        const LONG rc = create ? RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, access, nullptr, &m_key, nullptr)
                               : RegOpenKeyExW(root, path.c_str(), 0, access, &m_key);
        if (rc != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~CKey()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

std::unique_ptr<RegistryKeyImage> Capture(HKEY root, const std::wstring& path, REGSAM view)
{
    auto image = std::make_unique<RegistryKeyImage>();
    CKey key(root, path, KEY_READ | view, false);
    if (!key.Get())
        return image;
    image->exists = true;
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384];
        DWORD nameLength = ARRAYSIZE(name), type = 0, size = 0;
        if (RegEnumValueW(key.Get(), index, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            break;
        RegistryKeyImage::Value value;
        value.name.assign(name, nameLength);
        value.type = type;
        value.data.resize(size);
        DWORD read = size;
        RegQueryValueExW(key.Get(), value.name.c_str(), nullptr, nullptr, size ? value.data.data() : nullptr, &read);
        value.data.resize(read);
        image->values.push_back(std::move(value));
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = ARRAYSIZE(name);
        if (RegEnumKeyExW(key.Get(), index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        const std::wstring child(name, nameLength);
        image->subkeys.emplace_back(child, Capture(root, path + L"\\" + child, view));
    }
    return image;
}

void Write(HKEY root, const std::wstring& path, REGSAM view, const RegistryKeyImage& image)
{
    if (!image.exists)
        return;
    CKey key(root, path, KEY_WRITE | view, true);
    if (!key.Get())
        return;
    for (const auto& value : image.values) {
        RegSetValueExW(key.Get(), value.name.c_str(), 0, value.type, value.data.empty() ? nullptr : value.data.data(),
                       static_cast<DWORD>(value.data.size()));
    }
    for (const auto& child : image.subkeys)
        Write(root, path + L"\\" + child.first, view, *child.second);
}

} // namespace

void RegistryDeleteTree(HKEY root, const std::wstring& path, REGSAM view)
{
    std::vector<std::wstring> children;
    {
        CKey key(root, path, KEY_READ | view, false);
        if (!key.Get())
            return;
        for (DWORD index = 0;; ++index) {
            wchar_t name[256];
            DWORD nameLength = ARRAYSIZE(name);
            if (RegEnumKeyExW(key.Get(), index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            children.emplace_back(name, nameLength);
        }
    }
    for (const std::wstring& child : children)
        RegistryDeleteTree(root, path + L"\\" + child, view);
    RegDeleteKeyExW(root, path.c_str(), view, 0);
}

bool RegistrySetDword(HKEY root, const std::wstring& path, REGSAM view, const wchar_t* name, std::uint32_t value)
{
    CKey key(root, path, KEY_WRITE | view, true);
    const DWORD data = value;
    return key.Get() && RegSetValueExW(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                                       sizeof data) == ERROR_SUCCESS;
}

bool RegistrySetString(HKEY root, const std::wstring& path, REGSAM view, const wchar_t* name, const std::wstring& value)
{
    CKey key(root, path, KEY_WRITE | view, true);
    return key.Get() && RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

CScopedRegistryKey::CScopedRegistryKey(HKEY root, std::wstring path, REGSAM view)
    : m_root(root), m_path(std::move(path)), m_view(view), m_saved(Capture(m_root, m_path, m_view))
{
}

CScopedRegistryKey::~CScopedRegistryKey()
{
    if (m_changed)
        Restore();
}

void CScopedRegistryKey::Restore()
{
    RegistryDeleteTree(m_root, m_path, m_view);
    Write(m_root, m_path, m_view, *m_saved);
}

void CScopedRegistryKey::DeleteKey()
{
    m_changed = true;
    RegistryDeleteTree(m_root, m_path, m_view);
}

bool CScopedRegistryKey::SetDword(const wchar_t* name, std::uint32_t value)
{
    m_changed = true;
    return RegistrySetDword(m_root, m_path, m_view, name, value);
}

bool CScopedRegistryKey::SetString(const wchar_t* name, const std::wstring& value)
{
    m_changed = true;
    return RegistrySetString(m_root, m_path, m_view, name, value);
}

bool CScopedRegistryKey::SetSubkeyString(const wchar_t* subkey, const wchar_t* name, const std::wstring& value)
{
    m_changed = true;
    return RegistrySetString(m_root, m_path + L"\\" + subkey, m_view, name, value);
}

bool CScopedRegistryKey::DeleteValue(const wchar_t* name)
{
    m_changed = true;
    CKey key(m_root, m_path, KEY_WRITE | m_view, false);
    return key.Get() && RegDeleteValueW(key.Get(), name) == ERROR_SUCCESS;
}

bool CScopedRegistryKey::GetDword(const wchar_t* name, std::uint32_t& value) const
{
    CKey key(m_root, m_path, KEY_READ | m_view, false);
    DWORD type = 0, data = 0, size = sizeof data;
    if (!key.Get() ||
        RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data)
        return false;
    value = data;
    return true;
}

bool CScopedRegistryKey::GetString(const wchar_t* name, std::wstring& value) const
{
    CKey key(m_root, m_path, KEY_READ | m_view, false);
    DWORD type = 0, size = 0;
    if (!key.Get() || RegQueryValueExW(key.Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    DWORD read = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&text[0]), &read) != ERROR_SUCCESS)
        return false;
    text.resize(read / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0')
        text.pop_back();
    value = text;
    return true;
}

} // namespace e2e
