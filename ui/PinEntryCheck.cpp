#include "ui/PinEntryCheck.h"

#include "res/resource.h"

#include <cwchar>

bool IsDigitsOnly(const wchar_t* text)
{
    if (text == nullptr)
        return true;
    for (; *text != L'\0'; ++text) {
        if (*text < L'0' || *text > L'9')
            return false;
    }
    return true;
}

unsigned MinimumLength(const PinEntryRule& rule)
{
    return rule.minLength != 0 ? rule.minLength : 1;
}

std::size_t FindFailingEntry(const PinEntryRule* rules, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const wchar_t* text = rules[i].text != nullptr ? rules[i].text : L"";
        if (!IsDigitsOnly(text))
            return i;
        if (std::wcslen(text) < MinimumLength(rules[i]))
            return i;
    }
    return count;
}

unsigned LengthMessageId(const PinEntryRule& rule)
{
    return MinimumLength(rule) == rule.maxLength ? IDS_LENGTH_EXACT : IDS_LENGTH_RANGE;
}

bool IsUsableLengthPair(unsigned minLength, unsigned maxLength)
{
    return maxLength != 0 && minLength <= maxLength && minLength <= kMaxCodeLength;
}
