// The kernel-mode stand-in in the Wine prefix: the program's own SetupAPI
// device reaches it, and the registry and faults are set where the driver
// reads them (the 64-bit view).
#include "DriverEnvironment.h"

#include "SimDriverControl.h"
#include "misccommon/SetupApiDevice.h"

namespace MiscDriverTest {

namespace {

class CKernelEnvironment : public IDriverEnvironment {
public:
    CKernelEnvironment()
    {
        simdriver::ClearAllFaults();
        // The first client of a fresh Wine session may come before the
        // driver has started.
        simdriver::WaitForInterface(20000);
    }
    ~CKernelEnvironment() override { simdriver::ClearAllFaults(); }

    MiscCommon::IMiscDevice* Device() override { return &_device; }

    void SetFault(const wchar_t* name, DWORD value) override { simdriver::SetFault(name, value); }
    void ClearFault(const wchar_t* name) override { simdriver::ClearFault(name); }
    bool ReadFault(const wchar_t* name, DWORD* value) override { return simdriver::ReadFault(name, value); }
    void ClearAllFaults() override { simdriver::ClearAllFaults(); }

    void SetDword(const wchar_t* key, const wchar_t* name, DWORD value) override
    {
        simdriver::SetDword(name, value, key);
    }
    void SetString(const wchar_t* key, const wchar_t* name, const wchar_t* text) override
    {
        simdriver::SetString(name, text, key);
    }
    bool ReadValue(const wchar_t* key, const wchar_t* name, DWORD* type, std::vector<BYTE>* data) override
    {
        return simdriver::ReadValue(name, type, data, key);
    }
    void DeleteKey(const wchar_t* key) override { simdriver::DeleteKey(key); }

private:
    MiscCommon::CSetupApiDevice _device;
};

} // namespace

std::unique_ptr<IDriverEnvironment> MakeKernelEnvironment()
{
    return std::unique_ptr<IDriverEnvironment>(new CKernelEnvironment());
}

} // namespace MiscDriverTest
