#pragma once
// The driver's "DriverVersion" text and the minimum version the channel needs.

#include <stdint.h>

namespace MiscCommon {

struct DriverVersion {
    uint32_t Major;
    uint32_t Minor;
    uint32_t Build;
    uint32_t Revision;
};

// Reads "%d.%d.%d.%d" as the C library's scanf would: each number may have
// leading white space and a sign; reading stops at the first part that does
// not match, and the parts not read stay 0. A null text gives 0.0.0.0.
DriverVersion ParseDriverVersion(const wchar_t* text);

// 1.0.8 or newer; the revision is never compared.
bool IsDriverVersionSupported(uint32_t major, uint32_t minor, uint32_t build);

} // namespace MiscCommon
