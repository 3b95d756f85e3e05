// The Windows version as the program sees it at start-up.
#pragma once

#include "app/OsVersion.h"
#include "common/Uncopyable.h"

#include <windows.h>

#include <cstdint>

// The version query: GetVersionExW unless a test installed its own. The size
// field of info says whether the short or the extended structure is asked.
using VersionQueryFunction = BOOL (*)(OSVERSIONINFOW* info);
BOOL QueryVersion(OSVERSIONINFOW* info);
// Installs query (nullptr restores GetVersionExW); returns the one replaced.
VersionQueryFunction SetVersionQueryFunction(VersionQueryFunction query);

class CWinVersion : private CUncopyable {
public:
    // Reads the short structure, and for NT 5 or later the extended one, so
    // that the product type is known.
    CWinVersion();

    std::uint16_t Code() const { return WinVersionCode(_facts); }
    const OsVersionFacts& Facts() const { return _facts; }
    // PROCESSOR_ARCHITECTURE_* of the machine (not of this 32-bit process)
    // where GetNativeSystemInfo exists, else of the process.
    WORD NativeArchitecture() const { return _wNativeArchitecture; }
    // The edition from GetProductInfo (Vista and later); 0 where it is missing.
    DWORD ProductInfo() const { return _dwProductInfo; }

private:
    OsVersionFacts _facts;
    WORD _wNativeArchitecture;
    DWORD _dwProductInfo;
};

// Reads the extended structure afresh: NT workstation, XP or later.
bool IsSupportedOs();
