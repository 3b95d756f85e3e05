#include "modem/PinOperations.h"

#include "common/DebugLog.h"
#include "modem/GobiApi.h"
#include "modem/PinStatusMapping.h"
#include "modem/SimCodes.h"

namespace {

// The attempts-left values of these calls are ignored: after a failure the
// windows ask again with the attempts-left query.
struct Attempts {
    std::uint32_t verifyLeft = 0;
    std::uint32_t unblockLeft = 0;
};

GobiResult GetPinStatus(std::uint32_t& status, Attempts& attempts)
{
    if (g_gobiApi.UIMGetPINStatus == nullptr)
        return GOBI_MISSING_FUNCTION;
    return g_gobiApi.UIMGetPINStatus(GOBI_PIN_ID_PIN1, &status, &attempts.verifyLeft, &attempts.unblockLeft);
}

// Verify, change and set-protection read their answers alike.
int CheckedCodeResult(GobiResult result, const wchar_t* failure, int failDetail, int& detail)
{
    if (result == GOBI_SUCCESS)
        return SIM_OK;
    DebugPrint(failure, result);
    if (result == GOBI_WRONG_CODE)
        return SIM_WRONG_CODE;
    if (result == GOBI_PIN_BLOCKED)
        return SIM_PIN_BLOCKED;
    detail = failDetail;
    return SIM_FAILED;
}

int StatusQuery(int& detail)
{
    std::uint32_t status = 0;
    Attempts attempts;
    GobiResult result = GetPinStatus(status, attempts);
    if (result == GOBI_CARD_NOT_INITIALIZED) {
        // Field support knows this line by the number 1003, whatever the
        // library answered.
        DebugPrint(L"AtCpin:FAIL (UIMGetPINStatus) (1003)\n");
        return SIM_NOT_INITIALIZED;
    }
    if (result != GOBI_SUCCESS) {
        DebugPrint(L"AtCpin:FAIL (UIMGetPINStatus) (%u)\n", result);
        return SIM_STATUS_FAILED;
    }
    return StatusQueryResult(status, detail);
}

int Unblock(const char* puk, const char* newPin, int& detail)
{
    Attempts attempts;
    GobiResult result = GOBI_MISSING_FUNCTION;
    if (g_gobiApi.UIMUnblockPIN != nullptr)
        result = g_gobiApi.UIMUnblockPIN(GOBI_PIN_ID_PIN1, puk, newPin, &attempts.verifyLeft, &attempts.unblockLeft);
    if (result == GOBI_SUCCESS)
        return SIM_OK;
    DebugPrint(L"AtCpin:FAIL (UIMUnblockPIN) (%u)\n", result);
    if (result == GOBI_WRONG_CODE)
        return SIM_WRONG_CODE;
    detail = SIM_DETAIL_UNBLOCK;
    return SIM_FAILED;
}

int Verify(const char* pin, int& detail)
{
    Attempts attempts;
    GobiResult result = GOBI_MISSING_FUNCTION;
    if (g_gobiApi.UIMVerifyPIN != nullptr)
        result = g_gobiApi.UIMVerifyPIN(GOBI_PIN_ID_PIN1, pin, &attempts.verifyLeft, &attempts.unblockLeft);
    return CheckedCodeResult(result, L"AtCpin:FAIL (UIMVerifyPIN) (%u)\n", SIM_DETAIL_VERIFY, detail);
}

} // namespace

int AtCpin(const char* first, const char* second, int& detail)
{
    if (first == nullptr && second != nullptr)
        return SIM_BAD_PARAMETER;
    if (first == nullptr)
        return StatusQuery(detail);
    if (second != nullptr)
        return Unblock(first, second, detail);
    return Verify(first, detail);
}

int AtCpwd(const char* current, const char* newPin, int& detail)
{
    // The library would be handed a null text if either were missing.
    if (current == nullptr || newPin == nullptr)
        return SIM_BAD_PARAMETER;
    Attempts attempts;
    GobiResult result = GOBI_MISSING_FUNCTION;
    if (g_gobiApi.UIMChangePIN != nullptr)
        result = g_gobiApi.UIMChangePIN(GOBI_PIN_ID_PIN1, current, newPin, &attempts.verifyLeft, &attempts.unblockLeft);
    // The "AtClck" in this line is what field support has always seen.
    return CheckedCodeResult(result, L"AtClck:FAIL (UIMChangePIN) (%u)\n", SIM_DETAIL_CHANGE, detail);
}

int AtClck(const char* pin, int& detail, int enable)
{
    if (pin == nullptr) {
        std::uint32_t status = 0;
        Attempts attempts;
        GobiResult result = GetPinStatus(status, attempts);
        if (result != GOBI_SUCCESS) {
            DebugPrint(L"AtClck:FAIL (UIMGetPINStatus) (%u)\n", result);
            return SIM_STATUS_FAILED;
        }
        return ProtectionQueryResult(status, detail);
    }
    Attempts attempts;
    GobiResult result = GOBI_MISSING_FUNCTION;
    if (g_gobiApi.UIMSetPINProtection != nullptr)
        result = g_gobiApi.UIMSetPINProtection(GOBI_PIN_ID_PIN1, enable == 1 ? 1u : 0u, pin, &attempts.verifyLeft,
                                               &attempts.unblockLeft);
    return CheckedCodeResult(result, L"AtClck:FAIL (UIMSetPINProtection) (%u)\n", SIM_DETAIL_SET_PROTECTION, detail);
}

int AtOercn(int& detail, int& verifyLeft, int& unblockLeft)
{
    std::uint32_t status = 0;
    Attempts attempts;
    GobiResult result = GetPinStatus(status, attempts);
    if (result != GOBI_SUCCESS) {
        detail = SIM_DETAIL_RETRIES;
        DebugPrint(L"AtOercn:FAIL (UIMGetPINStatus) (%u)\n", result);
        return SIM_FAILED;
    }
    verifyLeft = static_cast<int>(attempts.verifyLeft);
    unblockLeft = static_cast<int>(attempts.unblockLeft);
    return SIM_OK;
}
