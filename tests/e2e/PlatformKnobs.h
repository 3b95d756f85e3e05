// The machine as the program sees it, changed from the test side only and
// put back when the holders go: the Windows version, the registry keys the
// program reads, and how Wine treats its windows.
#pragma once

#include <windows.h>

#include <string>

#include "tests/e2e/ScopedRegistryKey.h"

namespace e2e {

// HKLM\SOFTWARE\Norvane\brindle in the 64-bit view: the stand-in driver
// serves this key to the program (which never opens it itself).
class CProductKey : public CScopedRegistryKey {
public:
    // The program writes values here too (through the driver).
    CProductKey() : CScopedRegistryKey(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane\\brindle", KEY_WOW64_64KEY)
    {
        MarkChanged();
    }
};

// HKLM\SOFTWARE\Norvane\Common in the 64-bit view.
class CCommonKey : public CScopedRegistryKey {
public:
    CCommonKey() : CScopedRegistryKey(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane\\Common", KEY_WOW64_64KEY) {}
    bool SetFutureOsWarningDisabled(bool disabled) { return SetDword(L"DisableFutureOSWarning", disabled ? 1 : 0); }
};

// HKCU\Software\Wine\AppDefaults\<exe>: what Wine does for one executable.
class CProgramDefaults : public CScopedRegistryKey {
public:
    explicit CProgramDefaults(const std::wstring& exeName)
        : CScopedRegistryKey(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\" + exeName)
    {
    }
    // Wine's version names: "winxp" (5.1), "win2003" (5.2 server), "winxp64"
    // (5.2 workstation), "vista" (6.0), "win2008" (6.0 server), "win7" (6.1),
    // "win8" (6.2), "win81", "win10" (capped at 6.2 for a program whose
    // manifest does not declare the newer systems, as Windows does).
    bool SetWindowsVersion(const wchar_t* wineName) { return SetString(L"Version", wineName); }
    // The test display has no window manager: Wine then waits about two
    // seconds at every show and hide of a managed window for an answer that
    // never comes. Unmanaged, the program's dialogs come and go at once.
    bool SetUnmanagedWindows() { return SetSubkeyString(L"X11 Driver", L"Managed", L"N"); }
};

// HKLM\System\CurrentControlSet\Control\ProductOptions: the product type of
// the whole machine ("WinNT" workstation, "ServerNT" server, "LanmanNT"
// domain controller), whatever the version.
class CProductOptions : public CScopedRegistryKey {
public:
    CProductOptions()
        : CScopedRegistryKey(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\ProductOptions", KEY_WOW64_64KEY)
    {
    }
    bool SetProductType(const wchar_t* type) { return SetString(L"ProductType", type); }
};

} // namespace e2e
