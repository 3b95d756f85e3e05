#pragma once
// The misc driver as the system presents it: SetupAPI lookup, the driver key,
// CreateFileW, DeviceIoControl, CloseHandle.

#include "common/Uncopyable.h"
#include "misccommon/MiscDevice.h"

namespace MiscCommon {

// The misc driver's device interface class.
extern const GUID kMiscInterfaceClass;

class CSetupApiDevice : public IMiscDevice, private CUncopyable {
public:
    // Another class only for tests that need a class nothing serves.
    explicit CSetupApiDevice(const GUID& interfaceClass = kMiscInterfaceClass);
    ~CSetupApiDevice() override;

    MiscFindResult FindFirstInterface(wchar_t* versionText, DWORD versionBytes) override;
    HANDLE OpenFoundInterface() override;
    BOOL Control(HANDLE device, DWORD code, const void* input, DWORD inputSize, void* output, DWORD outputSize,
                 DWORD* bytesReturned) override;
    void Close(HANDLE device) override;

private:
    void FreeDetail();

    // Owned, from the process heap: the interface detail of the last lookup,
    // held until OpenFoundInterface.
    void* _pDetail;
    GUID _interfaceClass;
};

} // namespace MiscCommon
