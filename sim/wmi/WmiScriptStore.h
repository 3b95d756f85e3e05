// The script under HKEY_CURRENT_USER (SimWmiKey.h), read afresh by every call
// that needs it, since tests and people change it between queries.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "sim/wmi/WmiEntities.h"

namespace simwmi {

class WmiScriptStore {
public:
    // Opens the key, creating it when writable is set; without it every read
    // gives the defaults and writes are dropped.
    explicit WmiScriptStore(bool writable);
    ~WmiScriptStore();
    WmiScriptStore(const WmiScriptStore&) = delete;
    WmiScriptStore& operator=(const WmiScriptStore&) = delete;

    std::uint32_t Value(const wchar_t* name, std::uint32_t fallback) const;
    void Write(const wchar_t* name, std::uint32_t value);
    std::optional<std::vector<std::wstring>> Entries(const wchar_t* name) const;

    // Everything one ExecQuery needs, counting that query in Queries.
    WmiScript ReadForQuery();

private:
    HKEY key_ = nullptr;
};

// Counts a Release on an already released object in OverReleases.
void NoteOverRelease();

} // namespace simwmi
