#include "Blowfish.h"

#include <string.h>

#include "common/SecureWipe.h"

namespace {

const int kRounds = 16;

inline uint32_t Feistel(const BlowfishContext* context, uint32_t x)
{
    return ((context->S[0][x >> 24] + context->S[1][(x >> 16) & 0xFF]) ^ context->S[2][(x >> 8) & 0xFF]) +
           context->S[3][x & 0xFF];
}

void EncipherWords(const BlowfishContext* context, uint32_t* left, uint32_t* right)
{
    uint32_t l = *left;
    uint32_t r = *right;
    for (int i = 0; i < kRounds; i += 2) {
        l ^= context->P[i];
        r ^= Feistel(context, l);
        r ^= context->P[i + 1];
        l ^= Feistel(context, r);
    }
    l ^= context->P[kRounds];
    r ^= context->P[kRounds + 1];
    *left = r;
    *right = l;
}

void DecipherWords(const BlowfishContext* context, uint32_t* left, uint32_t* right)
{
    uint32_t l = *left;
    uint32_t r = *right;
    for (int i = kRounds + 1; i > 1; i -= 2) {
        l ^= context->P[i];
        r ^= Feistel(context, l);
        r ^= context->P[i - 1];
        l ^= Feistel(context, r);
    }
    l ^= context->P[1];
    r ^= context->P[0];
    *left = r;
    *right = l;
}

} // namespace

void BlowfishKeyWords(const uint8_t* key, size_t keyLength, uint32_t (&words)[kBlowfishPWords])
{
    // An empty (or absent) key schedules as the single byte 0 rather than
    // reading a byte the caller never handed over.
    static const uint8_t kEmptyKey[1] = {0};
    if (key == nullptr || keyLength == 0) {
        key = kEmptyKey;
        keyLength = 1;
    }
    if (keyLength > kBlowfishMaxKeyLength)
        keyLength = kBlowfishMaxKeyLength;

    size_t position = 0;
    for (size_t i = 0; i < kBlowfishPWords; ++i) {
        uint32_t value = 0;
        for (int k = 0; k < 4; ++k) {
            const int8_t signedByte = static_cast<int8_t>(key[position]);
            value = (value << 8) | static_cast<uint32_t>(static_cast<int32_t>(signedByte));
            if (++position == keyLength)
                position = 0;
        }
        words[i] = value;
    }
}

bool BlowfishInitialize(BlowfishContext* context, const uint8_t* key, size_t keyLength)
{
    if (context == nullptr)
        return false;
    memcpy(context->P, kBlowfishInitialP, sizeof(context->P));
    memcpy(context->S, kBlowfishInitialS, sizeof(context->S));

    uint32_t words[kBlowfishPWords];
    BlowfishKeyWords(key, keyLength, words);
    for (size_t i = 0; i < kBlowfishPWords; ++i)
        context->P[i] ^= words[i];
    SecureWipe(words, sizeof(words));

    uint32_t left = 0;
    uint32_t right = 0;
    for (size_t i = 0; i < kBlowfishPWords; i += 2) {
        EncipherWords(context, &left, &right);
        context->P[i] = left;
        context->P[i + 1] = right;
    }
    for (size_t box = 0; box < kBlowfishSBoxes; ++box) {
        for (size_t i = 0; i < kBlowfishSBoxWords; i += 2) {
            EncipherWords(context, &left, &right);
            context->S[box][i] = left;
            context->S[box][i + 1] = right;
        }
    }
    return true;
}

bool BlowfishEncipher(const BlowfishContext* context, uint32_t* left, uint32_t* right)
{
    if (context == nullptr || left == nullptr || right == nullptr)
        return false;
    EncipherWords(context, left, right);
    return true;
}

bool BlowfishDecipher(const BlowfishContext* context, uint32_t* left, uint32_t* right)
{
    if (context == nullptr || left == nullptr || right == nullptr)
        return false;
    DecipherWords(context, left, right);
    return true;
}
