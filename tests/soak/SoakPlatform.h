// The simulated platform as the soak reads it: the card in the stand-in
// modem, the texts the program must show for it, and the product key.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace soak {

struct Card {
    bool present = true;
    bool protection = true;
    bool verified = false;
    std::uint32_t pinLeft = 3;
    std::uint32_t pukLeft = 10;
    std::wstring pin;
    std::wstring puk;

    bool Locked() const { return present && pukLeft == 0; }
    bool Blocked() const { return present && pukLeft > 0 && pinLeft == 0; }
    bool NeedsPin() const { return present && pukLeft > 0 && pinLeft > 0 && protection && !verified; }
    bool Usable() const { return present && pukLeft > 0 && pinLeft > 0 && (!protection || verified); }
};

Card ReadCard();

// The PIN line of the tooltip and the settings dialog for a card that
// answers every question.
std::wstring PinTextOf(const Card& card);

// first, unless code is first: then second.
std::wstring OtherCode(const std::wstring& code, const wchar_t* first, const wchar_t* second);

struct ValueSnapshot {
    DWORD type = 0;
    std::vector<BYTE> data;
    bool operator==(const ValueSnapshot& other) const { return type == other.type && data == other.data; }
};

// Every value of the product key (HKLM, 64-bit view).
std::map<std::wstring, ValueSnapshot> ReadProductKey();
bool DwordOf(const std::map<std::wstring, ValueSnapshot>& values, const wchar_t* name, DWORD& value);

} // namespace soak
