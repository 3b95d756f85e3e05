#pragma once
// Modular exponentiation over word arrays: 32-bit words, least significant
// word first, lengths and capacities counted in words.
//
// The result gets exactly as many words as the result value needs (at least
// one); words beyond them are left as they were, so clear the destination
// first. False when a pointer is null, the result needs more words than
// `resultCapacity`, the modulus is zero, or an operand is too large for
// CBigNumber (a modulus of at most 33 words always fits).

#include <stdint.h>

bool powmod(uint32_t* result, uint32_t resultCapacity, const uint32_t* base, uint32_t baseLength,
            const uint32_t* exponent, uint32_t exponentLength, const uint32_t* modulus, uint32_t modulusLength);

// powmod with the one-word base 2.
bool pow2mod(uint32_t* result, uint32_t resultCapacity, const uint32_t* exponent, uint32_t exponentLength,
             const uint32_t* modulus, uint32_t modulusLength);
