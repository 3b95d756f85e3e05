#include "sim/gobiapi/SimCard.h"

#include <cstring>

namespace simmodem {
namespace {

// Checks PIN1 for the three operations that present it; on success the caller
// applies its own change.
std::uint32_t PresentPin(SimCard& card, const SimCode& pin)
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

bool SimCode::Assign(const char* text)
{
    if (!text)
        return false;
    const std::size_t length = std::strlen(text);
    if (length > kCapacity)
        return false;
    std::memcpy(text_, text, length + 1);
    return true;
}

bool operator==(const SimCode& a, const SimCode& b)
{
    return std::strcmp(a.text_, b.text_) == 0;
}

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

std::uint32_t VerifyPin(SimCard& card, const SimCode& pin)
{
    if (!card.present)
        return kNoCard;
    return PresentPin(card, pin);
}

std::uint32_t ChangePin(SimCard& card, const SimCode& pin, const SimCode& newPin)
{
    if (!card.present)
        return kNoCard;
    std::uint32_t result = PresentPin(card, pin);
    if (result == kOk)
        card.pin = newPin;
    return result;
}

std::uint32_t SetPinProtection(SimCard& card, std::uint32_t enable, const SimCode& pin)
{
    if (!card.present)
        return kNoCard;
    std::uint32_t result = PresentPin(card, pin);
    if (result == kOk)
        card.protection = enable != 0;
    return result;
}

std::uint32_t UnblockPin(SimCard& card, const SimCode& puk, const SimCode& newPin)
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
