#include "SimDriverControl.h"

#include <setupapi.h>

namespace simdriver {

const wchar_t kFaultKey[] = L"SOFTWARE\\BrindleSim\\MiscDriver";
const wchar_t kProductKey[] = L"SOFTWARE\\Norvane\\brindle";

namespace fault {
const wchar_t kRefuseSessions[] = L"RefuseSessions";
const wchar_t kBusyOnce[] = L"BusyOnce";
const wchar_t kBusyAlways[] = L"BusyAlways";
const wchar_t kWritePayload[] = L"WritePayload";
const wchar_t kWrongMagic[] = L"WrongMagic";
const wchar_t kFailCapsule[] = L"FailCapsule";
const wchar_t kFeatureWord12[] = L"FeatureWord12";
const wchar_t kFeatureWord14[] = L"FeatureWord14";
} // namespace fault

namespace {

const GUID kMiscInterface = {0x80dcc0c5, 0xbd3e, 0x4bc0, {0x8a, 0x06, 0x11, 0xea, 0xe4, 0xae, 0x72, 0x24}};
const DWORD kPollMs = 100;

// The driver's view: a 32-bit test would otherwise reach Wow6432Node.
const REGSAM kView64 = KEY_WOW64_64KEY;

// Owns one open registry key.
class CKey {
public:
    CKey(const wchar_t* path, REGSAM access, bool create) : _key(nullptr)
    {
        if (create)
            RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, access | kView64, nullptr, &_key, nullptr);
        else
            RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, access | kView64, &_key);
    }
    ~CKey()
    {
        if (_key != nullptr)
            RegCloseKey(_key);
    }
    CKey(const CKey&) = delete;
    CKey& operator=(const CKey&) = delete;

    HKEY Get() const { return _key; }

private:
    HKEY _key;
};

// The build tree's driver folder is a Unix path; Wine maps / to drive Z:.
std::wstring DriverFile(const wchar_t* file)
{
    std::wstring path = L"Z:";
    for (const char* c = SIMDRIVER_BUILD_DIR; *c != '\0'; ++c)
        path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    path += L'\\';
    path += file;
    return path;
}

bool WaitFor(bool present, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (InterfacePresent() == present)
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(kPollMs);
    }
}

} // namespace

bool SetFault(const wchar_t* name, DWORD value)
{
    return SetDword(name, value, kFaultKey);
}

bool ClearFault(const wchar_t* name)
{
    CKey key(kFaultKey, KEY_SET_VALUE, false);
    if (key.Get() == nullptr)
        return true;
    const LONG result = RegDeleteValueW(key.Get(), name);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

bool ReadFault(const wchar_t* name, DWORD* value)
{
    return ReadDword(name, value, kFaultKey);
}

void ClearAllFaults()
{
    const wchar_t* const all[] = {fault::kRefuseSessions, fault::kBusyOnce,     fault::kBusyAlways,
                                  fault::kWritePayload,   fault::kWrongMagic,   fault::kFailCapsule,
                                  fault::kFeatureWord12,  fault::kFeatureWord14};
    for (const wchar_t* name : all)
        ClearFault(name);
}

bool SetBinary(const wchar_t* name, DWORD type, const std::vector<BYTE>& data, const wchar_t* key)
{
    CKey opened(key, KEY_SET_VALUE, true);
    return opened.Get() != nullptr && RegSetValueExW(opened.Get(), name, 0, type, data.empty() ? nullptr : data.data(),
                                                     static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

bool SetDword(const wchar_t* name, DWORD value, const wchar_t* key)
{
    std::vector<BYTE> data(reinterpret_cast<const BYTE*>(&value),
                           reinterpret_cast<const BYTE*>(&value) + sizeof(value));
    return SetBinary(name, REG_DWORD, data, key);
}

bool SetString(const wchar_t* name, const wchar_t* text, const wchar_t* key)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text);
    std::vector<BYTE> data(bytes, bytes + (wcslen(text) + 1) * sizeof(wchar_t));
    return SetBinary(name, REG_SZ, data, key);
}

bool ReadValue(const wchar_t* name, DWORD* type, std::vector<BYTE>* data, const wchar_t* key)
{
    CKey opened(key, KEY_QUERY_VALUE, false);
    if (opened.Get() == nullptr)
        return false;
    DWORD size = 0;
    DWORD foundType = 0;
    if (RegQueryValueExW(opened.Get(), name, nullptr, &foundType, nullptr, &size) != ERROR_SUCCESS)
        return false;
    std::vector<BYTE> bytes(size);
    if (RegQueryValueExW(opened.Get(), name, nullptr, &foundType, bytes.empty() ? nullptr : bytes.data(), &size) !=
        ERROR_SUCCESS)
        return false;
    bytes.resize(size);
    if (type != nullptr)
        *type = foundType;
    if (data != nullptr)
        *data = bytes;
    return true;
}

bool ReadDword(const wchar_t* name, DWORD* value, const wchar_t* key)
{
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadValue(name, &type, &data, key) || type != REG_DWORD || data.size() != sizeof(DWORD))
        return false;
    *value = static_cast<DWORD>(data[0]) | (static_cast<DWORD>(data[1]) << 8) | (static_cast<DWORD>(data[2]) << 16) |
             (static_cast<DWORD>(data[3]) << 24);
    return true;
}

bool DeleteValue(const wchar_t* name, const wchar_t* key)
{
    CKey opened(key, KEY_SET_VALUE, false);
    if (opened.Get() == nullptr)
        return true;
    const LONG result = RegDeleteValueW(opened.Get(), name);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

bool DeleteKey(const wchar_t* key)
{
    // RegDeleteKeyExW (which takes the view) is not in XP's advapi32, so the
    // key is opened in the 64-bit view and emptied value by value, then
    // removed through its parent handle.
    {
        CKey opened(key, KEY_QUERY_VALUE | KEY_SET_VALUE, false);
        if (opened.Get() == nullptr)
            return true;
        wchar_t name[256];
        for (;;) {
            DWORD length = 256;
            if (RegEnumValueW(opened.Get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            if (RegDeleteValueW(opened.Get(), name) != ERROR_SUCCESS)
                return false;
        }
    }
    std::wstring path = key;
    const size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos)
        return false;
    CKey parent(path.substr(0, slash).c_str(), DELETE | KEY_ENUMERATE_SUB_KEYS, false);
    return parent.Get() != nullptr && RegDeleteKeyW(parent.Get(), path.substr(slash + 1).c_str()) == ERROR_SUCCESS;
}

int RunDriverSetup(const std::wstring& arguments)
{
    std::wstring command = L"\"" + DriverFile(L"driversetup.exe") + L"\" " + arguments;
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process))
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = static_cast<DWORD>(-1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

bool SetDriverVersion(const wchar_t* text)
{
    return RunDriverSetup(std::wstring(L"version \"") + text + L"\"") == 0;
}

bool RemoveDriver()
{
    return RunDriverSetup(L"remove") == 0;
}

bool InstallDriver(DWORD timeoutMs)
{
    return RunDriverSetup(L"install \"" + DriverFile(L"brindlemisc.inf") + L"\"") == 0 && WaitForInterface(timeoutMs);
}

bool InterfacePresent()
{
    HDEVINFO set = SetupDiGetClassDevsW(&kMiscInterface, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE)
        return false;
    SP_DEVICE_INTERFACE_DATA data = {};
    data.cbSize = sizeof(data);
    const bool found = SetupDiEnumDeviceInterfaces(set, nullptr, &kMiscInterface, 0, &data) != FALSE;
    SetupDiDestroyDeviceInfoList(set);
    return found;
}

bool WaitForInterface(DWORD timeoutMs)
{
    return WaitFor(true, timeoutMs);
}

bool WaitForInterfaceGone(DWORD timeoutMs)
{
    return WaitFor(false, timeoutMs);
}

} // namespace simdriver
