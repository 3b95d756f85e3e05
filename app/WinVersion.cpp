#include "app/WinVersion.h"

#include "common/win/ProcAddress.h"

namespace {

VersionQueryFunction g_versionQuery = nullptr;

typedef void(WINAPI* GetNativeSystemInfoFn)(LPSYSTEM_INFO info);
typedef BOOL(WINAPI* GetProductInfoFn)(DWORD major, DWORD minor, DWORD spMajor, DWORD spMinor, PDWORD type);

OsVersionFacts FactsFrom(const OSVERSIONINFOEXW& info, bool read, bool extended)
{
    OsVersionFacts facts = {};
    facts.read = read;
    if (read) {
        facts.platformId = info.dwPlatformId;
        facts.major = info.dwMajorVersion;
        facts.minor = info.dwMinorVersion;
        facts.productType = extended ? info.wProductType : 0;
    }
    return facts;
}

} // namespace

BOOL QueryVersion(OSVERSIONINFOW* info)
{
    if (g_versionQuery != nullptr)
        return g_versionQuery(info);
    return ::GetVersionExW(info);
}

VersionQueryFunction SetVersionQueryFunction(VersionQueryFunction query)
{
    VersionQueryFunction previous = g_versionQuery;
    g_versionQuery = query;
    return previous;
}

CWinVersion::CWinVersion() : _facts(), _wNativeArchitecture(PROCESSOR_ARCHITECTURE_UNKNOWN), _dwProductInfo(0)
{
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    bool read = QueryVersion(reinterpret_cast<OSVERSIONINFOW*>(&info)) != FALSE;
    bool extended = false;
    // Windows 9x and NT 4 before SP6 refuse the extended structure.
    if (read && info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion >= 5) {
        info = OSVERSIONINFOEXW();
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
        read = QueryVersion(reinterpret_cast<OSVERSIONINFOW*>(&info)) != FALSE;
        extended = read;
    }
    _facts = FactsFrom(info, read, extended);

    // XP before SP1 lacks GetNativeSystemInfo and everything before Vista
    // lacks GetProductInfo, so both are looked up rather than imported.
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    SYSTEM_INFO system = {};
    GetNativeSystemInfoFn getNativeSystemInfo = FindProc<GetNativeSystemInfoFn>(kernel, "GetNativeSystemInfo");
    if (getNativeSystemInfo != nullptr)
        getNativeSystemInfo(&system);
    else
        ::GetSystemInfo(&system);
    _wNativeArchitecture = system.wProcessorArchitecture;

    GetProductInfoFn getProductInfo = FindProc<GetProductInfoFn>(kernel, "GetProductInfo");
    if (extended && getProductInfo != nullptr && info.dwMajorVersion >= 6) {
        DWORD product = 0;
        if (getProductInfo(info.dwMajorVersion, info.dwMinorVersion, info.wServicePackMajor, info.wServicePackMinor,
                           &product))
            _dwProductInfo = product;
    }
}

bool IsSupportedOs()
{
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
    const bool read = QueryVersion(reinterpret_cast<OSVERSIONINFOW*>(&info)) != FALSE;
    return IsSupportedOsVersion(FactsFrom(info, read, true));
}
