#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "SimDriverControl.h"
#include "sim/gobiapi/SimModemControl.h"
#include "sim/simctl/BrindleWindow.h"
#include "sim/simctl/DriverVersion.h"
#include "sim/simctl/SimctlCommand.h"
#include "sim/simctl/SimctlPlan.h"
#include "sim/simctl/SimctlRun.h"
#include "sim/wmi/SimWmiKey.h"

namespace simctl {
namespace {

std::string Narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

bool HasModemValue(const wchar_t* name)
{
    return simmodem::GetValue(name, 0) == simmodem::GetValue(name, 1);
}

simmodem::SimCard ReadCard()
{
    simmodem::SimCard card;
    card.present = simmodem::GetValue(L"CardPresent", 1) != 0;
    card.pin = Narrow(simmodem::GetText(L"Pin", L"1234")).c_str();
    card.puk = Narrow(simmodem::GetText(L"Puk", L"12345678")).c_str();
    card.protection = simmodem::GetValue(L"PinProtection", 1) != 0;
    card.verified = simmodem::GetValue(L"PinVerified", 0) != 0;
    card.pinLeft = simmodem::GetValue(L"PinLeft", card.pinLeft);
    card.pukLeft = simmodem::GetValue(L"PukLeft", card.pukLeft);
    card.pinMax = simmodem::GetValue(L"PinMax", card.pinMax);
    card.pukMax = simmodem::GetValue(L"PukMax", card.pukMax);
    card.hasStatusOverride = HasModemValue(L"StatusOverride");
    card.statusOverride = simmodem::GetValue(L"StatusOverride", 0);
    return card;
}

// The scripted entity list; false when none is set (the stand-in then serves
// its default list).
bool ReadWmiEntities(std::vector<std::string>& entries)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, simwmi::kWmiKeyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD size = 0;
    std::vector<wchar_t> data;
    bool found = RegQueryValueExW(key, simwmi::kEntities, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
                 type == REG_MULTI_SZ;
    if (found) {
        // Two spare terminators in case the stored list lacks its own.
        data.assign(size / sizeof(wchar_t) + 2, L'\0');
        found = RegQueryValueExW(key, simwmi::kEntities, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) ==
                ERROR_SUCCESS;
    }
    RegCloseKey(key);
    if (!found)
        return false;
    for (const wchar_t* entry = data.data(); *entry != L'\0'; entry += wcslen(entry) + 1)
        entries.push_back(Narrow(entry));
    return true;
}

std::string ProductDword(const wchar_t* name)
{
    DWORD value = 0;
    return simdriver::ReadDword(name, &value) ? std::to_string(value) : std::string("missing");
}

std::string OnOff(bool on)
{
    return on ? "on" : "off";
}

void ShowSim()
{
    const simmodem::SimCard card = ReadCard();
    std::printf("SIM       %s\n", DescribeCard(card).c_str());
    if (!card.present)
        return;
    std::printf("          PIN1 protection %s, attempts left: PIN1 %u of %u, unblock code %u of %u\n",
                OnOff(card.protection).c_str(), card.pinLeft, card.pinMax, card.pukLeft, card.pukMax);
    std::printf("          PIN1 %s, unblock code %s\n", card.pin.c_str(), card.puk.c_str());
}

void ShowModem()
{
    const std::uint32_t devices = simmodem::GetValue(L"DeviceCount", 1);
    const std::uint32_t refusals = simmodem::GetValue(L"ConnectFailures", 0);
    std::printf("modem     %s, next %u connect(s) refused, GPS tracking %s\n", devices == 0 ? "absent" : "present",
                refusals, OnOff(simmodem::GetValue(L"GpsTracking", 0) != 0).c_str());
}

void ShowPorts()
{
    std::vector<std::string> entries;
    if (!ReadWmiEntities(entries)) {
        std::printf("ports     DM COM5, NMEA COM7 (the stand-in's default list)\n");
        return;
    }
    const ModemPorts ports = FindModemPorts(entries);
    std::printf("ports     DM %s, NMEA %s\n", ports.dm.empty() ? "none" : ports.dm.c_str(),
                ports.nmea.empty() ? "none" : ports.nmea.c_str());
}

void ShowProductKey()
{
    std::printf("GPS       GPSOption %s, GPSStatus %s (2 on, 0 off, 5 unknown)\n", ProductDword(L"GPSOption").c_str(),
                ProductDword(L"GPSStatus").c_str());
}

void ShowDriver()
{
    // A session that has just started may not have the driver up yet.
    if (!simdriver::WaitForInterface(3000)) {
        std::printf("driver    absent (no misc interface)\n");
        return;
    }
    std::wstring version;
    std::string faults;
    for (const std::string& name : DriverFaultNames()) {
        DWORD value = 0;
        if (!simdriver::ReadFault(std::wstring(name.begin(), name.end()).c_str(), &value))
            continue;
        // NTSTATUS values read best in hexadecimal.
        char text[16];
        std::snprintf(text, sizeof(text), value > 0xFFFF ? "0x%08lX" : "%lu", static_cast<unsigned long>(value));
        faults += " " + name + "=" + text;
    }
    std::printf("driver    serving, version %s, faults:%s\n",
                ReadDriverVersion(version) ? Narrow(version).c_str() : "unknown",
                faults.empty() ? " none" : faults.c_str());
}

void ShowBrindle()
{
    const HWND window = FindBrindleWindow();
    if (window == nullptr) {
        std::printf("Brindle   not running\n");
        return;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    std::printf("Brindle   running (process %lu)\n", processId);
}

} // namespace

int ShowPlatform()
{
    ShowSim();
    ShowModem();
    ShowPorts();
    ShowProductKey();
    ShowDriver();
    ShowBrindle();
    return kExitDone;
}

} // namespace simctl
