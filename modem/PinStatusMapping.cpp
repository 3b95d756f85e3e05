#include "modem/PinStatusMapping.h"

#include "modem/SimCodes.h"

namespace {

// The card's PIN1 status values.
const std::uint32_t kNotInitialized = 0;
const std::uint32_t kEnabledNotVerified = 1;
const std::uint32_t kEnabledVerified = 2;
const std::uint32_t kDisabled = 3;
const std::uint32_t kBlocked = 4;
const std::uint32_t kPermanentlyBlocked = 5;

} // namespace

int StatusQueryResult(std::uint32_t status, int& detail)
{
    switch (status) {
    case kEnabledNotVerified:
        return SIM_PIN_VERIFY_REQUIRED;
    case kEnabledVerified:
    case kDisabled:
    case kPermanentlyBlocked:
        return SIM_PIN_READY;
    case kBlocked:
        return SIM_PUK_REQUIRED;
    default:
        detail = SIM_DETAIL_STATUS_QUERY;
        return SIM_FAILED;
    }
}

int ProtectionQueryResult(std::uint32_t status, int& detail)
{
    switch (status) {
    case kDisabled:
        return SIM_PROTECTION_OFF;
    case kNotInitialized:
    case kEnabledNotVerified:
    case kEnabledVerified:
    case kBlocked:
    case kPermanentlyBlocked:
        return SIM_PROTECTION_ON;
    default:
        detail = SIM_DETAIL_PROTECTION_QUERY;
        return SIM_FAILED;
    }
}
