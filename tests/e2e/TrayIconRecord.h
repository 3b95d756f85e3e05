// What Wine 8's shell32 hands the tray window for one Shell_NotifyIconW call:
// WM_COPYDATA with dwData the NIM_ action and a fixed 960-byte record (below),
// followed by the icon's bits when the call carries an icon. Found by probing
// with known values. Portable: no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace e2e {

// Byte offsets in the record; every number is a little-endian 32-bit value
// and the texts are UTF-16 with a terminator inside their field.
namespace trayrecord {
constexpr std::size_t kWindow = 0; // the icon's window handle
constexpr std::size_t kId = 4;
constexpr std::size_t kFlags = 8;
constexpr std::size_t kCallbackMessage = 12;
constexpr std::size_t kTip = 16; // 128 characters
constexpr std::size_t kTipChars = 128;
constexpr std::size_t kState = 272;
constexpr std::size_t kStateMask = 276;
constexpr std::size_t kInfo = 280; // 256 characters
constexpr std::size_t kTimeoutOrVersion = 792;
constexpr std::size_t kInfoTitle = 796; // 64 characters
constexpr std::size_t kInfoFlags = 924;
constexpr std::size_t kGuid = 928; // 16 bytes
constexpr std::size_t kIconWidth = 944;
constexpr std::size_t kIconHeight = 948;
constexpr std::size_t kIconPlanes = 952;
constexpr std::size_t kIconBitsPerPixel = 956;
constexpr std::size_t kSize = 960;
} // namespace trayrecord

struct TrayIconRecord {
    std::uint32_t action = 0; // NIM_ADD 0, NIM_MODIFY 1, NIM_DELETE 2
    std::uint32_t window = 0; // as sent: a window handle fits in 32 bits
    std::uint32_t id = 0;
    std::uint32_t flags = 0;
    std::uint32_t callbackMessage = 0;
    // Only what shell32 copied: empty unless the call had NIF_TIP.
    std::wstring tip;
    std::uint32_t iconWidth = 0; // 0 when the call carried no icon
    std::uint32_t iconHeight = 0;
    std::uint32_t iconBitsPerPixel = 0;
};

// Reads one record; false (out untouched) when size is below the fixed part.
bool ParseTrayIconRecord(std::uint32_t action, const std::uint8_t* data, std::size_t size, TrayIconRecord& out);

} // namespace e2e
