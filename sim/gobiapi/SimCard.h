// The simulated SIM card's PIN1 and PUK handling, kept free of the registry and
// of Windows so that it can be checked on its own.
#pragma once

#include <cstdint>
#include <string>

namespace simmodem {

// Answers of the stand-in library. 0, 1012, 1035 and 1037 are the ones callers
// tell apart; the others only have to be non-zero and stable for tests.
// kNotConnected also answers a disconnect without a link, kLinkInUse a
// connect while this process still holds one.
constexpr std::uint32_t kOk = 0;
constexpr std::uint32_t kNotConnected = 1;
constexpr std::uint32_t kInvalidArgument = 2;
constexpr std::uint32_t kNoSuchDevice = 3;
constexpr std::uint32_t kLinkInUse = 4;
constexpr std::uint32_t kWrongCode = 1012;
constexpr std::uint32_t kPinBlocked = 1035;
constexpr std::uint32_t kPukBlocked = 1036;
constexpr std::uint32_t kNoCard = 1037;

// PIN status values as the library reports them.
constexpr std::uint32_t kStatusEnabledNotVerified = 1;
constexpr std::uint32_t kStatusEnabledVerified = 2;
constexpr std::uint32_t kStatusDisabled = 3;
constexpr std::uint32_t kStatusBlocked = 4;
constexpr std::uint32_t kStatusPermanentlyBlocked = 5;

struct SimCard {
    bool present = true;
    std::string pin = "1234";
    std::string puk = "12345678";
    bool protection = true;
    bool verified = false;
    std::uint32_t pinLeft = 3;
    std::uint32_t pukLeft = 10;
    std::uint32_t pinMax = 3;
    std::uint32_t pukMax = 10;
    bool hasStatusOverride = false;
    std::uint32_t statusOverride = 0;
};

// The status that follows from the counters and flags alone.
std::uint32_t DerivedPinStatus(const SimCard& card);

// Each operation returns the library's answer and updates card as the SIM
// would. Without a card every one answers kNoCard and changes nothing.
std::uint32_t QueryPinStatus(const SimCard& card, std::uint32_t& status);
std::uint32_t VerifyPin(SimCard& card, const std::string& pin);
std::uint32_t ChangePin(SimCard& card, const std::string& pin, const std::string& newPin);
std::uint32_t SetPinProtection(SimCard& card, std::uint32_t enable, const std::string& pin);
std::uint32_t UnblockPin(SimCard& card, const std::string& puk, const std::string& newPin);

// What a card keeps when its power goes: everything but the verification.
void PowerCycle(SimCard& card);

} // namespace simmodem
