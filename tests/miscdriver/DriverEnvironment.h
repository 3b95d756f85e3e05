#pragma once
// Where the misc driver under test lives: the protocol core in-process over an
// in-memory registry, or the kernel-mode stand-in in the Wine prefix over the
// real one. The same suite runs against both; each environment gives devices
// for the program's channel and reaches the registry and faults behind them.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "misccommon/MiscDevice.h"

namespace MiscDriverTest {

class IDriverEnvironment {
public:
    virtual ~IDriverEnvironment() {}

    // A device for one channel, owned by the environment and valid until it
    // is destroyed. Every channel opened through it gets its own handle.
    virtual MiscCommon::IMiscDevice* Device() = 0;

    // Fault value names as the stand-in's configuration key spells them.
    virtual void SetFault(const wchar_t* name, DWORD value) = 0;
    virtual void ClearFault(const wchar_t* name) = 0;
    virtual bool ReadFault(const wchar_t* name, DWORD* value) = 0;
    virtual void ClearAllFaults() = 0;

    // Values under HKEY_LOCAL_MACHINE\key, as the driver sees them.
    virtual void SetDword(const wchar_t* key, const wchar_t* name, DWORD value) = 0;
    virtual void SetString(const wchar_t* key, const wchar_t* name, const wchar_t* text) = 0;
    virtual bool ReadValue(const wchar_t* key, const wchar_t* name, DWORD* type, std::vector<BYTE>* data) = 0;
    virtual void DeleteKey(const wchar_t* key) = 0;
};

using EnvironmentFactory = std::unique_ptr<IDriverEnvironment> (*)();

struct EnvironmentParam {
    const char* Name;
    EnvironmentFactory Make;
};

// The in-process core (InProcessDevice.cpp) and the kernel driver
// (KernelEnvironment.cpp); each test executable links the one it runs.
std::unique_ptr<IDriverEnvironment> MakeInProcessEnvironment();
std::unique_ptr<IDriverEnvironment> MakeKernelEnvironment();

// Wraps a device and, while DropSessionClose is set, swallows the
// session-close request as a program that dies mid-session never sends it.
class CSessionCloseDropper : public MiscCommon::IMiscDevice {
public:
    explicit CSessionCloseDropper(MiscCommon::IMiscDevice* inner) : _inner(inner) {}

    MiscCommon::MiscFindResult FindFirstInterface(wchar_t* versionText, DWORD versionBytes) override
    {
        return _inner->FindFirstInterface(versionText, versionBytes);
    }
    HANDLE OpenFoundInterface() override { return _inner->OpenFoundInterface(); }
    BOOL Control(HANDLE device, DWORD code, const void* input, DWORD inputSize, void* output, DWORD outputSize,
                 DWORD* bytesReturned) override;
    void Close(HANDLE device) override { _inner->Close(device); }

    bool DropSessionClose = false;

private:
    MiscCommon::IMiscDevice* _inner;
};

} // namespace MiscDriverTest
