// A scripted Gobi library installed straight into the function table, for
// tests of the service and the PIN operations that need no DLL.
#pragma once

#include "modem/GobiApi.h"

#include <string>

struct FakeGobiState {
    GobiResult enumerateResult = 0;
    std::uint8_t deviceCount = 1;
    GobiResult connectResult = 0;
    GobiResult disconnectResult = 0;
    GobiResult statusResult = 0;
    std::uint32_t status = 1;
    std::uint32_t verifyLeft = 3;
    std::uint32_t unblockLeft = 10;
    GobiResult verifyResult = 0;
    GobiResult changeResult = 0;
    GobiResult protectionResult = 0;
    GobiResult unblockResult = 0;

    // What the library saw.
    int enumerateCalls = 0;
    int connectCalls = 0;
    int disconnectCalls = 0;
    int statusCalls = 0;
    int verifyCalls = 0;
    int changeCalls = 0;
    int protectionCalls = 0;
    int unblockCalls = 0;
    std::uint32_t lastPinId = 0;
    std::string lastFirst;
    std::string lastSecond;
    std::uint32_t lastEnable = 99;
    std::string connectedId;
    std::string connectedKey;
};

extern FakeGobiState g_fake;

// Fills all ten slots with the fake and resets its state.
void InstallFakeGobiApi();
// Empties every slot.
void RemoveFakeGobiApi();
