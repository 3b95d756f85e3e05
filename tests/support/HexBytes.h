#pragma once
// Bytes written and shown as hex: vectors are read from hex strings (spaces
// allowed between digits) and compared or printed as hex, so a failure shows
// both sides in full. Portable, header only.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline std::vector<std::uint8_t> FromHex(const std::string& hex)
{
    std::vector<std::uint8_t> bytes;
    int high = -1;
    for (char c : hex) {
        if (c == ' ')
            continue;
        const int nibble = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        if (high < 0) {
            high = nibble;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high << 4 | nibble));
            high = -1;
        }
    }
    return bytes;
}

// Lower-case digits; with group > 0, a space after every group bytes.
inline std::string ToHex(const std::uint8_t* bytes, std::size_t length, std::size_t group = 0)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (std::size_t i = 0; i < length; ++i) {
        if (group != 0 && i != 0 && i % group == 0)
            hex += ' ';
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 15];
    }
    return hex;
}

inline std::string ToHex(const std::vector<std::uint8_t>& bytes, std::size_t group = 0)
{
    return ToHex(bytes.data(), bytes.size(), group);
}
