#include "sim/gobiapi/SimStateStore.h"

#include <vector>

#include "sim/gobiapi/SimModemKey.h"

namespace simmodem {

SimStateStore::SimStateStore()
{
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kModemKeyPath, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_,
                        nullptr) != ERROR_SUCCESS)
        key_ = nullptr;
}

SimStateStore::~SimStateStore()
{
    if (key_)
        RegCloseKey(key_);
}

bool SimStateStore::Read(const std::wstring& name, std::uint32_t& value) const
{
    if (!key_)
        return false;
    DWORD type = 0, data = 0, size = sizeof data;
    if (RegQueryValueExW(key_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data)
        return false;
    value = data;
    return true;
}

std::uint32_t SimStateStore::Value(const std::wstring& name, std::uint32_t fallback) const
{
    std::uint32_t value = fallback;
    return Read(name, value) ? value : fallback;
}

void SimStateStore::Write(const std::wstring& name, std::uint32_t value)
{
    if (!key_)
        return;
    DWORD data = value;
    RegSetValueExW(key_, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

void SimStateStore::Delete(const std::wstring& name)
{
    if (key_)
        RegDeleteValueW(key_, name.c_str());
}

bool SimStateStore::ReadText(const wchar_t* name, std::string& text) const
{
    if (!key_)
        return false;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return false;
    // One more character than stored: registry text need not be terminated.
    std::vector<wchar_t> wide(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(wide.data()), &size) != ERROR_SUCCESS)
        return false;
    int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return false;
    std::vector<char> narrow(length);
    WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, narrow.data(), length, nullptr, nullptr);
    text = narrow.data();
    return true;
}

void SimStateStore::WriteText(const wchar_t* name, const std::string& text)
{
    if (!key_)
        return;
    int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0)
        return;
    std::vector<wchar_t> wide(length);
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
    RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.data()),
                   static_cast<DWORD>(length * sizeof(wchar_t)));
}

SimCard SimStateStore::LoadCard() const
{
    SimCard card;
    card.present = Value(L"CardPresent", 1) != 0;
    ReadText(L"Pin", card.pin);
    ReadText(L"Puk", card.puk);
    card.protection = Value(L"PinProtection", 1) != 0;
    card.verified = Value(L"PinVerified", 0) != 0;
    card.pinLeft = Value(L"PinLeft", card.pinLeft);
    card.pukLeft = Value(L"PukLeft", card.pukLeft);
    card.pinMax = Value(L"PinMax", card.pinMax);
    card.pukMax = Value(L"PukMax", card.pukMax);
    card.hasStatusOverride = Read(L"StatusOverride", card.statusOverride);
    return card;
}

void SimStateStore::StoreCard(const SimCard& before, const SimCard& after)
{
    // The operations change only these; presence, limits and the override are
    // the test's to set.
    if (after.pin != before.pin)
        WriteText(L"Pin", after.pin);
    if (after.protection != before.protection)
        Write(L"PinProtection", after.protection);
    if (after.verified != before.verified)
        Write(L"PinVerified", after.verified);
    if (after.pinLeft != before.pinLeft)
        Write(L"PinLeft", after.pinLeft);
    if (after.pukLeft != before.pukLeft)
        Write(L"PukLeft", after.pukLeft);
}

std::wstring ExportValueName(const wchar_t* prefix, const char* exportName)
{
    std::wstring name = prefix;
    for (const char* c = exportName; *c; ++c)
        name += static_cast<wchar_t>(*c);
    return name;
}

} // namespace simmodem
