#pragma once
// The channel's only way to the platform: finding, opening and talking to the
// misc driver. The product uses CSetupApiDevice; tests put a scripted device
// in its place.

#include <windows.h>

namespace MiscCommon {

// Which step of the interface lookup failed; OpenDriver turns each into its
// own message and result.
enum MiscFindResult {
    kFindOk = 0,
    kFindNoClassList,   // SetupDiGetClassDevs
    kFindNoInterface,   // SetupDiEnumDeviceInterfaces, index 0
    kFindDetailSize,    // first SetupDiGetDeviceInterfaceDetail
    kFindDetailMemory,  // the detail buffer
    kFindDetail,        // second SetupDiGetDeviceInterfaceDetail
    kFindDriverKey,     // SetupDiOpenDevRegKey
    kFindDriverVersion, // RegQueryValueEx "DriverVersion"
};

class IMiscDevice {
public:
    virtual ~IMiscDevice() {}

    // Looks up interface 0 of the misc driver's class and keeps its device
    // path for OpenFoundInterface. With versionText, also reads the driver
    // key's "DriverVersion" into it, at most versionBytes bytes. On failure
    // nothing stays held and GetLastError() is the failing call's error.
    virtual MiscFindResult FindFirstInterface(wchar_t* versionText, DWORD versionBytes) = 0;
    // Opens the kept path for reading and writing and forgets the path.
    // INVALID_HANDLE_VALUE (with the system error) on failure. The caller owns
    // the handle and gives it back through Close.
    virtual HANDLE OpenFoundInterface() = 0;
    // DeviceIoControl on a handle from OpenFoundInterface.
    virtual BOOL Control(HANDLE device, DWORD code, const void* input, DWORD inputSize, void* output, DWORD outputSize,
                         DWORD* bytesReturned) = 0;
    virtual void Close(HANDLE device) = 0;
};

} // namespace MiscCommon
