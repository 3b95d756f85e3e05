// The service's connection layer: loading GobiApi.dll into the function
// table and opening and closing the per-request link with the modem.
#include "modem/SimService.h"

#include "common/DebugLog.h"
#include "common/Delay.h"
#include "common/win/ProcAddress.h"
#include "modem/GobiApi.h"

namespace {

const int kOpenAttempts = 3;
const std::uint32_t kOpenRetryDelayMs = 1000;

template <typename F, F GobiApiTable::*Slot>
void StoreSlot(FARPROC address)
{
    g_gobiApi.*Slot = ProcCast<F>(address);
}

struct SlotInfo {
    const char* exportName;
    const wchar_t* failure;
    void (*store)(FARPROC address);
};

#define GOBI_SLOT(name)                                                                                                \
    {                                                                                                                  \
#name, L"GetFuncAddress() : GetProcAddress(" L## #name L") failed.\n", &StoreSlot < name##Fn,                  \
            &GobiApiTable::name>                                                                                       \
    }

// Resolved in this order; the last two only for the GPS option.
const SlotInfo kSlots[] = {
    GOBI_SLOT(QCWWAN2kEnumerateDevices),
    GOBI_SLOT(QCWWAN2kConnect),
    GOBI_SLOT(QCWWANDisconnect),
    GOBI_SLOT(UIMChangePIN),
    GOBI_SLOT(UIMGetPINStatus),
    GOBI_SLOT(UIMSetPINProtection),
    GOBI_SLOT(UIMUnblockPIN),
    GOBI_SLOT(UIMVerifyPIN),
    GOBI_SLOT(GetServiceAutomaticTracking),
    GOBI_SLOT(SetServiceAutomaticTracking),
};
#undef GOBI_SLOT

const int kSlotsWithoutGps = 8;
const int kSlotsWithGps = 10;

GobiResult ConnectIfResolved()
{
    if (g_gobiApi.QCWWAN2kEnumerateDevices == nullptr)
        return GOBI_MISSING_FUNCTION;
    return QCWWANConnect();
}

} // namespace

int CSimService::LoadQMI()
{
    CCriticalSectionGuard guard(m_lock);
    if (m_module.IsLoaded())
        return 0;
    if (!m_module.Load(L"GobiApi.dll")) {
        DebugPrint(L"LoadQMI() : Loading GobiApi.dll failed.\n");
        return 1;
    }
    if (GetFuncAddress(m_module.Get()) == 0) {
        DebugPrint(L"LoadQMI() : GetFuncAddress failed.\n");
        m_module.Free();
        EmptyTable();
        return 1;
    }
    return 0;
}

int CSimService::GetFuncAddress(HMODULE module)
{
    if (module == nullptr)
        return 0;
    const int required = m_gpsOption != 0 ? kSlotsWithGps : kSlotsWithoutGps;
    for (int i = 0; i < required; ++i) {
        FARPROC address = GetProcAddress(module, kSlots[i].exportName);
        if (address == nullptr) {
            DebugPrint(kSlots[i].failure);
            return 0;
        }
        kSlots[i].store(address);
    }
    return 1;
}

void CSimService::UnloadQMI()
{
    CCriticalSectionGuard guard(m_lock);
    if (!m_module.IsLoaded())
        return;
    CallQCWWANDisconnect();
    m_module.Free();
    EmptyTable();
}

void CSimService::EmptyTable()
{
    // All ten slots, whatever the GPS option says now: the option may have
    // changed since the library was loaded, and a tracking slot left filled
    // would point into a library that is gone.
    g_gobiApi = GobiApiTable();
}

bool CSimService::Open()
{
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        // A link left open by an earlier request (or another program) makes
        // the library refuse a new one.
        GobiResult dropped = CallQCWWANDisconnect();
        if (dropped != GOBI_SUCCESS)
            DebugPrint(L"CSimService::Open:FAIL (QCWWANDisconnect_) %d\n", static_cast<int>(dropped));
        GobiResult connected = ConnectIfResolved();
        if (connected == GOBI_SUCCESS)
            return true;
        DebugPrint(L"CSimService::Open:FAIL (QCWWANConnect_) %d\n", static_cast<int>(connected));
        Delay(kOpenRetryDelayMs);
    }
    return false;
}

void CSimService::Close()
{
    GobiResult result = CallQCWWANDisconnect();
    if (result != GOBI_SUCCESS)
        DebugPrint(L"CSimService::Close:FAIL (QCWWANDisconnect_) %d\n", static_cast<int>(result));
}

int CSimService::ConnectModem()
{
    CCriticalSectionGuard guard(m_lock);
    GobiResult connected = ConnectIfResolved();
    if (connected != GOBI_SUCCESS) {
        DebugPrint(L"ConnectModem:FAIL (QCWWANConnect_) %d\n", static_cast<int>(connected));
        return 0;
    }
    GobiResult dropped = CallQCWWANDisconnect();
    if (dropped != GOBI_SUCCESS)
        DebugPrint(L"ConnectModem:FAIL (QCWWANDisconnect_) %d\n", static_cast<int>(dropped));
    return 1;
}

void CSimService::DisconnectModem()
{
    CCriticalSectionGuard guard(m_lock);
    if (CallQCWWANDisconnect() != GOBI_SUCCESS)
        DebugPrint(L"DisconnectModem:FAIL (QCWWANDisconnect)\n");
    UnloadQMI();
    m_dmPort = -1;
    m_nmeaPort = -1;
    m_gpsOption = 1;
    m_connected = 0;
}
