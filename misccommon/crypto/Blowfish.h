#pragma once

#include <stddef.h>
#include <stdint.h>

#include "BlowfishTables.h"

constexpr size_t kBlowfishMaxKeyLength = 16;

// Caller-owned, 4168 bytes: the P-array, then the four S-boxes. The owner
// wipes it (SecureWipe) before freeing it.
struct BlowfishContext {
    uint32_t P[kBlowfishPWords];
    uint32_t S[kBlowfishSBoxes][kBlowfishSBoxWords];
};
static_assert(sizeof(BlowfishContext) == 4168, "the context is one 4168-byte block");

// Keys longer than 16 bytes are cut to 16. Each key byte enters the schedule
// sign-extended (a byte >= 0x80 clears the bytes taken before it in that
// word); the driver's cipher does the same, so this must not be "fixed".
// False only for a null context.
bool BlowfishInitialize(BlowfishContext* context, const uint8_t* key, size_t keyLength);

// The 32-bit words the key schedule XORs into P[0..17], built from the key
// bytes taken cyclically four at a time, as BlowfishInitialize builds them.
// A key loses nothing only when none of its bytes reaches 0x80.
void BlowfishKeyWords(const uint8_t* key, size_t keyLength, uint32_t (&words)[kBlowfishPWords]);

// One 8-byte block as two words, transformed in place. Callers holding bytes
// read bytes 0-3 as `left` and 4-7 as `right`, each little-endian.
// False when any pointer is null.
bool BlowfishEncipher(const BlowfishContext* context, uint32_t* left, uint32_t* right);
bool BlowfishDecipher(const BlowfishContext* context, uint32_t* left, uint32_t* right);
