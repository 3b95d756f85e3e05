#pragma once
// The protocol core behind the program's device seam, in-process: requests
// travel as the kernel shell hands them over (one METHOD_BUFFERED system
// buffer, the answer bytes only on success or "more data", the status turned
// into the error Wine reports), and each open handle is a session owner of
// its own.

#include <windows.h>

#include <memory>
#include <string>

#include "MemoryBackend.h"
#include "MiscDriverCore.h"
#include "misccommon/MiscDevice.h"

namespace MiscDriverTest {

class CInProcessDevice : public MiscCommon::IMiscDevice {
public:
    CInProcessDevice();
    ~CInProcessDevice() override;

    MiscCommon::MiscFindResult FindFirstInterface(wchar_t* versionText, DWORD versionBytes) override;
    HANDLE OpenFoundInterface() override;
    BOOL Control(HANDLE device, DWORD code, const void* input, DWORD inputSize, void* output, DWORD outputSize,
                 DWORD* bytesReturned) override;
    void Close(HANDLE device) override;

    MiscDriver::CMemoryBackend Registry;
    MiscDriver::CMiscDriverCore& Core() { return *_core; }
    std::wstring VersionText = L"1.0.8.0";

private:
    static uint32_t NextRandom(void* context);

    std::unique_ptr<MiscDriver::CMiscDriverCore> _core;
    uint32_t _randomState = 0x2545F491u;
    uintptr_t _nextHandle = 0x1000;
};

// The Win32 error user mode reads after the kernel completed a request with
// the core's `status`.
DWORD Win32ErrorOf(MiscDriver::MiscDriverStatus status, uint32_t injectedStatus);

} // namespace MiscDriverTest
