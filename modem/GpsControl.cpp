#include "modem/GpsControl.h"

#include "common/DebugLog.h"
#include "common/Delay.h"
#include "misccommon/RegAccess.h"
#include "modem/GobiApi.h"
#include "misccommon/RegValueNames.h"
#include "modem/SimService.h"

namespace {

const int kModuleReadAttempts = 10;
const std::uint32_t kModuleReadRetryMs = 500;
const int kStatusReadAttempts = 3;
const std::uint32_t kStatusReadRetryMs = 500;
const int kChangeRounds = 3;
const std::uint32_t kChangeRetryMs = 100;

// Writes GPSStatus when the registry layer exists; before start-up has
// created it (or after exit has destroyed it) there is nowhere to keep it.
void PersistStatus(std::uint32_t status)
{
    CRegAccess* registry = CRegAccess::Instance();
    if (registry != nullptr)
        registry->SetDword(Settings::kGpsStatus, status);
}

bool ReadStoredDword(const wchar_t* name, DWORD& value)
{
    CRegAccess* registry = CRegAccess::Instance();
    return registry != nullptr && registry->QueryDword(name, &value) == RegResult::kOk;
}

GobiResult ReadTracking(std::uint32_t& tracking)
{
    if (g_gobiApi.GetServiceAutomaticTracking == nullptr)
        return GOBI_MISSING_FUNCTION;
    return g_gobiApi.GetServiceAutomaticTracking(&tracking);
}

GobiResult WriteTracking(std::uint32_t tracking)
{
    if (g_gobiApi.SetServiceAutomaticTracking == nullptr)
        return GOBI_MISSING_FUNCTION;
    return g_gobiApi.SetServiceAutomaticTracking(tracking);
}

} // namespace

int GetGPSModule(std::uint32_t& status, int persist)
{
    GobiResult result = GOBI_SUCCESS;
    for (int attempt = 0; attempt < kModuleReadAttempts; ++attempt) {
        std::uint32_t tracking = 0;
        result = ReadTracking(tracking);
        if (result == GOBI_SUCCESS) {
            // The library documents 1 as on; anything else it might answer
            // is treated as off rather than trusted.
            status = tracking == 1 ? GPS_STATUS_ENABLE : GPS_STATUS_DISABLE;
            if (persist != 0)
                PersistStatus(status);
            return 1;
        }
        Delay(kModuleReadRetryMs);
    }
    status = GPS_STATUS_INVALID;
    if (persist != 0)
        PersistStatus(GPS_STATUS_INVALID);
    DebugPrint(L"GetGPSModule:FAIL (GetServiceAutomaticTracking) %u\n", static_cast<unsigned>(result));
    return 0;
}

int GetGPSStatus(std::uint32_t& status)
{
    CSimService& service = CSimService::Instance();
    if (!service.Open()) {
        status = GPS_STATUS_INVALID;
        PersistStatus(GPS_STATUS_INVALID);
        DebugPrint(L"GetGPSStatus:FAIL (Open Retry)\n");
        return 0;
    }

    int result = 0;
    for (int attempt = 0; attempt < kStatusReadAttempts; ++attempt) {
        std::uint32_t value = GPS_STATUS_INVALID;
        if (GetGPSModule(value, 1) != 0 && value != GPS_STATUS_INVALID) {
            status = value;
            result = 1;
            break;
        }
        DebugPrint(L"GetGPSStatus:FAIL (GetGPSModule)\n");
        Delay(kStatusReadRetryMs);
    }
    if (result == 0) {
        status = GPS_STATUS_INVALID;
        DebugPrint(L"GetGPSStatus:FAIL (Retry)\n");
    }

    service.Close();
    return result;
}

int SetGPSStatus(int persist, std::uint32_t status)
{
    if (status != GPS_STATUS_DISABLE && status != GPS_STATUS_ENABLE) {
        DebugPrint(L"SetGPSStatus:FAIL (Param)\n");
        return 0;
    }

    CSimService& service = CSimService::Instance();
    if (!service.Open()) {
        if (persist != 0)
            PersistStatus(GPS_STATUS_INVALID);
        DebugPrint(L"SetGPSStatus:FAIL (Open Retry)\n");
        return 0;
    }

    const bool enable = status == GPS_STATUS_ENABLE;
    std::uint32_t current = GPS_STATUS_INVALID;
    int result = 0;
    for (int round = 0; round < kChangeRounds; ++round) {
        if (GetGPSModule(current, persist) == 0)
            DebugPrint(L"SetGPSStatus:FAIL (GetGPSModule)\n");
        if (current == status) {
            result = 1;
            break;
        }

        GobiResult changed = WriteTracking(enable ? 1 : 0);
        if (changed == GOBI_SUCCESS) {
            if (persist != 0)
                PersistStatus(status);
        } else {
            DebugPrint(L"SetGPSModule (%d):FAIL (SetServiceAutomaticTracking) (%u)\n", static_cast<int>(status),
                       static_cast<unsigned>(changed));
            if (persist != 0)
                PersistStatus(GPS_STATUS_INVALID);
            DebugPrint(enable ? L"SetGPSStatus:FAIL (SetGPSModule(GPS_STATUS_ENABLE))\n"
                              : L"SetGPSStatus:FAIL (SetGPSModule(GPS_STATUS_DISABLE)) 2\n");
        }

        // An accepted change is not proof: some firmware acknowledges the
        // call and keeps its state, so only the read-back counts.
        if (GetGPSModule(current, persist) == 0)
            DebugPrint(L"SetGPSStatus:FAIL (GetGPSModule) 2\n");
        if (current == status) {
            result = 1;
            break;
        }
        DebugPrint(L"SetGPSStatus:FAIL (Status Check) \n");
        Delay(kChangeRetryMs);
    }

    service.Close();
    return result;
}

int GetGPSStatusRegAndSetModule()
{
    DWORD stored = 0;
    if (!ReadStoredDword(Settings::kGpsStatus, stored)) {
        DebugPrint(L"GetGPSStatusRegAndSetModule:FAIL (Read Registry)\n");
        return 0;
    }
    if (stored == GPS_STATUS_ENABLE) {
        if (SetGPSStatus(1, GPS_STATUS_ENABLE) == 0) {
            DebugPrint(L"GetGPSStatusRegAndSetModule:FAIL (SetGPSStatus(GPS_STATUS_ENABLE))\n");
            return 0;
        }
        return 1;
    }
    // An unreadable state (or anything unknown) resolves to off: GPS is
    // only ever on because the user asked for it.
    if (SetGPSStatus(1, GPS_STATUS_DISABLE) == 0) {
        DebugPrint(L"GetGPSStatusRegAndSetModule:FAIL (SetGPSStatus(GPS_STATUS_DISABLE))\n");
        return 0;
    }
    return 1;
}

int SetGPSModuleDisable()
{
    DWORD stored = 0;
    if (!ReadStoredDword(Settings::kGpsStatus, stored)) {
        DebugPrint(L"SetGPSModuleDisable:FAIL (Read Registry)\n");
        return 0;
    }
    if (stored == GPS_STATUS_DISABLE)
        return 1;
    // Not persisted: the stored choice is what the next start re-applies.
    if (SetGPSStatus(0, GPS_STATUS_DISABLE) == 0) {
        DebugPrint(L"SetGPSModuleDisable:FAIL (SetGPSStatus(GPS_STATUS_DISABLE))\n");
        return 0;
    }
    return 1;
}

int InitGPSSettings()
{
    CRegAccess* registry = CRegAccess::Instance();
    if (registry == nullptr)
        return 0;
    DWORD value = 0;
    if (registry->QueryDword(Settings::kDontShowConfirmDialog, &value) != RegResult::kOk)
        registry->SetDword(Settings::kDontShowConfirmDialog, 0);
    if (registry->QueryDword(Settings::kGpsStatus, &value) != RegResult::kOk) {
        std::uint32_t status = GPS_STATUS_INVALID;
        GetGPSStatus(status);
    }
    return 1;
}
