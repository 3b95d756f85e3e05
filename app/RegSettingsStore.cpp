#include "app/RegSettingsStore.h"

#include "misccommon/RegAccess.h"

std::uint32_t CRegSettingsStore::QueryDword(const wchar_t* valueName, std::uint32_t& value)
{
    CRegAccess* registry = CRegAccess::Instance();
    if (registry == nullptr)
        return RegResult::kNotInitialized;
    DWORD read = 0;
    const std::uint32_t result = registry->QueryDword(valueName, &read);
    if (result == RegResult::kOk)
        value = read;
    return result;
}

std::uint32_t CRegSettingsStore::SetDword(const wchar_t* valueName, std::uint32_t value)
{
    CRegAccess* registry = CRegAccess::Instance();
    if (registry == nullptr)
        return RegResult::kNotInitialized;
    return registry->SetDword(valueName, value);
}

std::uint32_t CRegSettingsStore::QueryString(const wchar_t* valueName, wchar_t* buffer, std::uint32_t& size)
{
    CRegAccess* registry = CRegAccess::Instance();
    if (registry == nullptr)
        return RegResult::kNotInitialized;
    DWORD bytes = size;
    const std::uint32_t result = registry->QueryString(valueName, buffer, &bytes);
    size = bytes;
    return result;
}
