// The ten exports of the stand-in GobiApi.dll. Every call is counted, may be
// delayed or forced to fail by the test, and reads the state afresh.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "sim/gobiapi/SimCard.h"
#include "sim/gobiapi/SimStateStore.h"

namespace simmodem {
namespace {

constexpr std::size_t kDeviceIdSize = 256;
constexpr std::size_t kDeviceKeySize = 16;
constexpr std::uint32_t kPin1 = 1;

// The link belongs to the process, as the vendor library's does; the rest of
// the state is shared through the registry. A power cycle of the card
// (PowerCycles counts them) ends every process's link.
CRITICAL_SECTION g_lock; // from the load to the unload
bool g_linkOpen = false;
std::uint32_t g_linkCycle = 0;

class Held {
public:
    Held() { EnterCriticalSection(&g_lock); }
    ~Held() { LeaveCriticalSection(&g_lock); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
};

enum class Needs { Nothing, Link };

void CyclePower(SimStateStore& store)
{
    SimCard card = store.LoadCard();
    const SimCard before = card;
    PowerCycle(card);
    store.StoreCard(before, card);
    store.Write(L"PowerCycles", store.Value(L"PowerCycles", 0) + 1);
}

// The card is without power while the library is unloaded (the machine
// sleeps), so a library loaded again by the same process meets a card that
// has forgotten its verification. A process ending is no power cycle, and
// Wine soon gives a process id again: the mark carries the start time too.
void NoteLoad(SimStateStore& store)
{
    wchar_t name[32];
    std::swprintf(name, sizeof name / sizeof name[0], L"Loaded.%lu", GetCurrentProcessId());
    FILETIME created = {}, exited = {}, kernel = {}, user = {};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const std::uint32_t stamp = created.dwLowDateTime | 1;
    if (store.Value(name, 0) == stamp)
        CyclePower(store);
    else
        store.Write(name, stamp);
}

bool LinkOpen(const SimStateStore& store)
{
    return g_linkOpen && g_linkCycle == store.Value(L"PowerCycles", 0);
}

// Fail.<export> answers its code on every call; with FailCount.<export> N
// beside it only on the next N calls, after which both go.
bool TakeForcedFailure(SimStateStore& store, const char* exportName, std::uint32_t& code)
{
    const ValueName failName(L"Fail.", exportName);
    if (!store.Read(failName.c_str(), code))
        return false;
    const ValueName countName(L"FailCount.", exportName);
    std::uint32_t left = 0;
    if (!store.Read(countName.c_str(), left))
        return true;
    if (left > 1) {
        store.Write(countName.c_str(), left - 1);
        return true;
    }
    store.Delete(countName.c_str());
    store.Delete(failName.c_str());
    return left == 1;
}

// Counting and the delay come before everything else, so that a test sees
// every call, including refused ones, and a slow answer is slow whatever it
// says.
template <typename Body>
std::uint32_t Answer(const char* exportName, Needs needs, Body body)
{
    std::uint32_t delay = 0;
    {
        const Held hold;
        SimStateStore store;
        const ValueName calls(L"Calls.", exportName);
        store.Write(calls.c_str(), store.Value(calls.c_str(), 0) + 1);
        delay = store.Value(ValueName(L"Delay.", exportName).c_str(), 0);
    }
    if (delay)
        Sleep(delay);

    const Held hold;
    SimStateStore store;
    std::uint32_t forced = 0;
    if (TakeForcedFailure(store, exportName, forced))
        return forced;
    if (needs == Needs::Link && !LinkOpen(store))
        return kNotConnected;
    return body(store);
}

void DeviceName(std::uint32_t index, char* id, char* key)
{
    std::snprintf(id, kDeviceIdSize, "BRINDLESIM\\MODEM%u", static_cast<unsigned>(index + 1));
    std::snprintf(key, kDeviceKeySize, "SIMKEY%04u", static_cast<unsigned>(index + 1));
}

// Runs one card operation and fills the attempt counters whenever the card
// answered (not for a missing card).
template <typename Operation>
std::uint32_t WithCard(SimStateStore& store, std::uint32_t* verifyLeft, std::uint32_t* unblockLeft, Operation operation)
{
    SimCard card = store.LoadCard();
    const SimCard before = card;
    std::uint32_t result = operation(card);
    store.StoreCard(before, card);
    if (card.present) {
        if (verifyLeft)
            *verifyLeft = card.pinLeft;
        if (unblockLeft)
            *unblockLeft = card.pukLeft;
    }
    return result;
}

} // namespace
} // namespace simmodem

using namespace simmodem;

extern "C" {

// At the load, not at the first call: what a test sets up after loading
// the library again is the state of the card that has its power back.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        InitializeCriticalSection(&g_lock);
        SimStateStore store;
        NoteLoad(store);
    } else if (reason == DLL_PROCESS_DETACH) {
        DeleteCriticalSection(&g_lock);
    }
    return TRUE;
}

std::uint32_t __cdecl QCWWAN2kEnumerateDevices(std::uint8_t* count, std::uint8_t* entries)
{
    return Answer("QCWWAN2kEnumerateDevices", Needs::Nothing, [&](SimStateStore& store) {
        if (!count || (*count && !entries))
            return kInvalidArgument;
        std::uint32_t found = store.Value(L"DeviceCount", 1);
        if (found > *count)
            found = *count;
        for (std::uint32_t i = 0; i < found; ++i) {
            char* entry = reinterpret_cast<char*>(entries) + i * (kDeviceIdSize + kDeviceKeySize);
            std::memset(entry, 0, kDeviceIdSize + kDeviceKeySize);
            DeviceName(i, entry, entry + kDeviceIdSize);
        }
        *count = static_cast<std::uint8_t>(found);
        return kOk;
    });
}

std::uint32_t __cdecl QCWWAN2kConnect(const char* deviceId, const char* deviceKey)
{
    return Answer("QCWWAN2kConnect", Needs::Nothing, [&](SimStateStore& store) {
        if (!deviceId || !deviceKey)
            return kInvalidArgument;
        // One link per process: a second connect must wait for a disconnect.
        if (LinkOpen(store))
            return kLinkInUse;
        std::uint32_t failures = store.Value(L"ConnectFailures", 0);
        if (failures) {
            store.Write(L"ConnectFailures", failures - 1);
            return store.Value(L"ConnectFailCode", 1);
        }
        // Only a device that enumeration would report now can be opened, so a
        // caller passing the wrong fields (or a stale device) is refused.
        std::uint32_t devices = store.Value(L"DeviceCount", 1);
        for (std::uint32_t i = 0; i < devices && i < 255; ++i) {
            char id[kDeviceIdSize], key[kDeviceKeySize];
            DeviceName(i, id, key);
            if (std::strcmp(deviceId, id) == 0 && std::strcmp(deviceKey, key) == 0) {
                g_linkOpen = true;
                g_linkCycle = store.Value(L"PowerCycles", 0);
                return kOk;
            }
        }
        return kNoSuchDevice;
    });
}

std::uint32_t __cdecl QCWWANDisconnect()
{
    return Answer("QCWWANDisconnect", Needs::Nothing, [&](SimStateStore& store) {
        const bool wasOpen = LinkOpen(store);
        g_linkOpen = false;
        return wasOpen ? kOk : kNotConnected;
    });
}

std::uint32_t __cdecl UIMGetPINStatus(std::uint32_t pinId, std::uint32_t* status, std::uint32_t* verifyLeft,
                                      std::uint32_t* unblockLeft)
{
    return Answer("UIMGetPINStatus", Needs::Link, [&](SimStateStore& store) {
        if (pinId != kPin1 || !status || !verifyLeft || !unblockLeft)
            return kInvalidArgument;
        return WithCard(store, verifyLeft, unblockLeft, [&](SimCard& card) { return QueryPinStatus(card, *status); });
    });
}

std::uint32_t __cdecl UIMVerifyPIN(std::uint32_t pinId, const char* pin, std::uint32_t* verifyLeft,
                                   std::uint32_t* unblockLeft)
{
    return Answer("UIMVerifyPIN", Needs::Link, [&](SimStateStore& store) {
        if (pinId != kPin1 || !pin)
            return kInvalidArgument;
        return WithCard(store, verifyLeft, unblockLeft, [&](SimCard& card) { return VerifyPin(card, pin); });
    });
}

std::uint32_t __cdecl UIMUnblockPIN(std::uint32_t pinId, const char* puk, const char* newPin, std::uint32_t* verifyLeft,
                                    std::uint32_t* unblockLeft)
{
    return Answer("UIMUnblockPIN", Needs::Link, [&](SimStateStore& store) {
        if (pinId != kPin1 || !puk || !newPin)
            return kInvalidArgument;
        return WithCard(store, verifyLeft, unblockLeft, [&](SimCard& card) { return UnblockPin(card, puk, newPin); });
    });
}

std::uint32_t __cdecl UIMChangePIN(std::uint32_t pinId, const char* pin, const char* newPin, std::uint32_t* verifyLeft,
                                   std::uint32_t* unblockLeft)
{
    return Answer("UIMChangePIN", Needs::Link, [&](SimStateStore& store) {
        if (pinId != kPin1 || !pin || !newPin)
            return kInvalidArgument;
        return WithCard(store, verifyLeft, unblockLeft, [&](SimCard& card) { return ChangePin(card, pin, newPin); });
    });
}

std::uint32_t __cdecl UIMSetPINProtection(std::uint32_t pinId, std::uint32_t enable, const char* pin,
                                          std::uint32_t* verifyLeft, std::uint32_t* unblockLeft)
{
    return Answer("UIMSetPINProtection", Needs::Link, [&](SimStateStore& store) {
        if (pinId != kPin1 || !pin)
            return kInvalidArgument;
        return WithCard(store, verifyLeft, unblockLeft,
                        [&](SimCard& card) { return SetPinProtection(card, enable, pin); });
    });
}

std::uint32_t __cdecl GetServiceAutomaticTracking(std::uint32_t* tracking)
{
    return Answer("GetServiceAutomaticTracking", Needs::Link, [&](SimStateStore& store) {
        if (!tracking)
            return kInvalidArgument;
        *tracking = store.Value(L"GpsTracking", 0);
        return kOk;
    });
}

std::uint32_t __cdecl SetServiceAutomaticTracking(std::uint32_t tracking)
{
    return Answer("SetServiceAutomaticTracking", Needs::Link, [&](SimStateStore& store) {
        // A sticky module accepts the change and keeps reporting its old state.
        if (!store.Value(L"GpsSticky", 0))
            store.Write(L"GpsTracking", tracking);
        return kOk;
    });
}

} // extern "C"
