#include "misccommon/SetupApiDevice.h"

#include <setupapi.h>

namespace MiscCommon {

const GUID kMiscInterfaceClass = {0x80DCC0C5, 0xBD3E, 0x4BC0, {0x8A, 0x06, 0x11, 0xEA, 0xE4, 0xAE, 0x72, 0x24}};

namespace {

// The 32-bit layouts of the SetupAPI records; the program is a 32-bit one,
// and the cbSize values are what SetupAPI checks, not the allocation size.
constexpr DWORD kDetailDataCbSize = 6;
constexpr DWORD kDevInfoDataCbSize = 28;

// The lookup once the list exists; the caller destroys the list. On success
// *detail is the interface detail from the process heap; on failure *error
// is the failing call's error.
MiscFindResult FindInList(HDEVINFO list, const GUID& interfaceClass, wchar_t* versionText, DWORD versionBytes,
                          void** detail, DWORD* error)
{
    *detail = nullptr;
    SP_DEVICE_INTERFACE_DATA interfaceData;
    ZeroMemory(&interfaceData, sizeof(interfaceData));
    interfaceData.cbSize = sizeof(interfaceData);
    if (!SetupDiEnumDeviceInterfaces(list, nullptr, &interfaceClass, 0, &interfaceData)) {
        *error = GetLastError();
        return kFindNoInterface;
    }

    DWORD required = 0;
    if (SetupDiGetDeviceInterfaceDetailW(list, &interfaceData, nullptr, 0, &required, nullptr)) {
        // Success without a buffer would mean an empty record: not a path.
        *error = ERROR_INVALID_DATA;
        return kFindDetailSize;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        *error = GetLastError();
        return kFindDetailSize;
    }

    void* buffer = HeapAlloc(GetProcessHeap(), 0, required);
    if (buffer == nullptr) {
        *error = ERROR_NOT_ENOUGH_MEMORY;
        return kFindDetailMemory;
    }
    auto* detailData = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer);
    detailData->cbSize = kDetailDataCbSize;

    SP_DEVINFO_DATA devInfo;
    ZeroMemory(&devInfo, sizeof(devInfo));
    devInfo.cbSize = kDevInfoDataCbSize;
    if (!SetupDiGetDeviceInterfaceDetailW(list, &interfaceData, detailData, required, nullptr, &devInfo)) {
        *error = GetLastError();
        HeapFree(GetProcessHeap(), 0, buffer);
        return kFindDetail;
    }

    if (versionText != nullptr) {
        HKEY key = SetupDiOpenDevRegKey(list, &devInfo, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) {
            *error = GetLastError();
            HeapFree(GetProcessHeap(), 0, buffer);
            return kFindDriverKey;
        }
        DWORD size = versionBytes;
        // The registry functions return their error instead of setting it.
        const LONG status =
            RegQueryValueExW(key, L"DriverVersion", nullptr, nullptr, reinterpret_cast<BYTE*>(versionText), &size);
        RegCloseKey(key);
        if (status != ERROR_SUCCESS) {
            *error = static_cast<DWORD>(status);
            HeapFree(GetProcessHeap(), 0, buffer);
            return kFindDriverVersion;
        }
    }

    *detail = buffer;
    *error = ERROR_SUCCESS;
    return kFindOk;
}

} // namespace

CSetupApiDevice::CSetupApiDevice(const GUID& interfaceClass) : _pDetail(nullptr), _interfaceClass(interfaceClass) {}

CSetupApiDevice::~CSetupApiDevice()
{
    FreeDetail();
}

void CSetupApiDevice::FreeDetail()
{
    if (_pDetail != nullptr) {
        HeapFree(GetProcessHeap(), 0, _pDetail);
        _pDetail = nullptr;
    }
}

MiscFindResult CSetupApiDevice::FindFirstInterface(wchar_t* versionText, DWORD versionBytes)
{
    FreeDetail();
    HDEVINFO list = SetupDiGetClassDevsW(&_interfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list == INVALID_HANDLE_VALUE)
        return kFindNoClassList;
    DWORD error = ERROR_SUCCESS;
    const MiscFindResult result = FindInList(list, _interfaceClass, versionText, versionBytes, &_pDetail, &error);
    // Destroying the list resets the system error (Wine does); the caller
    // must see the error of the call that failed.
    SetupDiDestroyDeviceInfoList(list);
    SetLastError(error);
    return result;
}

HANDLE CSetupApiDevice::OpenFoundInterface()
{
    if (_pDetail == nullptr) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return INVALID_HANDLE_VALUE;
    }
    const auto* detailData = static_cast<const SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(_pDetail);
    HANDLE device =
        CreateFileW(detailData->DevicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const DWORD error = GetLastError();
    FreeDetail();
    SetLastError(error);
    return device;
}

BOOL CSetupApiDevice::Control(HANDLE device, DWORD code, const void* input, DWORD inputSize, void* output,
                              DWORD outputSize, DWORD* bytesReturned)
{
    return DeviceIoControl(device, code, const_cast<void*>(input), inputSize, output, outputSize, bytesReturned,
                           nullptr);
}

void CSetupApiDevice::Close(HANDLE device)
{
    CloseHandle(device);
}

} // namespace MiscCommon
