// Our declarations of the parts of GobiApi.dll that the program calls. The
// library is loaded at run time; every export is __cdecl with an undecorated
// name and answers an unsigned 32-bit code, 0 meaning success.
#pragma once

#include <cstdint>

typedef std::uint32_t GobiResult;

// Library results the program tells apart.
const GobiResult GOBI_SUCCESS = 0;
const GobiResult GOBI_WRONG_CODE = 1012;
const GobiResult GOBI_PIN_BLOCKED = 1035;
const GobiResult GOBI_PIN_PERM_BLOCKED = 1036;
const GobiResult GOBI_CARD_NOT_INITIALIZED = 1037;

// Stands in for a library code when the function's slot is empty.
const GobiResult GOBI_MISSING_FUNCTION = 9;

// PIN1 is the only PIN the program works on.
const std::uint32_t GOBI_PIN_ID_PIN1 = 1;

// One entry of the device enumeration, as the library fills it.
struct GobiDeviceEntry {
    char deviceId[256];
    char deviceKey[16];
};
static_assert(sizeof(GobiDeviceEntry) == 272, "the library writes 272 bytes per device");

extern "C" {
typedef GobiResult(__cdecl* QCWWAN2kEnumerateDevicesFn)(std::uint8_t* deviceCount, GobiDeviceEntry* devices);
typedef GobiResult(__cdecl* QCWWAN2kConnectFn)(const char* deviceId, const char* deviceKey);
typedef GobiResult(__cdecl* QCWWANDisconnectFn)();
typedef GobiResult(__cdecl* UIMChangePINFn)(std::uint32_t pinId, const char* oldValue, const char* newValue,
                                            std::uint32_t* verifyLeft, std::uint32_t* unblockLeft);
typedef GobiResult(__cdecl* UIMGetPINStatusFn)(std::uint32_t pinId, std::uint32_t* status, std::uint32_t* verifyLeft,
                                               std::uint32_t* unblockLeft);
typedef GobiResult(__cdecl* UIMSetPINProtectionFn)(std::uint32_t pinId, std::uint32_t enable, const char* value,
                                                   std::uint32_t* verifyLeft, std::uint32_t* unblockLeft);
typedef GobiResult(__cdecl* UIMUnblockPINFn)(std::uint32_t pinId, const char* pukValue, const char* newValue,
                                             std::uint32_t* verifyLeft, std::uint32_t* unblockLeft);
typedef GobiResult(__cdecl* UIMVerifyPINFn)(std::uint32_t pinId, const char* value, std::uint32_t* verifyLeft,
                                            std::uint32_t* unblockLeft);
typedef GobiResult(__cdecl* GetServiceAutomaticTrackingFn)(std::uint32_t* enabled);
typedef GobiResult(__cdecl* SetServiceAutomaticTrackingFn)(std::uint32_t enable);
}

// The resolved exports; an empty slot is a function the loaded library lacks
// (or no library at all). The two tracking slots are filled only for the GPS
// option.
struct GobiApiTable {
    QCWWAN2kEnumerateDevicesFn QCWWAN2kEnumerateDevices;
    QCWWAN2kConnectFn QCWWAN2kConnect;
    QCWWANDisconnectFn QCWWANDisconnect;
    UIMChangePINFn UIMChangePIN;
    UIMGetPINStatusFn UIMGetPINStatus;
    UIMSetPINProtectionFn UIMSetPINProtection;
    UIMUnblockPINFn UIMUnblockPIN;
    UIMVerifyPINFn UIMVerifyPIN;
    GetServiceAutomaticTrackingFn GetServiceAutomaticTracking;
    SetServiceAutomaticTrackingFn SetServiceAutomaticTracking;
};

// The process-wide table; only the service's load and unload steps fill and
// empty it.
extern GobiApiTable g_gobiApi;

// Drops the link the library holds (9 when the slot is empty).
GobiResult CallQCWWANDisconnect();

// Enumerates one device and connects to it: 0 connected, the library's
// error, 9 (connect slot empty) or 6 (no device).
GobiResult QCWWANConnect();
