#include "app/OsVersion.h"

std::uint16_t WinVersionCode(const OsVersionFacts& facts)
{
    if (!facts.read)
        return 0;
    if (facts.platformId == kPlatformWin32Nt && facts.major >= 7)
        return kFutureOsVersionCode;
    // Below NT 7 the major fits in four bits and the platform id in two
    // (the system knows 0 to 3), so the packed code stays below 0x4000.
    const std::uint32_t major = facts.major > 0xF ? 0xF : facts.major;
    const std::uint32_t minor = facts.minor > 0xFF ? 0xFF : facts.minor;
    return static_cast<std::uint16_t>(((facts.platformId & 0x3) << 12) | (major << 8) | minor);
}

bool IsSupportedOsVersion(const OsVersionFacts& facts)
{
    if (!facts.read || facts.platformId != kPlatformWin32Nt || facts.productType != kProductWorkstation)
        return false;
    return facts.major > 5 || (facts.major == 5 && facts.minor > 0);
}
