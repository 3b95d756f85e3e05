// In-memory product key for the dialogs that read and write settings.
#pragma once

#include "ui/SettingsStore.h"

#include <cstring>
#include <map>
#include <string>

class CFakeSettingsStore : public ISettingsStore {
public:
    static constexpr std::uint32_t kMissing = 0x80000009;

    std::uint32_t QueryDword(const wchar_t* name, std::uint32_t& value) override
    {
        auto it = dwords.find(name);
        if (it == dwords.end())
            return kMissing;
        value = it->second;
        return 0;
    }
    std::uint32_t SetDword(const wchar_t* name, std::uint32_t value) override
    {
        ++writes;
        dwords[name] = value;
        return 0;
    }
    // Copies as many bytes as the buffer holds: a value stored without its
    // terminator that fills the buffer arrives unterminated, as it can from
    // the driver.
    std::uint32_t QueryString(const wchar_t* name, wchar_t* buffer, std::uint32_t& size) override
    {
        auto it = strings.find(name);
        if (it == strings.end())
            return kMissing;
        std::uint32_t bytes = static_cast<std::uint32_t>((it->second.size() + 1) * sizeof(wchar_t));
        if (bytes > size)
            bytes = size;
        std::memcpy(buffer, it->second.c_str(), bytes);
        size = bytes;
        return 0;
    }

    std::map<std::wstring, std::uint32_t> dwords;
    std::map<std::wstring, std::wstring> strings;
    int writes = 0;
};

// Installs a store for one test and takes it out again.
class CStoreInstallation {
public:
    explicit CStoreInstallation(ISettingsStore* store) : m_previous(SetSettingsStore(store)) {}
    ~CStoreInstallation() { SetSettingsStore(m_previous); }
    CStoreInstallation(const CStoreInstallation&) = delete;
    CStoreInstallation& operator=(const CStoreInstallation&) = delete;

private:
    ISettingsStore* m_previous;
};
