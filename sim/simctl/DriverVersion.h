// The "DriverVersion" text of the stand-in misc driver's device, as the
// program finds it: through the device interface it serves.
#pragma once

#include <string>

namespace simctl {

// False when no device serves the interface or it has no version text.
bool ReadDriverVersion(std::wstring& version);

// What `driver ok` restores and `driver old` replaces.
constexpr wchar_t kCurrentDriverVersion[] = L"1.0.8.0";
constexpr wchar_t kOldDriverVersion[] = L"1.0.7.0";

} // namespace simctl
