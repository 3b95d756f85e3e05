#include "SecureWipe.h"

#include <stdint.h>
#include <string.h>

void SecureWipe(void* memory, size_t length)
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
