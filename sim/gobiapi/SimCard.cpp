#include "sim/gobiapi/SimCard.h"

namespace simmodem {
namespace {

// Checks PIN1 for the three operations that present it; on success the caller
// applies its own change.
std::uint32_t PresentPin(SimCard& card, const std::string& pin)
{
    if (card.pukLeft == 0 || card.pinLeft == 0)
        return kPinBlocked;
    if (pin == card.pin) {
        card.pinLeft = card.pinMax;
        card.verified = true;
        return kOk;
    }
    if (--card.pinLeft == 0) {
        card.verified = false;
        return kPinBlocked;
    }
    return kWrongCode;
}

} // namespace

std::uint32_t DerivedPinStatus(const SimCard& card)
{
    if (card.pukLeft == 0)
        return kStatusPermanentlyBlocked;
    if (card.pinLeft == 0)
        return kStatusBlocked;
    if (!card.protection)
        return kStatusDisabled;
    if (card.verified)
        return kStatusEnabledVerified;
    return kStatusEnabledNotVerified;
}

std::uint32_t QueryPinStatus(const SimCard& card, std::uint32_t& status)
{
    if (!card.present)
        return kNoCard;
    status = card.hasStatusOverride ? card.statusOverride : DerivedPinStatus(card);
    return kOk;
}

std::uint32_t VerifyPin(SimCard& card, const std::string& pin)
{
    if (!card.present)
        return kNoCard;
    return PresentPin(card, pin);
}

std::uint32_t ChangePin(SimCard& card, const std::string& pin, const std::string& newPin)
{
    if (!card.present)
        return kNoCard;
    std::uint32_t result = PresentPin(card, pin);
    if (result == kOk)
        card.pin = newPin;
    return result;
}

std::uint32_t SetPinProtection(SimCard& card, std::uint32_t enable, const std::string& pin)
{
    if (!card.present)
        return kNoCard;
    std::uint32_t result = PresentPin(card, pin);
    if (result == kOk)
        card.protection = enable != 0;
    return result;
}

std::uint32_t UnblockPin(SimCard& card, const std::string& puk, const std::string& newPin)
{
    if (!card.present)
        return kNoCard;
    if (card.pukLeft == 0)
        return kPukBlocked;
    if (puk == card.puk) {
        card.pin = newPin;
        card.pinLeft = card.pinMax;
        card.pukLeft = card.pukMax;
        card.verified = true;
        return kOk;
    }
    if (--card.pukLeft == 0) {
        card.verified = false;
        return kPukBlocked;
    }
    return kWrongCode;
}

void PowerCycle(SimCard& card)
{
    card.verified = false;
}

} // namespace simmodem
