#include "InProcessDevice.h"

#include <cstring>
#include <vector>

#include "DriverEnvironment.h"

namespace MiscDriverTest {

using MiscDriver::MiscDriverFault;

DWORD Win32ErrorOf(MiscDriver::MiscDriverStatus status, uint32_t injectedStatus)
{
    if (status != MiscDriver::kStatusInjectedFailure)
        return MiscDriver::MiscDriverWin32Error(status);
    using NtStatusToDosError = ULONG(WINAPI*)(LONG);
    const auto convert = reinterpret_cast<NtStatusToDosError>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlNtStatusToDosError")));
    return convert != nullptr ? convert(static_cast<LONG>(injectedStatus)) : static_cast<DWORD>(ERROR_GEN_FAILURE);
}

CInProcessDevice::CInProcessDevice() : _core(new MiscDriver::CMiscDriverCore())
{
    _core->Initialize(&CInProcessDevice::NextRandom, this, Registry.Backend());
}

CInProcessDevice::~CInProcessDevice()
{
    _core->Shutdown();
}

uint32_t CInProcessDevice::NextRandom(void* context)
{
    auto* self = static_cast<CInProcessDevice*>(context);
    uint32_t x = self->_randomState;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    self->_randomState = x;
    return x;
}

MiscCommon::MiscFindResult CInProcessDevice::FindFirstInterface(wchar_t* versionText, DWORD versionBytes)
{
    if (versionText != nullptr) {
        const size_t bytes = (VersionText.size() + 1) * sizeof(wchar_t);
        if (bytes > versionBytes) {
            SetLastError(ERROR_MORE_DATA);
            return MiscCommon::kFindDriverVersion;
        }
        std::memcpy(versionText, VersionText.c_str(), bytes);
    }
    return MiscCommon::kFindOk;
}

HANDLE CInProcessDevice::OpenFoundInterface()
{
    _nextHandle += 4;
    return reinterpret_cast<HANDLE>(_nextHandle);
}

BOOL CInProcessDevice::Control(HANDLE device, DWORD code, const void* input, DWORD inputSize, void* output,
                               DWORD outputSize, DWORD* bytesReturned)
{
    // One system buffer for both directions, as the I/O manager provides.
    std::vector<uint8_t> system(inputSize > outputSize ? inputSize : outputSize);
    if (inputSize != 0)
        std::memcpy(system.data(), input, inputSize);
    uint32_t returned = 0;
    const MiscDriver::MiscDriverStatus status =
        _core->Dispatch(reinterpret_cast<uintptr_t>(device), code, system.empty() ? nullptr : system.data(), inputSize,
                        outputSize != 0 ? system.data() : nullptr, outputSize, &returned);
    if (!MiscDriver::MiscDriverReturnsData(status))
        returned = 0;
    if (returned > outputSize)
        returned = outputSize;
    if (returned != 0)
        std::memcpy(output, system.data(), returned);
    if (bytesReturned != nullptr)
        *bytesReturned = returned;
    SetLastError(Win32ErrorOf(status, _core->InjectedStatus()));
    return status == MiscDriver::kStatusSuccess;
}

void CInProcessDevice::Close(HANDLE device)
{
    _core->ReleaseOwner(reinterpret_cast<uintptr_t>(device));
}

namespace {

std::u16string Units(const wchar_t* text)
{
    std::u16string units;
    for (; *text != L'\0'; ++text)
        units += static_cast<char16_t>(*text);
    return units;
}

bool FaultNamed(const wchar_t* name, MiscDriverFault* fault)
{
    for (uint32_t i = 0; i < MiscDriver::kFaultCount; ++i) {
        const char* candidate = MiscDriver::MiscDriverFaultName(static_cast<MiscDriverFault>(i));
        const wchar_t* text = name;
        while (*candidate != '\0' && *text == static_cast<wchar_t>(*candidate)) {
            ++candidate;
            ++text;
        }
        if (*candidate == '\0' && *text == L'\0') {
            *fault = static_cast<MiscDriverFault>(i);
            return true;
        }
    }
    return false;
}

class CInProcessEnvironment : public IDriverEnvironment {
public:
    MiscCommon::IMiscDevice* Device() override { return &_device; }

    void SetFault(const wchar_t* name, DWORD value) override
    {
        MiscDriverFault fault;
        if (FaultNamed(name, &fault))
            _device.Registry.SetFault(fault, value);
    }
    void ClearFault(const wchar_t* name) override
    {
        MiscDriverFault fault;
        if (FaultNamed(name, &fault))
            _device.Registry.RemoveFault(fault);
    }
    bool ReadFault(const wchar_t* name, DWORD* value) override
    {
        MiscDriverFault fault;
        if (!FaultNamed(name, &fault) || !_device.Registry.HasFault(fault))
            return false;
        uint32_t found = 0;
        _device.Registry.Backend()->ReadFault(_device.Registry.Backend()->Context, fault, &found);
        *value = found;
        return true;
    }
    void ClearAllFaults() override
    {
        for (uint32_t i = 0; i < MiscDriver::kFaultCount; ++i)
            _device.Registry.RemoveFault(static_cast<MiscDriverFault>(i));
    }

    void SetDword(const wchar_t* key, const wchar_t* name, DWORD value) override
    {
        _device.Registry.SetDword(Units(key), Units(name), value);
    }
    void SetString(const wchar_t* key, const wchar_t* name, const wchar_t* text) override
    {
        _device.Registry.SetString(Units(key), Units(name), Units(text));
    }
    bool ReadValue(const wchar_t* key, const wchar_t* name, DWORD* type, std::vector<BYTE>* data) override
    {
        uint32_t found = 0;
        if (!_device.Registry.GetValue(Units(key), Units(name), &found, data))
            return false;
        *type = found;
        return true;
    }
    // Every test has an environment of its own: nothing outlives it.
    void DeleteKey(const wchar_t*) override {}

private:
    CInProcessDevice _device;
};

} // namespace

std::unique_ptr<IDriverEnvironment> MakeInProcessEnvironment()
{
    return std::unique_ptr<IDriverEnvironment>(new CInProcessEnvironment());
}

} // namespace MiscDriverTest
