#include "HmacSha1.h"

#include <string.h>

#include "common/SecureWipe.h"

void HmacSha1(Sha1Context* scratch, const uint8_t* key, size_t keyLength, const uint8_t* data, size_t dataLength,
              uint8_t* mac)
{
    if (scratch == nullptr || key == nullptr || data == nullptr || mac == nullptr)
        return;

    uint8_t pad[kSha1BlockSize];
    memset(pad, 0, sizeof(pad));
    if (keyLength > kSha1BlockSize) {
        Sha1Initialize(scratch);
        Sha1Update(scratch, key, keyLength);
        Sha1Finalize(scratch);
        Sha1GetDigest(scratch, pad);
    } else {
        memcpy(pad, key, keyLength);
    }

    uint8_t innerDigest[kSha1DigestSize];
    for (size_t i = 0; i < kSha1BlockSize; ++i)
        pad[i] ^= 0x36;
    Sha1Initialize(scratch);
    Sha1Update(scratch, pad, kSha1BlockSize);
    Sha1Update(scratch, data, dataLength);
    Sha1Finalize(scratch);
    Sha1GetDigest(scratch, innerDigest);

    // Turns the inner pad into the outer one without keeping the key around.
    for (size_t i = 0; i < kSha1BlockSize; ++i)
        pad[i] ^= 0x36 ^ 0x5c;
    Sha1Initialize(scratch);
    Sha1Update(scratch, pad, kSha1BlockSize);
    Sha1Update(scratch, innerDigest, kSha1DigestSize);
    Sha1Finalize(scratch);
    Sha1GetDigest(scratch, mac);

    SecureWipe(pad, sizeof(pad));
    SecureWipe(innerDigest, sizeof(innerDigest));
    SecureWipe(scratch, sizeof(*scratch));
    Sha1Initialize(scratch);
}
