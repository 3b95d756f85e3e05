#pragma once
// Hex helpers for known-answer tests: vectors are written as hex strings and
// compared as hex strings, so a failure prints both sides in full.

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

inline std::vector<uint8_t> FromHex(const std::string& hex)
{
    auto nibble = [](char c) -> uint8_t {
        if (c >= '0' && c <= '9')
            return static_cast<uint8_t>(c - '0');
        if (c >= 'a' && c <= 'f')
            return static_cast<uint8_t>(c - 'a' + 10);
        return static_cast<uint8_t>(c - 'A' + 10);
    };
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>((nibble(hex[i]) << 4) | nibble(hex[i + 1])));
    return bytes;
}

inline std::string ToHex(const uint8_t* bytes, size_t length)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (size_t i = 0; i < length; ++i) {
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 15];
    }
    return hex;
}

inline std::string ToHex(const std::vector<uint8_t>& bytes)
{
    return ToHex(bytes.data(), bytes.size());
}

inline std::vector<uint8_t> Repeat(uint8_t value, size_t count)
{
    return std::vector<uint8_t>(count, value);
}

inline std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}
