#include "Sha1.h"

#include <string.h>

#include "ByteOrder.h"
#include "common/SecureWipe.h"

namespace {

inline uint32_t Rotl(uint32_t value, unsigned bits)
{
    return (value << bits) | (value >> (32 - bits));
}

// The message schedule is kept as a 16-word ring: word t only ever needs
// words t-3, t-8, t-14 and t-16.
#define SHA1_SCHEDULE(t) (w[(t)&15] = Rotl(w[((t)-3) & 15] ^ w[((t)-8) & 15] ^ w[((t)-14) & 15] ^ w[(t)&15], 1))

#define SHA1_STEP(f, k, word)                                                                                          \
    do {                                                                                                               \
        const uint32_t temp = Rotl(a, 5) + (f) + e + (word) + (k);                                                     \
        e = d;                                                                                                         \
        d = c;                                                                                                         \
        c = Rotl(b, 30);                                                                                               \
        b = a;                                                                                                         \
        a = temp;                                                                                                      \
    } while (0)

void Compress(uint32_t state[5], const uint8_t block[kSha1BlockSize])
{
    uint32_t w[16];
    for (int t = 0; t < 16; ++t)
        w[t] = Crypto::LoadBe32(block + 4 * t);

    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    int t = 0;
    for (; t < 16; ++t)
        SHA1_STEP((b & c) | (~b & d), 0x5A827999u, w[t]);
    for (; t < 20; ++t)
        SHA1_STEP((b & c) | (~b & d), 0x5A827999u, SHA1_SCHEDULE(t));
    for (; t < 40; ++t)
        SHA1_STEP(b ^ c ^ d, 0x6ED9EBA1u, SHA1_SCHEDULE(t));
    for (; t < 60; ++t)
        SHA1_STEP((b & c) | (b & d) | (c & d), 0x8F1BBCDCu, SHA1_SCHEDULE(t));
    for (; t < 80; ++t)
        SHA1_STEP(b ^ c ^ d, 0xCA62C1D6u, SHA1_SCHEDULE(t));

    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    SecureWipe(w, sizeof(w));
}

#undef SHA1_STEP
#undef SHA1_SCHEDULE

} // namespace

Sha1Context* Sha1Initialize(Sha1Context* context)
{
    if (context == nullptr)
        return nullptr;
    context->State[0] = 0x67452301u;
    context->State[1] = 0xEFCDAB89u;
    context->State[2] = 0x98BADCFEu;
    context->State[3] = 0x10325476u;
    context->State[4] = 0xC3D2E1F0u;
    context->CountLow = 0;
    context->CountHigh = 0;
    return context;
}

void Sha1Update(Sha1Context* context, const void* data, size_t length)
{
    if (context == nullptr || data == nullptr || length == 0)
        return;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    size_t used = (context->CountLow >> 3) & (kSha1BlockSize - 1);

    const uint32_t addedLow = static_cast<uint32_t>(static_cast<uint64_t>(length) << 3);
    context->CountLow += addedLow;
    if (context->CountLow < addedLow)
        ++context->CountHigh;
    context->CountHigh += static_cast<uint32_t>(static_cast<uint64_t>(length) >> 29);

    if (used != 0) {
        const size_t room = kSha1BlockSize - used;
        if (length < room) {
            memcpy(context->Buffer + used, bytes, length);
            return;
        }
        memcpy(context->Buffer + used, bytes, room);
        Compress(context->State, context->Buffer);
        bytes += room;
        length -= room;
    }
    while (length >= kSha1BlockSize) {
        Compress(context->State, bytes);
        bytes += kSha1BlockSize;
        length -= kSha1BlockSize;
    }
    memcpy(context->Buffer, bytes, length);
}

void Sha1Finalize(Sha1Context* context)
{
    if (context == nullptr)
        return;
    uint8_t lengthBytes[8];
    Crypto::StoreBe32(lengthBytes, context->CountHigh);
    Crypto::StoreBe32(lengthBytes + 4, context->CountLow);

    size_t used = (context->CountLow >> 3) & (kSha1BlockSize - 1);
    context->Buffer[used++] = 0x80;
    if (used > kSha1BlockSize - 8) {
        memset(context->Buffer + used, 0, kSha1BlockSize - used);
        Compress(context->State, context->Buffer);
        used = 0;
    }
    memset(context->Buffer + used, 0, kSha1BlockSize - 8 - used);
    memcpy(context->Buffer + kSha1BlockSize - 8, lengthBytes, 8);
    Compress(context->State, context->Buffer);

    for (int i = 0; i < 5; ++i)
        Crypto::StoreBe32(context->Digest + 4 * i, context->State[i]);

    SecureWipe(context->Buffer, sizeof(context->Buffer));
    SecureWipe(context->State, sizeof(context->State));
    context->CountLow = 0;
    context->CountHigh = 0;
    // One more compression over the wiped buffer: a finished context holds
    // the compression of a zero block, the same record on both ends of the
    // channel, and the stack the last real compression used is overwritten.
    Compress(context->State, context->Buffer);
}

void Sha1GetDigest(const Sha1Context* context, uint8_t* digest)
{
    if (context == nullptr || digest == nullptr)
        return;
    memcpy(digest, context->Digest, kSha1DigestSize);
}
