#include "sim/wmi/WmiScriptStore.h"

#include "sim/wmi/SimWmiKey.h"

namespace simwmi {

WmiScriptStore::WmiScriptStore(bool writable)
{
    LONG rc = writable ? RegCreateKeyExW(HKEY_CURRENT_USER, kWmiKeyPath, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                                         &key_, nullptr)
                       : RegOpenKeyExW(HKEY_CURRENT_USER, kWmiKeyPath, 0, KEY_READ, &key_);
    if (rc != ERROR_SUCCESS)
        key_ = nullptr;
}

WmiScriptStore::~WmiScriptStore()
{
    if (key_)
        RegCloseKey(key_);
}

std::uint32_t WmiScriptStore::Value(const wchar_t* name, std::uint32_t fallback) const
{
    if (!key_)
        return fallback;
    DWORD type = 0, data = 0, size = sizeof data;
    if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data)
        return fallback;
    return data;
}

void WmiScriptStore::Write(const wchar_t* name, std::uint32_t value)
{
    if (!key_)
        return;
    DWORD data = value;
    RegSetValueExW(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

std::optional<std::vector<std::wstring>> WmiScriptStore::Entries(const wchar_t* name) const
{
    if (!key_)
        return std::nullopt;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_MULTI_SZ && type != REG_SZ))
        return std::nullopt;
    // Two spare zeros: stored text need not carry its terminators.
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 2, L'\0');
    if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<std::wstring> entries;
    // An empty string ends a multi-string; a plain string is a list of one.
    for (const wchar_t* entry = data.data(); *entry; entry += wcslen(entry) + 1) {
        entries.emplace_back(entry);
        if (type == REG_SZ)
            break;
    }
    return entries;
}

WmiScript WmiScriptStore::ReadForQuery()
{
    WmiScript script;
    script.entities = Entries(kEntities);
    script.queriesBefore = Value(kQueries, 0);
    Write(kQueries, script.queriesBefore + 1);
    script.appearAfter = Value(kAppearAfter, 0);
    script.timeoutsBefore = Value(kTimeoutsBefore, 0);
    script.failQuery = Value(kFailQuery, 0);
    script.nextError = Value(kNextError, 0);
    script.delayMs = Value(kDelay, 0);
    script.objectResult = Value(kObjectResult, 0);
    return script;
}

void NoteOverRelease()
{
    WmiScriptStore store(true);
    store.Write(kOverReleases, store.Value(kOverReleases, 0) + 1);
}

} // namespace simwmi
