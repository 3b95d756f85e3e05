#include "misccommon/HandshakeAnswers.h"

#include "ByteOrder.h"
#include "PowMod.h"
#include "common/SecureWipe.h"

namespace MiscCommon {

namespace {

// Time independent of where the first difference is, so a forged proof
// learns nothing from how long the check took.
bool EqualInConstantTime(const uint8_t* a, const uint8_t* b, size_t length)
{
    uint8_t difference = 0;
    for (size_t i = 0; i < length; ++i)
        difference |= static_cast<uint8_t>(a[i] ^ b[i]);
    return difference == 0;
}

} // namespace

HandshakeAnswerCheck ReadPhase1Answer(const uint8_t* answer, size_t returned, Phase1Answer* read)
{
    if (answer == nullptr || returned != kPhase1AnswerBytes)
        return kHandshakeWrongSize;
    read->sessionId = Crypto::LoadLe32(answer);
    read->driverPublic = answer + kPhase1PublicOffset;
    read->nonceArea = answer + kPhase1NonceOffset;
    return kHandshakeAccepted;
}

bool DeriveKeyEncryptionKey(const uint8_t* driverPublic, const uint32_t* exponent, uint32_t (&shared)[kModulusWords],
                            Sha1Context* hash, uint8_t (&kek)[kSha1DigestSize])
{
    uint32_t base[kModulusWords];
    for (size_t i = 0; i < kModulusWords; ++i)
        base[i] = Crypto::LoadLe32(driverPublic + 4 * i);
    if (!powmod(shared, kModulusWords, base, kModulusWords, exponent, kExponentWords, kSessionModulus, kModulusWords))
        return false;
    uint8_t sharedBytes[kPublicValueBytes];
    for (size_t i = 0; i < kModulusWords; ++i)
        Crypto::StoreLe32(sharedBytes + 4 * i, shared[i]);
    Sha1Initialize(hash);
    Sha1Update(hash, sharedBytes, sizeof(sharedBytes));
    Sha1Finalize(hash);
    Sha1GetDigest(hash, kek);
    SecureWipe(sharedBytes);
    return true;
}

HandshakeAnswerCheck CheckProofAnswer(const uint8_t* answer, size_t returned, const uint8_t (&expected)[kProofBytes])
{
    if (answer == nullptr || returned != kPhase2AnswerBytes)
        return kHandshakeWrongSize;
    return EqualInConstantTime(answer, expected, kProofBytes) ? kHandshakeAccepted : kHandshakeRefused;
}

HandshakeAnswerCheck CheckConfirmationAnswer(const BlowfishContext* sessionCipher, const uint8_t* answer,
                                             size_t returned)
{
    if (answer == nullptr || returned != kPhase3AnswerBytes)
        return kHandshakeWrongSize;
    uint32_t left = Crypto::LoadLe32(answer);
    uint32_t right = Crypto::LoadLe32(answer + 4);
    if (!BlowfishDecipher(sessionCipher, &left, &right))
        return kHandshakeRefused;
    return left == kAuthMiscLeft && right == kAuthMiscRight ? kHandshakeAccepted : kHandshakeRefused;
}

} // namespace MiscCommon
