#include "tests/support/BrindleTexts.h"

namespace brindletext {

std::wstring FillIn(const wchar_t* format, const std::vector<std::wstring>& args)
{
    std::wstring out;
    size_t next = 0;
    for (const wchar_t* p = format; *p != L'\0'; ++p) {
        if (*p != L'%' || *++p == L'%') {
            out += *p;
        } else if (*p == L'\0') {
            break;
        } else {
            out += next < args.size() ? args[next++] : L"<missing argument>";
        }
    }
    return out;
}

std::wstring TipText(const std::wstring& pin)
{
    return Format(kTip, pin);
}

std::wstring TipText(const std::wstring& pin, const std::wstring& gps)
{
    return Format(kTipWithGps, pin, gps);
}

} // namespace brindletext

std::wstring ResString(unsigned id)
{
    for (const brindletext::StringEntry& entry : brindletext::kStringTable) {
        if (entry.id == id)
            return entry.text;
    }
    return L"<no string " + std::to_wstring(id) + L">";
}
