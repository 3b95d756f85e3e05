#include "tests/e2e/TrayIconRecord.h"

namespace e2e {
namespace {

std::uint32_t LoadLe32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::wstring LoadUtf16(const std::uint8_t* p, std::size_t maxChars)
{
    std::wstring text;
    for (std::size_t i = 0; i < maxChars; ++i) {
        const wchar_t c = static_cast<wchar_t>(p[2 * i] | p[2 * i + 1] << 8);
        if (c == 0)
            break;
        text += c;
    }
    return text;
}

} // namespace

bool ParseTrayIconRecord(std::uint32_t action, const std::uint8_t* data, std::size_t size, TrayIconRecord& out)
{
    using namespace trayrecord;
    if (data == nullptr || size < kSize)
        return false;
    TrayIconRecord record;
    record.action = action;
    record.window = LoadLe32(data + kWindow);
    record.id = LoadLe32(data + kId);
    record.flags = LoadLe32(data + kFlags);
    record.callbackMessage = LoadLe32(data + kCallbackMessage);
    record.tip = LoadUtf16(data + kTip, kTipChars);
    record.iconWidth = LoadLe32(data + kIconWidth);
    record.iconHeight = LoadLe32(data + kIconHeight);
    record.iconBitsPerPixel = LoadLe32(data + kIconBitsPerPixel);
    out = record;
    return true;
}

} // namespace e2e
