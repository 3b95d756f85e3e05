#pragma once
// The one wipe every layer uses: key material, cipher contexts and the
// user's codes are overwritten with zeros in a way the optimiser may not
// drop, even when the memory is freed right afterwards. Header only, portable
// and free of the C++ runtime, so the stand-in driver and the fuzzers use it
// as it is.

#include <stddef.h>
#include <stdint.h>
#include <string.h>

inline void SecureWipe(void* memory, size_t length)
{
    if (memory == nullptr || length == 0)
        return;
#if defined(__GNUC__) || defined(__clang__)
    memset(memory, 0, length);
    // The empty asm claims to read the memory, so the stores above are live
    // and dead-store elimination cannot remove them.
    __asm__ __volatile__("" : : "r"(memory) : "memory");
#else
    volatile uint8_t* bytes = static_cast<volatile uint8_t*>(memory);
    while (length-- != 0)
        *bytes++ = 0;
#endif
}

// A whole array, e.g. a code field.
template <typename T, size_t N>
inline void SecureWipe(T (&array)[N])
{
    SecureWipe(array, sizeof(array));
}
