#include "tests/soak/SoakPlatform.h"

#include "sim/gobiapi/SimModemControl.h"
#include "tests/support/BrindleTexts.h"

namespace soak {

namespace text = brindletext;

Card ReadCard()
{
    Card card;
    card.present = simmodem::GetValue(L"CardPresent", 1) != 0;
    card.protection = simmodem::GetValue(L"PinProtection", 1) != 0;
    card.verified = simmodem::GetValue(L"PinVerified", 0) != 0;
    card.pinLeft = simmodem::GetValue(L"PinLeft", 3);
    card.pukLeft = simmodem::GetValue(L"PukLeft", 10);
    card.pin = simmodem::GetText(L"Pin", L"1234");
    card.puk = simmodem::GetText(L"Puk", L"12345678");
    return card;
}

std::wstring PinTextOf(const Card& card)
{
    if (!card.present)
        return text::kCardAbsent;
    if (card.pukLeft == 0)
        return text::kCardLocked;
    if (card.pinLeft == 0)
        return text::kPukNeeded;
    if (card.protection && !card.verified)
        return text::kPinNeeded;
    return text::kUsable;
}

std::wstring OtherCode(const std::wstring& code, const wchar_t* first, const wchar_t* second)
{
    return code == first ? second : first;
}

std::map<std::wstring, ValueSnapshot> ReadProductKey()
{
    std::map<std::wstring, ValueSnapshot> values;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane\\brindle", 0, KEY_READ | KEY_WOW64_64KEY, &key) !=
        ERROR_SUCCESS)
        return values;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256;
        BYTE data[1024];
        DWORD dataLength = sizeof data;
        DWORD type = 0;
        if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, data, &dataLength) != ERROR_SUCCESS)
            break;
        values[std::wstring(name, nameLength)] = ValueSnapshot{type, std::vector<BYTE>(data, data + dataLength)};
    }
    RegCloseKey(key);
    return values;
}

bool DwordOf(const std::map<std::wstring, ValueSnapshot>& values, const wchar_t* name, DWORD& value)
{
    const auto found = values.find(name);
    if (found == values.end() || found->second.type != REG_DWORD || found->second.data.size() != 4)
        return false;
    value = *reinterpret_cast<const DWORD*>(found->second.data.data());
    return true;
}

} // namespace soak
