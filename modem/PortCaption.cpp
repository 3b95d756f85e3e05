#include "modem/PortCaption.h"

#include <limits>

namespace {

bool IsDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

bool StartsWith(std::wstring_view text, std::wstring_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// The leading decimal digits of text as a port number; false when there is
// no digit or the number does not fit, so that a garbled caption never
// yields a wrapped-around port.
bool ReadPortNumber(std::wstring_view text, std::int32_t& number)
{
    if (text.empty() || !IsDigit(text[0]))
        return false;
    std::int64_t value = 0;
    for (wchar_t c : text) {
        if (!IsDigit(c))
            break;
        value = value * 10 + (c - L'0');
        if (value > std::numeric_limits<std::int32_t>::max())
            return false;
    }
    number = static_cast<std::int32_t>(value);
    return true;
}

} // namespace

PortMatch ExaminePortEntity(const PortPrefixes& prefixes, std::wstring_view service, std::wstring_view caption,
                            std::int32_t& dmPort, std::int32_t& nmeaPort)
{
    if (service.empty() || service != prefixes.serviceName)
        return PortMatch::kNone;
    if (caption.empty())
        return PortMatch::kNone;

    bool dmMatched = false;
    if (StartsWith(caption, prefixes.dmPrefix)) {
        if (!ReadPortNumber(caption.substr(prefixes.dmPrefix.size()), dmPort))
            return PortMatch::kNone;
        dmMatched = true;
    }
    if (StartsWith(caption, prefixes.nmeaPrefix)) {
        if (ReadPortNumber(caption.substr(prefixes.nmeaPrefix.size()), nmeaPort))
            return PortMatch::kNmeaPort;
    }
    return dmMatched ? PortMatch::kDmPort : PortMatch::kNone;
}
