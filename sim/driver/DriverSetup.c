/*
 * Installs the stand-in misc driver into a Wine prefix, and checks that it
 * serves its interface. 64-bit because a 32-bit installer binds no driver from
 * an INF that has only NTamd64 sections.
 *
 *   driversetup install <inf path>   register the root device (unless it exists)
 *                                    and bind the driver from the INF
 *   driversetup wait <seconds>       poll until the misc interface is present
 *   driversetup version <text>       rewrite the "DriverVersion" the program reads
 *   driversetup remove               remove the device (DIF_REMOVE); install
 *                                    brings it back
 */
#include <windows.h>
#include <setupapi.h>
#include <newdev.h>
#include <stdio.h>
#include <wchar.h>

static const GUID kSystemClass = {0x4d36e97d, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
static const GUID kMiscInterface = {0x80dcc0c5, 0xbd3e, 0x4bc0, {0x8a, 0x06, 0x11, 0xea, 0xe4, 0xae, 0x72, 0x24}};
static const wchar_t kHardwareId[] = L"root\\brindlemisc\0"; /* a multi-string */

static int Fail(const char* what)
{
    fprintf(stderr, "driversetup: %s failed (error %lu)\n", what, GetLastError());
    return 1;
}

/* The stand-in's devices: every device of the System class whose hardware id
   is ours. The caller destroys the list; NULL when there is none. */
static HDEVINFO OurDevices(void)
{
    HDEVINFO set = SetupDiGetClassDevsW(&kSystemClass, NULL, NULL, 0);
    return set == INVALID_HANDLE_VALUE ? NULL : set;
}

static BOOL NextOurDevice(HDEVINFO set, DWORD* index, SP_DEVINFO_DATA* device)
{
    wchar_t ids[256];
    ZeroMemory(device, sizeof *device);
    device->cbSize = sizeof *device;
    while (SetupDiEnumDeviceInfo(set, (*index)++, device)) {
        ZeroMemory(ids, sizeof ids);
        /* The property is a multi-string; the first entry is enough. */
        if (SetupDiGetDeviceRegistryPropertyW(set, device, SPDRP_HARDWAREID, NULL, (BYTE*)ids,
                                              sizeof ids - sizeof(wchar_t), NULL) &&
            _wcsicmp(ids, kHardwareId) == 0)
            return TRUE;
    }
    return FALSE;
}

static BOOL DeviceExists(void)
{
    SP_DEVINFO_DATA device;
    DWORD index = 0;
    BOOL found;
    HDEVINFO set = OurDevices();
    if (set == NULL)
        return FALSE;
    found = NextOurDevice(set, &index, &device);
    SetupDiDestroyDeviceInfoList(set);
    return found;
}

static int RegisterDevice(void)
{
    SP_DEVINFO_DATA device;
    int result = 0;
    HDEVINFO set = SetupDiCreateDeviceInfoList(&kSystemClass, NULL);
    if (set == INVALID_HANDLE_VALUE)
        return Fail("SetupDiCreateDeviceInfoList");
    ZeroMemory(&device, sizeof device);
    device.cbSize = sizeof device;
    if (!SetupDiCreateDeviceInfoW(set, L"brindlemisc", &kSystemClass, NULL, NULL, DICD_GENERATE_ID, &device))
        result = Fail("SetupDiCreateDeviceInfo");
    else if (!SetupDiSetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID, (const BYTE*)kHardwareId,
                                                sizeof kHardwareId))
        result = Fail("SetupDiSetDeviceRegistryProperty");
    else if (!SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device))
        result = Fail("DIF_REGISTERDEVICE");
    SetupDiDestroyDeviceInfoList(set);
    return result;
}

/* A second device would give the program a second interface, so an existing
   one only gets the driver bound again (which also restores the version). */
static int Install(const wchar_t* infPath)
{
    BOOL rebootNeeded = FALSE;
    if (!DeviceExists()) {
        int result = RegisterDevice();
        if (result != 0)
            return result;
    }
    if (!UpdateDriverForPlugAndPlayDevicesW(NULL, kHardwareId, infPath, INSTALLFLAG_FORCE, &rebootNeeded))
        return Fail("UpdateDriverForPlugAndPlayDevices");
    return 0;
}

static int Remove(void)
{
    SP_DEVINFO_DATA device;
    DWORD index = 0;
    int result = 0;
    HDEVINFO set = OurDevices();
    if (set == NULL)
        return Fail("SetupDiGetClassDevs");
    while (NextOurDevice(set, &index, &device)) {
        if (!SetupDiCallClassInstaller(DIF_REMOVE, set, &device))
            result = Fail("DIF_REMOVE");
    }
    SetupDiDestroyDeviceInfoList(set);
    return result;
}

static int SetVersion(const wchar_t* text)
{
    SP_DEVINFO_DATA device;
    DWORD index = 0;
    int result = 0;
    HDEVINFO set = OurDevices();
    if (set == NULL)
        return Fail("SetupDiGetClassDevs");
    if (!NextOurDevice(set, &index, &device)) {
        fprintf(stderr, "driversetup: the stand-in device is not installed\n");
        result = 1;
    } else {
        /* The same key the program reads the version from. */
        HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_SET_VALUE);
        if (key == INVALID_HANDLE_VALUE) {
            result = Fail("SetupDiOpenDevRegKey");
        } else {
            LONG written = RegSetValueExW(key, L"DriverVersion", 0, REG_SZ, (const BYTE*)text,
                                          (DWORD)((wcslen(text) + 1) * sizeof(wchar_t)));
            RegCloseKey(key);
            if (written != ERROR_SUCCESS) {
                SetLastError((DWORD)written);
                result = Fail("RegSetValueEx");
            }
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    return result;
}

static BOOL InterfacePresent(void)
{
    SP_DEVICE_INTERFACE_DATA data;
    BOOL found;
    HDEVINFO set = SetupDiGetClassDevsW(&kMiscInterface, NULL, NULL, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
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
    if (argc == 3 && wcscmp(argv[1], L"version") == 0)
        return SetVersion(argv[2]);
    if (argc == 2 && wcscmp(argv[1], L"remove") == 0)
        return Remove();
    fprintf(stderr, "usage: driversetup install <inf> | wait <seconds> | version <text> | remove\n");
    return 2;
}
