#pragma once
// Test-side control of the kernel-mode stand-in misc driver in the Wine
// prefix: its faults, the registry values it serves, and its installer. The
// driver is 64-bit, so every registry access here goes to the 64-bit view,
// the one the driver sees; a 32-bit test reaching HKLM\SOFTWARE without it
// would land in Wow6432Node.

#include <windows.h>

#include <string>
#include <vector>

namespace simdriver {

// The stand-in's fault configuration: DWORDs under this key, absent = off.
extern const wchar_t kFaultKey[]; // SOFTWARE\BrindleSim\MiscDriver
namespace fault {
extern const wchar_t kRefuseSessions[]; // session probe: ERROR_NOT_SUPPORTED; capsules in clear
extern const wchar_t kBusyOnce[];       // next misc call answers status 4, then the value goes
extern const wchar_t kBusyAlways[];     // every misc call answers status 4
extern const wchar_t kWritePayload[];   // a registry write answers with that many bytes
extern const wchar_t kWrongMagic[];     // registry query answers carry a wrong magic
extern const wchar_t kFailCapsule[];    // capsule calls fail with that NTSTATUS
extern const wchar_t kFeatureWord12[];  // the feature word at offset 12 (default 1)
extern const wchar_t kFeatureWord14[];  // the feature word at offset 14 (default 1)
} // namespace fault

bool SetFault(const wchar_t* name, DWORD value);
bool ClearFault(const wchar_t* name);
// True with the value when the fault is set.
bool ReadFault(const wchar_t* name, DWORD* value);
// Switches every fault off.
void ClearAllFaults();

// Values under HKEY_LOCAL_MACHINE, by default in the product key the driver
// serves to the program.
extern const wchar_t kProductKey[]; // SOFTWARE\Norvane\brindle
bool SetDword(const wchar_t* name, DWORD value, const wchar_t* key = kProductKey);
bool SetString(const wchar_t* name, const wchar_t* text, const wchar_t* key = kProductKey);
bool SetBinary(const wchar_t* name, DWORD type, const std::vector<BYTE>& data, const wchar_t* key = kProductKey);
bool ReadValue(const wchar_t* name, DWORD* type, std::vector<BYTE>* data, const wchar_t* key = kProductKey);
bool ReadDword(const wchar_t* name, DWORD* value, const wchar_t* key = kProductKey);
bool DeleteValue(const wchar_t* name, const wchar_t* key = kProductKey);
// Removes the key with its values (no subkeys are expected below it).
bool DeleteKey(const wchar_t* key = kProductKey);

// driversetup.exe of this build tree with `arguments`: its exit code, or -1
// when it could not be started.
int RunDriverSetup(const std::wstring& arguments);
// Rewrites the "DriverVersion" text the program reads (driversetup version).
bool SetDriverVersion(const wchar_t* text);
// Removes the device (driversetup remove); the interface goes with it.
bool RemoveDriver();
// Installs the device again from this tree's INF (driversetup install),
// which also restores the version text, and waits for its interface.
bool InstallDriver(DWORD timeoutMs = 20000);

// Whether the misc interface is present, as the program's lookup sees it.
bool InterfacePresent();
bool WaitForInterface(DWORD timeoutMs);
bool WaitForInterfaceGone(DWORD timeoutMs);

} // namespace simdriver
