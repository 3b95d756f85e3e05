// PNG encoding for screenshots: 8-bit RGB, stored (uncompressed) deflate
// blocks, which every viewer reads. Portable: no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size);
std::uint32_t Adler32(const std::uint8_t* data, std::size_t size);

// rgb holds height rows of width * 3 bytes, top row first. Returns the whole
// file, or nothing when the sizes do not match.
std::vector<std::uint8_t> EncodePng(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& rgb);
