// The simulated SIM card's PIN1 and PUK handling, kept free of the registry and
// of Windows so that it can be checked on its own.
#pragma once

#include <cstddef>
#include <cstdint>

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

// A code as the card keeps it. Fixed storage, no heap and no C++ runtime
// behind it: the library is loaded and unloaded at every resume, and a
// runtime that leaves a handle behind at each unload (MinGW's thread and
// unwinder support does) would show up as the program's leak.
class SimCode {
public:
    static constexpr std::size_t kCapacity = 32; // longer text is refused

    SimCode() = default;
    // An over-long code presented by a caller becomes the empty code, which
    // matches no card's.
    SimCode(const char* text) { Assign(text); } // NOLINT: codes are written as literals
    // False (and unchanged) for a null or over-long text.
    bool Assign(const char* text);
    const char* c_str() const { return text_; }
    friend bool operator==(const SimCode& a, const SimCode& b);
    friend bool operator!=(const SimCode& a, const SimCode& b) { return !(a == b); }

private:
    char text_[kCapacity + 1] = {};
};

struct SimCard {
    bool present = true;
    SimCode pin = "1234";
    SimCode puk = "12345678";
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
std::uint32_t VerifyPin(SimCard& card, const SimCode& pin);
std::uint32_t ChangePin(SimCard& card, const SimCode& pin, const SimCode& newPin);
std::uint32_t SetPinProtection(SimCard& card, std::uint32_t enable, const SimCode& pin);
std::uint32_t UnblockPin(SimCard& card, const SimCode& puk, const SimCode& newPin);

// What a card keeps when its power goes: everything but the verification.
void PowerCycle(SimCard& card);

} // namespace simmodem
