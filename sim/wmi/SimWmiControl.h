// Test-side control of the stand-in WMI (brindlewmi.dll): the server reads its
// script from HKEY_CURRENT_USER\Software\BrindleSim\Wmi at every query, so a
// test sets it up here (or with reg.exe) between queries. Value names:
// sim/wmi/SimWmiKey.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/wmi/SimWmiKey.h"

namespace simwmi {

// Deletes the whole key: the default entity list, no failures, counters 0.
void Reset();

// Replaces the entity list; each entry "service|caption", where an empty
// field is a missing property and "(null)" a property whose value is NULL.
// An empty list makes every query return no entity at all.
void SetEntities(const std::vector<std::wstring>& entries);

void SetValue(const wchar_t* name, std::uint32_t value);
std::uint32_t GetValue(const wchar_t* name, std::uint32_t fallback);
void ClearValue(const wchar_t* name);

// The built brindlewmi.dll as Wine sees it.
std::wstring ServerPath();
// Makes CLSID_WbemLocator name the built stand-in in the 32-bit registry view
// (what the prefix script does with reg.exe /reg:32), replacing Wine's own.
// Machine-wide: it stays so after the process ends.
bool RegisterServer();

} // namespace simwmi
