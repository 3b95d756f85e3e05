// The stand-in modem's state in the registry (key: SimModemKey.h). Every call
// of the library opens the key afresh, because tests and other processes
// change the values between calls. No heap and no C++ runtime here, for the
// reason SimCode gives.
#pragma once

#include <cstdint>

#include <windows.h>

#include "sim/gobiapi/SimCard.h"

namespace simmodem {

class SimStateStore {
public:
    SimStateStore(); // opens or creates the key; without it every read gives defaults
    ~SimStateStore();
    SimStateStore(const SimStateStore&) = delete;
    SimStateStore& operator=(const SimStateStore&) = delete;

    bool Read(const wchar_t* name, std::uint32_t& value) const;
    std::uint32_t Value(const wchar_t* name, std::uint32_t fallback) const;
    void Write(const wchar_t* name, std::uint32_t value);
    void Delete(const wchar_t* name);

    SimCard LoadCard() const;
    // Writes only what differs from before, so values that nobody changed stay
    // missing (their defaults) and a test's own writes meanwhile are kept.
    void StoreCard(const SimCard& before, const SimCard& after);

private:
    bool ReadCode(const wchar_t* name, SimCode& code) const;
    void WriteCode(const wchar_t* name, const SimCode& code);

    HKEY key_ = nullptr;
};

// "<prefix><exportName>", e.g. Calls.UIMVerifyPIN.
class ValueName {
public:
    ValueName(const wchar_t* prefix, const char* exportName);
    const wchar_t* c_str() const { return text_; }

private:
    wchar_t text_[64] = {};
};

} // namespace simmodem
