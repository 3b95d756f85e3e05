#include "DriverVersion.h"

namespace MiscCommon {

namespace {

bool IsSpace(wchar_t c)
{
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}

// One "%d": false when no digit follows the optional white space and sign.
// Values wrap modulo 2^32 the way the runtime's conversion stores them.
bool ReadNumber(const wchar_t** cursor, uint32_t* value)
{
    const wchar_t* p = *cursor;
    while (IsSpace(*p))
        ++p;
    bool negative = false;
    if (*p == L'+' || *p == L'-') {
        negative = *p == L'-';
        ++p;
    }
    if (*p < L'0' || *p > L'9')
        return false;
    uint32_t result = 0;
    while (*p >= L'0' && *p <= L'9') {
        result = result * 10u + static_cast<uint32_t>(*p - L'0');
        ++p;
    }
    *value = negative ? 0u - result : result;
    *cursor = p;
    return true;
}

} // namespace

DriverVersion ParseDriverVersion(const wchar_t* text)
{
    DriverVersion version = {0, 0, 0, 0};
    if (text == nullptr)
        return version;
    uint32_t* parts[4] = {&version.Major, &version.Minor, &version.Build, &version.Revision};
    const wchar_t* cursor = text;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (*cursor != L'.')
                break;
            ++cursor;
        }
        if (!ReadNumber(&cursor, parts[i]))
            break;
    }
    return version;
}

bool IsDriverVersionSupported(uint32_t major, uint32_t minor, uint32_t build)
{
    if (major != 1)
        return major > 1;
    if (minor > 0)
        return true;
    return build >= 8;
}

} // namespace MiscCommon
