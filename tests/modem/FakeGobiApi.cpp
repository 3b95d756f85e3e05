#include "tests/modem/FakeGobiApi.h"

#include <cstring>

FakeGobiState g_fake;

namespace {

void Fill(std::uint32_t* verifyLeft, std::uint32_t* unblockLeft)
{
    *verifyLeft = g_fake.verifyLeft;
    *unblockLeft = g_fake.unblockLeft;
}

extern "C" {

GobiResult __cdecl FakeEnumerate(std::uint8_t* count, GobiDeviceEntry* entry)
{
    ++g_fake.enumerateCalls;
    if (g_fake.enumerateResult != 0)
        return g_fake.enumerateResult;
    *count = g_fake.deviceCount;
    std::strcpy(entry->deviceId, "FAKE\\MODEM1");
    std::strcpy(entry->deviceKey, "KEY1");
    return 0;
}

GobiResult __cdecl FakeConnect(const char* id, const char* key)
{
    ++g_fake.connectCalls;
    g_fake.connectedId = id;
    g_fake.connectedKey = key;
    return g_fake.connectResult;
}

GobiResult __cdecl FakeDisconnect()
{
    ++g_fake.disconnectCalls;
    return g_fake.disconnectResult;
}

GobiResult __cdecl FakeChange(std::uint32_t id, const char* oldPin, const char* newPin, std::uint32_t* v,
                              std::uint32_t* u)
{
    ++g_fake.changeCalls;
    g_fake.lastPinId = id;
    g_fake.lastFirst = oldPin;
    g_fake.lastSecond = newPin;
    Fill(v, u);
    return g_fake.changeResult;
}

GobiResult __cdecl FakeStatus(std::uint32_t id, std::uint32_t* status, std::uint32_t* v, std::uint32_t* u)
{
    ++g_fake.statusCalls;
    g_fake.lastPinId = id;
    *status = g_fake.status;
    Fill(v, u);
    return g_fake.statusResult;
}

GobiResult __cdecl FakeProtection(std::uint32_t id, std::uint32_t enable, const char* pin, std::uint32_t* v,
                                  std::uint32_t* u)
{
    ++g_fake.protectionCalls;
    g_fake.lastPinId = id;
    g_fake.lastEnable = enable;
    g_fake.lastFirst = pin;
    Fill(v, u);
    return g_fake.protectionResult;
}

GobiResult __cdecl FakeUnblock(std::uint32_t id, const char* puk, const char* newPin, std::uint32_t* v,
                               std::uint32_t* u)
{
    ++g_fake.unblockCalls;
    g_fake.lastPinId = id;
    g_fake.lastFirst = puk;
    g_fake.lastSecond = newPin;
    Fill(v, u);
    return g_fake.unblockResult;
}

GobiResult __cdecl FakeVerify(std::uint32_t id, const char* pin, std::uint32_t* v, std::uint32_t* u)
{
    ++g_fake.verifyCalls;
    g_fake.lastPinId = id;
    g_fake.lastFirst = pin;
    Fill(v, u);
    return g_fake.verifyResult;
}

GobiResult __cdecl FakeGetTracking(std::uint32_t* enabled)
{
    *enabled = 0;
    return 0;
}

GobiResult __cdecl FakeSetTracking(std::uint32_t)
{
    return 0;
}

} // extern "C"

} // namespace

void InstallFakeGobiApi()
{
    g_fake = FakeGobiState();
    g_gobiApi.QCWWAN2kEnumerateDevices = &FakeEnumerate;
    g_gobiApi.QCWWAN2kConnect = &FakeConnect;
    g_gobiApi.QCWWANDisconnect = &FakeDisconnect;
    g_gobiApi.UIMChangePIN = &FakeChange;
    g_gobiApi.UIMGetPINStatus = &FakeStatus;
    g_gobiApi.UIMSetPINProtection = &FakeProtection;
    g_gobiApi.UIMUnblockPIN = &FakeUnblock;
    g_gobiApi.UIMVerifyPIN = &FakeVerify;
    g_gobiApi.GetServiceAutomaticTracking = &FakeGetTracking;
    g_gobiApi.SetServiceAutomaticTracking = &FakeSetTracking;
}

void RemoveFakeGobiApi()
{
    g_gobiApi = GobiApiTable();
}
