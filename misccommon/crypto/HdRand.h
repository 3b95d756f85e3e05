#pragma once
// The program's hash-based random source: a 20-byte pool, read 4 bytes at a
// time at offsets 0, 4, 8, 12 in turn and stirred with SHA-1 after every read.
// One process-wide pool, not locked: its only user runs either before other
// threads exist or under the registry lock.

#include <stddef.h>
#include <stdint.h>

constexpr size_t kHdRandPoolSize = 20;
constexpr size_t kHdRandExtraSeedSize = 32;

// What a platform gathers to seed the pool. Filled byte by byte so that the
// pool's value does not depend on structure layout.
struct HdRandSeed {
    uint8_t Counter[8];                  // performance counter, little-endian
    uint8_t SystemTime[16];              // SYSTEMTIME: eight little-endian 16-bit fields
    uint8_t Extra[kHdRandExtraSeedSize]; // from the system generator, if any
    size_t ExtraLength;                  // 0 when the system generator was unavailable
};

// Defined by the platform's seed file (on Windows RandomSeedWin.cpp): gathers
// the seed, calls HdRandSeedPool and wipes the seed. Always true.
bool hdrand_init();
// The self-test; callers treat -1 as failure. Always 1.
int hdrand_test();
uint32_t hdrand_next();

// pool = SHA-1(Counter || SystemTime || Extra[0..ExtraLength)), offset = 0.
void HdRandSeedPool(const HdRandSeed* seed);

// Test seams: set or read the pool and its read offset directly.
void HdRandSetPoolForTest(const uint8_t pool[kHdRandPoolSize], uint32_t offset);
void HdRandGetPoolForTest(uint8_t pool[kHdRandPoolSize], uint32_t* offset);
