#include "sim/simctl/DriverVersion.h"

#include <windows.h>
#include <setupapi.h>

#include <vector>

#include "common/Uncopyable.h"

namespace simctl {
namespace {

const GUID kMiscInterface = {0x80dcc0c5, 0xbd3e, 0x4bc0, {0x8a, 0x06, 0x11, 0xea, 0xe4, 0xae, 0x72, 0x24}};

class CDeviceList : CUncopyable {
public:
    CDeviceList()
        : m_set(SetupDiGetClassDevsW(&kMiscInterface, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE))
    {
    }
    ~CDeviceList()
    {
        if (m_set != INVALID_HANDLE_VALUE)
            SetupDiDestroyDeviceInfoList(m_set);
    }
    HDEVINFO Get() const { return m_set; }

private:
    HDEVINFO m_set;
};

class CRegistryKey : CUncopyable {
public:
    explicit CRegistryKey(HKEY key) : m_key(key == INVALID_HANDLE_VALUE ? nullptr : key) {}
    ~CRegistryKey()
    {
        if (m_key != nullptr)
            RegCloseKey(m_key);
    }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key;
};

} // namespace

bool ReadDriverVersion(std::wstring& version)
{
    CDeviceList devices;
    if (devices.Get() == INVALID_HANDLE_VALUE)
        return false;
    SP_DEVICE_INTERFACE_DATA interfaceData = {};
    interfaceData.cbSize = sizeof(interfaceData);
    if (!SetupDiEnumDeviceInterfaces(devices.Get(), nullptr, &kMiscInterface, 0, &interfaceData))
        return false;
    // The device behind the interface comes with the interface's details.
    DWORD needed = 0;
    SetupDiGetDeviceInterfaceDetailW(devices.Get(), &interfaceData, nullptr, 0, &needed, nullptr);
    if (needed < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W))
        return false;
    std::vector<BYTE> detailBytes(needed);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(detailBytes.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    if (!SetupDiGetDeviceInterfaceDetailW(devices.Get(), &interfaceData, detail, needed, nullptr, &device))
        return false;
    CRegistryKey key(SetupDiOpenDevRegKey(devices.Get(), &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ));
    if (key.Get() == nullptr)
        return false;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.Get(), L"DriverVersion", nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    // Room for a terminator the stored text may lack.
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key.Get(), L"DriverVersion", nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
        ERROR_SUCCESS)
        return false;
    version = text.data();
    return true;
}

} // namespace simctl
