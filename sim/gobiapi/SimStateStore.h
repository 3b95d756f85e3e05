// The stand-in modem's state in the registry (key: SimModemKey.h). Every call
// of the library opens the key afresh, because tests and other processes
// change the values between calls.
#pragma once

#include <cstdint>
#include <string>

#include <windows.h>

#include "sim/gobiapi/SimCard.h"

namespace simmodem {

class SimStateStore {
public:
    SimStateStore(); // opens or creates the key; without it every read gives defaults
    ~SimStateStore();
    SimStateStore(const SimStateStore&) = delete;
    SimStateStore& operator=(const SimStateStore&) = delete;

    bool Read(const std::wstring& name, std::uint32_t& value) const;
    std::uint32_t Value(const std::wstring& name, std::uint32_t fallback) const;
    void Write(const std::wstring& name, std::uint32_t value);
    void Delete(const std::wstring& name);

    SimCard LoadCard() const;
    // Writes only what differs from before, so values that nobody changed stay
    // missing (their defaults) and a test's own writes meanwhile are kept.
    void StoreCard(const SimCard& before, const SimCard& after);

private:
    bool ReadText(const wchar_t* name, std::string& text) const;
    void WriteText(const wchar_t* name, const std::string& text);

    HKEY key_ = nullptr;
};

// "<prefix><exportName>", e.g. Calls.UIMVerifyPIN.
std::wstring ExportValueName(const wchar_t* prefix, const char* exportName);

} // namespace simmodem
