// The soak's source of choices: the same seed gives the same sequence on
// every build and machine (the standard library's distributions do not
// promise that). Portable: no Windows header.
#pragma once

#include <cstdint>

namespace soak {

class CSoakRandom {
public:
    explicit CSoakRandom(std::uint64_t seed) : m_state(seed) {}

    // splitmix64.
    std::uint64_t Next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. bound-1; bound > 0.
    std::uint32_t Below(std::uint32_t bound) { return static_cast<std::uint32_t>(Next() % bound); }
    bool Chance(std::uint32_t percent) { return Below(100) < percent; }

private:
    std::uint64_t m_state;
};

} // namespace soak
