/*
 * Installs the stand-in misc driver into a Wine prefix, and checks that it
 * serves its interface. 64-bit because a 32-bit installer binds no driver from
 * an INF that has only NTamd64 sections.
 *
 *   driversetup install <inf path>   register the root device and bind the driver
 *   driversetup wait <seconds>       poll until the misc interface is present
 */
#include <windows.h>
#include <setupapi.h>
#include <newdev.h>
#include <stdio.h>
#include <wchar.h>

static const GUID kSystemClass =
    {0x4d36e97d, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
static const GUID kMiscInterface =
    {0x80dcc0c5, 0xbd3e, 0x4bc0, {0x8a, 0x06, 0x11, 0xea, 0xe4, 0xae, 0x72, 0x24}};
static const wchar_t kHardwareId[] = L"root\\brindlemisc\0"; /* a multi-string */

static int Fail(const char* what)
{
    fprintf(stderr, "driversetup: %s failed (error %lu)\n", what, GetLastError());
    return 1;
}

static int Install(const wchar_t* infPath)
{
    SP_DEVINFO_DATA device;
    BOOL rebootNeeded = FALSE;
    int result = 0;
    HDEVINFO set = SetupDiCreateDeviceInfoList(&kSystemClass, NULL);
    if (set == INVALID_HANDLE_VALUE)
        return Fail("SetupDiCreateDeviceInfoList");
    ZeroMemory(&device, sizeof device);
    device.cbSize = sizeof device;

    if (!SetupDiCreateDeviceInfoW(set, L"brindlemisc", &kSystemClass, NULL, NULL,
                                  DICD_GENERATE_ID, &device))
        result = Fail("SetupDiCreateDeviceInfo");
    else if (!SetupDiSetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID,
                                                (const BYTE*)kHardwareId, sizeof kHardwareId))
        result = Fail("SetupDiSetDeviceRegistryProperty");
    else if (!SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device))
        result = Fail("DIF_REGISTERDEVICE");
    else if (!UpdateDriverForPlugAndPlayDevicesW(NULL, L"root\\brindlemisc", infPath,
                                                 INSTALLFLAG_FORCE, &rebootNeeded))
        result = Fail("UpdateDriverForPlugAndPlayDevices");
    SetupDiDestroyDeviceInfoList(set);
    return result;
}

static BOOL InterfacePresent(void)
{
    SP_DEVICE_INTERFACE_DATA data;
    BOOL found;
    HDEVINFO set = SetupDiGetClassDevsW(&kMiscInterface, NULL, NULL,
                                        DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE)
        return FALSE;
    ZeroMemory(&data, sizeof data);
    data.cbSize = sizeof data;
    found = SetupDiEnumDeviceInterfaces(set, NULL, &kMiscInterface, 0, &data);
    SetupDiDestroyDeviceInfoList(set);
    return found;
}

static int Wait(int seconds)
{
    int tenths;
    for (tenths = 0; tenths < seconds * 10; ++tenths) {
        if (InterfacePresent())
            return 0;
        Sleep(100);
    }
    fprintf(stderr, "driversetup: the misc interface did not appear in %d s\n", seconds);
    return 1;
}

int wmain(int argc, wchar_t** argv)
{
    if (argc == 3 && wcscmp(argv[1], L"install") == 0)
        return Install(argv[2]);
    if (argc == 3 && wcscmp(argv[1], L"wait") == 0)
        return Wait(_wtoi(argv[2]));
    fprintf(stderr, "usage: driversetup install <inf> | wait <seconds>\n");
    return 2;
}
