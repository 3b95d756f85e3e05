#include "sim/gobiapi/SimStateStore.h"

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

bool SimStateStore::Read(const wchar_t* name, std::uint32_t& value) const
{
    if (!key_)
        return false;
    DWORD type = 0, data = 0, size = sizeof data;
    if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data)
        return false;
    value = data;
    return true;
}

std::uint32_t SimStateStore::Value(const wchar_t* name, std::uint32_t fallback) const
{
    std::uint32_t value = fallback;
    return Read(name, value) ? value : fallback;
}

void SimStateStore::Write(const wchar_t* name, std::uint32_t value)
{
    if (!key_)
        return;
    DWORD data = value;
    RegSetValueExW(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

void SimStateStore::Delete(const wchar_t* name)
{
    if (key_)
        RegDeleteValueW(key_, name);
}

bool SimStateStore::ReadCode(const wchar_t* name, SimCode& code) const
{
    if (!key_)
        return false;
    // One more character than the longest code, and room for a terminator
    // the registry need not have stored: a longer text is refused.
    wchar_t wide[SimCode::kCapacity + 2] = {};
    DWORD type = 0, size = sizeof wide - sizeof wide[0];
    if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(wide), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    char narrow[sizeof wide] = {};
    if (!WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr))
        return false;
    return code.Assign(narrow);
}

void SimStateStore::WriteCode(const wchar_t* name, const SimCode& code)
{
    if (!key_)
        return;
    wchar_t wide[SimCode::kCapacity + 1] = {};
    const int length = MultiByteToWideChar(CP_ACP, 0, code.c_str(), -1, wide, SimCode::kCapacity + 1);
    if (length <= 0)
        return;
    RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(wide),
                   static_cast<DWORD>(length * sizeof(wchar_t)));
}

SimCard SimStateStore::LoadCard() const
{
    SimCard card;
    card.present = Value(L"CardPresent", 1) != 0;
    ReadCode(L"Pin", card.pin);
    ReadCode(L"Puk", card.puk);
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
        WriteCode(L"Pin", after.pin);
    if (after.protection != before.protection)
        Write(L"PinProtection", after.protection);
    if (after.verified != before.verified)
        Write(L"PinVerified", after.verified);
    if (after.pinLeft != before.pinLeft)
        Write(L"PinLeft", after.pinLeft);
    if (after.pukLeft != before.pukLeft)
        Write(L"PukLeft", after.pukLeft);
}

ValueName::ValueName(const wchar_t* prefix, const char* exportName)
{
    std::size_t at = 0;
    for (; *prefix && at + 1 < sizeof text_ / sizeof text_[0]; ++prefix)
        text_[at++] = *prefix;
    for (; *exportName && at + 1 < sizeof text_ / sizeof text_[0]; ++exportName)
        text_[at++] = static_cast<wchar_t>(*exportName);
}

} // namespace simmodem
