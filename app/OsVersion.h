// Which Windows the program runs on, and what it makes of that. Portable:
// the facts are copied out of the system's version structure.
#pragma once

#include <cstdint>

// The system's values for the fields below.
const std::uint32_t kPlatformWin32Windows = 1;
const std::uint32_t kPlatformWin32Nt = 2;
const std::uint8_t kProductWorkstation = 1;

struct OsVersionFacts {
    bool read; // the version query succeeded
    std::uint32_t platformId;
    std::uint32_t major;
    std::uint32_t minor;
    std::uint8_t productType; // 0 when only the short structure was read
};

// The code of an NT major version of 7 or more: a Windows newer than any the
// program knows.
const std::uint16_t kFutureOsVersionCode = 0xFFFF;

// 0 when the version could not be read; kFutureOsVersionCode for a newer NT;
// otherwise platform, major and minor packed as 0xPMmm, which never reaches
// kFutureOsVersionCode.
std::uint16_t WinVersionCode(const OsVersionFacts& facts);

// NT workstation, XP (5.1) or later.
bool IsSupportedOsVersion(const OsVersionFacts& facts);
