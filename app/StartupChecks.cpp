#include "app/StartupChecks.h"

#include "misccommon/MiscCommon.h"

#include <memory>
#include <new>

namespace {

const DWORD kGuestsAlias = DOMAIN_ALIAS_RID_GUESTS;

StartupCheckFunction g_guestCheck = nullptr;
StartupCheckFunction g_platformCheck = nullptr;

// The query was sent, the driver answered status 0, and bit 0 is set in both
// the word at offset 12 and the word at offset 14.
bool FeatureWordsAllowStart(DWORD queryResult, BYTE status, WORD word12, WORD word14)
{
    return queryResult == ChannelResult::kOk && status == 0 && (word12 & 1) != 0 && (word14 & 1) != 0;
}

} // namespace

StartupCheckFunction SetGuestCheckFunction(StartupCheckFunction check)
{
    const StartupCheckFunction previous = g_guestCheck;
    g_guestCheck = check;
    return previous;
}

StartupCheckFunction SetPlatformCheckFunction(StartupCheckFunction check)
{
    const StartupCheckFunction previous = g_platformCheck;
    g_platformCheck = check;
    return previous;
}

bool IsGuestUser()
{
    if (g_guestCheck != nullptr)
        return g_guestCheck();
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID guests = nullptr;
    if (!::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, kGuestsAlias, 0, 0, 0, 0, 0, 0,
                                    &guests))
        return false;
    BOOL member = FALSE;
    const BOOL tested = ::CheckTokenMembership(nullptr, guests, &member);
    ::FreeSid(guests);
    return tested && member;
}

bool CheckPlatformSupport(MiscCommon::IMiscDevice* device)
{
    if (device == nullptr && g_platformCheck != nullptr)
        return g_platformCheck();
    std::unique_ptr<MiscCommon::CMiscCommon> channel(device != nullptr ? new (std::nothrow)
                                                                             MiscCommon::CMiscCommon(device)
                                                                       : new (std::nothrow) MiscCommon::CMiscCommon());
    if (!channel)
        return false;

    bool supported = false;
    if (channel->OpenDriver() == ChannelResult::kOk) {
        // An older driver has no session; its feature query then fails by
        // itself, which is the verdict wanted for it.
        const bool sessionReady = !channel->IsDriverVersionSupported() || channel->_Initialize() == ChannelResult::kOk;
        if (sessionReady) {
            BYTE status = 0xFF;
            WORD word12 = 0;
            WORD word14 = 0;
            const DWORD result = channel->QueryMiscFeatures(&status, &word12, &word14, nullptr, nullptr);
            supported = FeatureWordsAllowStart(result, status, word12, word14);
        }
    }
    channel->CloseDriver();
    return supported;
}
