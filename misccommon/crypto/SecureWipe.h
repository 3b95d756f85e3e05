#pragma once

#include <stddef.h>

// Overwrites key material and cipher contexts with zeros in a way the
// optimiser may not drop, even when the memory is freed right afterwards.
void SecureWipe(void* memory, size_t length);
