#include "modem/ModemPreparation.h"

#include "common/DebugLog.h"
#include "common/Delay.h"
#include "misccommon/RegAccess.h"
#include "modem/GobiApi.h"
#include "modem/GpsControl.h"
#include "misccommon/RegValueNames.h"
#include "modem/SimService.h"

#include <windows.h>

namespace {

const int kPortSearches = 20;
const std::uint32_t kPortSearchRetryMs = 3000;
// The modem needs this long after the library is loaded before it answers.
const std::uint32_t kSettleMs = 10000;
const int kConnectAttempts = 20;
const std::uint32_t kConnectRetryMs = 3000;

std::uint32_t ReadGpsOption()
{
    CRegAccess* registry = CRegAccess::Instance();
    DWORD option = 0;
    if (registry == nullptr || registry->QueryDword(Settings::kGpsOption, &option) != RegResult::kOk)
        return 0;
    return option != 0 ? 1 : 0;
}

bool WaitForPorts(CSimService& service)
{
    for (int search = 0; search < kPortSearches; ++search) {
        if (service.FindModemPorts() != 0)
            return true;
        Delay(kPortSearchRetryMs);
    }
    return false;
}

// A library loaded before the GPS option was known may lack the tracking
// functions (or hold a stale link), so it is always loaded afresh.
bool ReloadQMI(CSimService& service)
{
    if (g_gobiApi.QCWWANDisconnect != nullptr)
        g_gobiApi.QCWWANDisconnect();
    service.UnloadQMI();
    return service.LoadQMI() == 0;
}

// The connect loop blocks the thread that would answer WM_QUERYENDSESSION;
// looking at the queue without taking the message leaves it to the window
// once the loop has given up.
bool IsLogonEnding()
{
    MSG message;
    return PeekMessageW(&message, nullptr, WM_QUERYENDSESSION, WM_QUERYENDSESSION, PM_NOREMOVE) != FALSE;
}

} // namespace

int PrepareConnectModem(int& cancelled)
{
    cancelled = 0;
    CSimService& service = CSimService::Instance();
    CCriticalSectionGuard guard(service.GetLock());
    if (service.IsConnected() != 0)
        return 1;

    service.SetGpsOption(ReadGpsOption());
    if (service.GetGpsOption() != 0) {
        InitGPSSettings();
        if (!WaitForPorts(service))
            return 0;
    }

    if (!ReloadQMI(service)) {
        DebugPrint(L"PrepareConnectModem:FAIL (ReloadQMI)\n");
        service.DisconnectModem();
        return 0;
    }

    Delay(kSettleMs);

    bool connected = false;
    for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
        if (service.ConnectModem() != 0) {
            connected = true;
            break;
        }
        Delay(kConnectRetryMs);
        if (IsLogonEnding()) {
            cancelled = 1;
            break;
        }
    }
    if (!connected) {
        service.DisconnectModem();
        return 0;
    }
    service.SetConnected(1);
    return 1;
}
