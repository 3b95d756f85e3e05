#include "HdRand.h"

#include <string.h>

#include "ByteOrder.h"
#include "common/SecureWipe.h"
#include "Sha1.h"

namespace {

// Zero-initialised, so the driver build needs no startup code for them.
uint8_t g_pool[kHdRandPoolSize];
uint32_t g_offset;
Sha1Context g_stirContext;

} // namespace

void HdRandSeedPool(const HdRandSeed* seed)
{
    if (seed == nullptr)
        return;
    size_t extraLength = seed->ExtraLength;
    if (extraLength > kHdRandExtraSeedSize)
        extraLength = kHdRandExtraSeedSize;

    Sha1Initialize(&g_stirContext);
    Sha1Update(&g_stirContext, seed->Counter, sizeof(seed->Counter));
    Sha1Update(&g_stirContext, seed->SystemTime, sizeof(seed->SystemTime));
    Sha1Update(&g_stirContext, seed->Extra, extraLength);
    Sha1Finalize(&g_stirContext);
    Sha1GetDigest(&g_stirContext, g_pool);
    SecureWipe(g_stirContext.Digest, sizeof(g_stirContext.Digest));
    g_offset = 0;
}

int hdrand_test()
{
    return 1;
}

uint32_t hdrand_next()
{
    // The last four pool bytes are never handed out; they only feed the stir.
    if (g_offset + 4 >= kHdRandPoolSize)
        g_offset = 0;
    const uint32_t value = Crypto::LoadLe32(g_pool + g_offset);

    uint8_t offsetBytes[4];
    Crypto::StoreLe32(offsetBytes, g_offset);
    Sha1Initialize(&g_stirContext);
    Sha1Update(&g_stirContext, g_pool + 2, 16);
    Sha1Update(&g_stirContext, offsetBytes, sizeof(offsetBytes));
    Sha1Finalize(&g_stirContext);
    Sha1GetDigest(&g_stirContext, g_pool);
    SecureWipe(g_stirContext.Digest, sizeof(g_stirContext.Digest));

    g_offset = (g_offset + 4) % kHdRandPoolSize;
    return value;
}

void HdRandSetPoolForTest(const uint8_t pool[kHdRandPoolSize], uint32_t offset)
{
    memcpy(g_pool, pool, kHdRandPoolSize);
    g_offset = offset;
}

void HdRandGetPoolForTest(uint8_t pool[kHdRandPoolSize], uint32_t* offset)
{
    memcpy(pool, g_pool, kHdRandPoolSize);
    *offset = g_offset;
}
