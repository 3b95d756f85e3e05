#include "tests/e2e/BrindleTexts.h"

namespace e2e {

const std::vector<MenuItem> kTrayMenu = [] {
    std::vector<MenuItem> items;
    for (const brindletext::StringEntry& entry : brindletext::kTrayMenu)
        items.push_back(
            {entry.id, entry.text != nullptr ? 0u : MF_SEPARATOR, entry.text != nullptr ? entry.text : L""});
    return items;
}();

std::wstring PinAttemptsNote(int attemptsLeft)
{
    return Format(brindletext::kPinAttemptsNote, attemptsLeft);
}

std::wstring AttemptsLeft(int attemptsLeft)
{
    return L"あと" + std::to_wstring(attemptsLeft) + L"回";
}

} // namespace e2e
