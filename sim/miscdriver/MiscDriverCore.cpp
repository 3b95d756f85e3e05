#include "MiscDriverCore.h"

#include <string.h>

#include "ByteOrder.h"
#include "HmacSha1.h"
#include "PowMod.h"
#include "common/SecureWipe.h"
#include "Sha1.h"

namespace MiscDriver {

namespace {

using Crypto::LoadLe32;
using Crypto::StoreLe32;

void WordsToBytes(uint8_t* bytes, const uint32_t* words, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        StoreLe32(bytes + 4 * i, words[i]);
}

void BytesToWords(uint32_t* words, const uint8_t* bytes, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        words[i] = LoadLe32(bytes + 4 * i);
}

bool SameInConstantTime(const uint8_t* a, const uint8_t* b, size_t length)
{
    uint8_t difference = 0;
    for (size_t i = 0; i < length; ++i)
        difference |= static_cast<uint8_t>(a[i] ^ b[i]);
    return difference == 0;
}

// A public value must lie in [2, p - 2]: 0, 1 and p - 1 would pin the shared
// value to a handful of numbers whatever the exponent.
bool IsUsablePublicValue(const uint8_t* bytes)
{
    uint32_t value[kModulusWords];
    BytesToWords(value, bytes, kModulusWords);
    bool aboveOne = false;
    for (uint32_t i = 1; i < kModulusWords; ++i)
        aboveOne = aboveOne || value[i] != 0;
    if (!aboveOne && value[0] < 2)
        return false;
    // value < p - 1, compared from the top word; p - 1 differs from p only
    // in its lowest word, which is odd in p.
    for (uint32_t i = kModulusWords; i-- > 0;) {
        const uint32_t limit = i == 0 ? kGroupModulus[0] - 1 : kGroupModulus[i];
        if (value[i] != limit)
            return value[i] < limit;
    }
    return false;
}

void ProofOf(const uint8_t* key, const uint8_t* first, const uint8_t* second, uint8_t* proof)
{
    uint8_t data[2 * kPublicBytes];
    memcpy(data, first, kPublicBytes);
    memcpy(data + kPublicBytes, second, kPublicBytes);
    Sha1Context scratch;
    HmacSha1(&scratch, key, kProofBytes, data, sizeof(data), proof);
    SecureWipe(&scratch, sizeof(scratch));
}

} // namespace

void CMiscDriverCore::Initialize(MiscDriverRandomFn random, void* randomContext, const MiscDriverBackend* backend)
{
    memset(_sessions, 0, sizeof(_sessions));
    memset(_request, 0, sizeof(_request));
    _random = random;
    _randomContext = randomContext;
    _backend = backend;
    _injectedStatus = 0;
    // Ids start somewhere unpredictable, so one run's ids say nothing about
    // the next run's.
    _nextSessionId = NextRandom();
}

void CMiscDriverCore::Shutdown()
{
    for (uint32_t i = 0; i < kMaxSessions; ++i)
        EndSession(&_sessions[i]);
    SecureWipe(_request, sizeof(_request));
}

uint32_t CMiscDriverCore::NextRandom()
{
    return _random != nullptr ? _random(_randomContext) : 0;
}

MiscDriverSession* CMiscDriverCore::FindSession(uint32_t sessionId, uintptr_t owner, uint32_t state)
{
    for (uint32_t i = 0; i < kMaxSessions; ++i) {
        MiscDriverSession* session = &_sessions[i];
        if (session->State != kSessionFree && session->Id == sessionId && session->Owner == owner &&
            (state == kSessionFree || session->State == state))
            return session;
    }
    return nullptr;
}

MiscDriverSession* CMiscDriverCore::NewSession(uintptr_t owner)
{
    MiscDriverSession* slot = nullptr;
    for (uint32_t i = 0; i < kMaxSessions && slot == nullptr; ++i) {
        if (_sessions[i].State == kSessionFree)
            slot = &_sessions[i];
    }
    if (slot == nullptr)
        return nullptr;
    // 0 means "no session" to the program; ids in use are skipped.
    uint32_t id = _nextSessionId;
    for (;;) {
        bool inUse = id == 0;
        for (uint32_t i = 0; i < kMaxSessions && !inUse; ++i)
            inUse = _sessions[i].State != kSessionFree && _sessions[i].Id == id;
        if (!inUse)
            break;
        ++id;
    }
    _nextSessionId = id + 1;
    slot->Id = id;
    slot->Owner = owner;
    return slot;
}

void CMiscDriverCore::EndSession(MiscDriverSession* session)
{
    SecureWipe(session, sizeof(*session));
}

uint32_t CMiscDriverCore::SessionCount() const
{
    uint32_t count = 0;
    for (uint32_t i = 0; i < kMaxSessions; ++i)
        count += _sessions[i].State != kSessionFree ? 1 : 0;
    return count;
}

const BlowfishContext* CMiscDriverCore::SessionCipher(uint32_t sessionId, uintptr_t owner) const
{
    for (uint32_t i = 0; i < kMaxSessions; ++i) {
        const MiscDriverSession& session = _sessions[i];
        if (session.State == kSessionEstablished && session.Id == sessionId && session.Owner == owner)
            return &session.Cipher;
    }
    return nullptr;
}

void CMiscDriverCore::ReleaseOwner(uintptr_t owner)
{
    for (uint32_t i = 0; i < kMaxSessions; ++i) {
        if (_sessions[i].State != kSessionFree && _sessions[i].Owner == owner)
            EndSession(&_sessions[i]);
    }
}

MiscDriverStatus CMiscDriverCore::Dispatch(uintptr_t owner, uint32_t code, const uint8_t* input, uint32_t inputLength,
                                           uint8_t* output, uint32_t outputCapacity, uint32_t* returned)
{
    if (returned == nullptr)
        return kStatusInvalidParameter;
    *returned = 0;
    if (input == nullptr && inputLength != 0)
        return kStatusInvalidParameter;
    if (output == nullptr && outputCapacity != 0)
        return kStatusInvalidParameter;

    switch (code) {
    case kIoctlSession:
        // A driver without sessions refuses the probe and every phase alike.
        if (Fault(kFaultRefuseSessions) != 0)
            return kStatusNotSupported;
        // An empty request is the program asking whether sessions exist.
        if (inputLength == 0)
            return kStatusSuccess;
        if (inputLength < 4)
            return kStatusInvalidParameter;
        switch (LoadLe32(input)) {
        case kMagicHello:
            return Hello(owner, input, inputLength, output, outputCapacity, returned);
        case kMagicProof:
            return Proof(owner, input, inputLength, output, outputCapacity, returned);
        case kMagicKey:
            return KeyTransport(owner, input, inputLength, output, outputCapacity, returned);
        default:
            return kStatusInvalidParameter;
        }
    case kIoctlSessionClose:
        return Close(owner, input, inputLength);
    case kIoctlCapsule:
        return Capsule(owner, input, inputLength, output, outputCapacity, returned);
    default:
        return kStatusInvalidRequest;
    }
}

MiscDriverStatus CMiscDriverCore::Hello(uintptr_t owner, const uint8_t* input, uint32_t inputLength, uint8_t* output,
                                        uint32_t outputCapacity, uint32_t* returned)
{
    if (inputLength != kHello || !IsUsablePublicValue(input + kHelloPublicAt))
        return kStatusInvalidParameter;
    if (outputCapacity < kHello)
        return kStatusBufferTooSmall;
    MiscDriverSession* session = NewSession(owner);
    if (session == nullptr)
        return kStatusNoFreeSession;

    uint8_t answer[kHello];
    memset(answer, 0, sizeof(answer));
    StoreLe32(answer, session->Id);
    for (uint32_t i = 0; i < kExponentWords; ++i)
        session->Exponent[i] = NextRandom();
    // Nd and the 4 bytes after it: all of them enter the authentication key.
    for (size_t i = 0; i < kNonceAreaBytes / 4; ++i)
        StoreLe32(answer + kHelloNonceAt + 4 * i, NextRandom());

    uint32_t driverPublic[kModulusWords];
    memset(driverPublic, 0, sizeof(driverPublic));
    if (!pow2mod(driverPublic, kModulusWords, session->Exponent, kExponentWords, kGroupModulus, kModulusWords)) {
        EndSession(session);
        return kStatusInternalError;
    }
    WordsToBytes(answer + kHelloPublicAt, driverPublic, kModulusWords);

    uint8_t nonces[2 * kNonceAreaBytes];
    memcpy(nonces, input + kHelloNonceAt, kNonceAreaBytes);
    memcpy(nonces + kNonceAreaBytes, answer + kHelloNonceAt, kNonceAreaBytes);
    Sha1Context scratch;
    HmacSha1(&scratch, kAuthSecret, kKeyBytes, nonces, sizeof(nonces), session->AuthKey);
    SecureWipe(&scratch, sizeof(scratch));

    memcpy(session->ClientPublic, input + kHelloPublicAt, kPublicBytes);
    memcpy(session->DriverPublic, answer + kHelloPublicAt, kPublicBytes);
    session->State = kSessionAwaitingProof;

    memcpy(output, answer, sizeof(answer));
    *returned = kHello;
    return kStatusSuccess;
}

MiscDriverStatus CMiscDriverCore::Proof(uintptr_t owner, const uint8_t* input, uint32_t inputLength, uint8_t* output,
                                        uint32_t outputCapacity, uint32_t* returned)
{
    if (inputLength != kProofRequest)
        return kStatusInvalidParameter;
    MiscDriverSession* session = FindSession(LoadLe32(input + kSessionIdAt), owner, kSessionAwaitingProof);
    if (session == nullptr)
        return kStatusInvalidParameter;
    if (outputCapacity < kProofBytes)
        return kStatusBufferTooSmall;

    uint8_t expected[kProofBytes];
    ProofOf(session->AuthKey, session->ClientPublic, session->DriverPublic, expected);
    const bool proven = SameInConstantTime(expected, input + kProofAt, kProofBytes);
    SecureWipe(expected, sizeof(expected));
    if (!proven) {
        // One guess per handshake: a failed proof costs the whole session.
        EndSession(session);
        return kStatusAccessDenied;
    }

    ProofOf(session->AuthKey, session->DriverPublic, session->ClientPublic, output);
    SecureWipe(session->AuthKey, sizeof(session->AuthKey));
    session->State = kSessionAwaitingKey;
    *returned = kProofBytes;
    return kStatusSuccess;
}

MiscDriverStatus CMiscDriverCore::KeyTransport(uintptr_t owner, const uint8_t* input, uint32_t inputLength,
                                               uint8_t* output, uint32_t outputCapacity, uint32_t* returned)
{
    if (inputLength != kKeyRequest)
        return kStatusInvalidParameter;
    MiscDriverSession* session = FindSession(LoadLe32(input + kSessionIdAt), owner, kSessionAwaitingKey);
    if (session == nullptr)
        return kStatusInvalidParameter;
    if (outputCapacity < kKeyAnswer)
        return kStatusBufferTooSmall;

    uint32_t clientPublic[kModulusWords];
    uint32_t shared[kModulusWords];
    memset(shared, 0, sizeof(shared));
    BytesToWords(clientPublic, session->ClientPublic, kModulusWords);
    const bool computed = powmod(shared, kModulusWords, clientPublic, kModulusWords, session->Exponent, kExponentWords,
                                 kGroupModulus, kModulusWords);
    SecureWipe(session->Exponent, sizeof(session->Exponent));
    if (!computed) {
        SecureWipe(shared, sizeof(shared));
        EndSession(session);
        return kStatusInternalError;
    }

    uint8_t sharedBytes[kPublicBytes];
    WordsToBytes(sharedBytes, shared, kModulusWords);
    Sha1Context hash;
    Sha1Initialize(&hash);
    Sha1Update(&hash, sharedBytes, sizeof(sharedBytes));
    Sha1Finalize(&hash);
    uint8_t digest[kSha1DigestSize];
    Sha1GetDigest(&hash, digest);
    SecureWipe(&hash, sizeof(hash));
    SecureWipe(shared, sizeof(shared));
    SecureWipe(sharedBytes, sizeof(sharedBytes));

    // The key-encryption key is the first 16 bytes of SHA-1(Z); the session
    // key arrives as two blocks, each enciphered on its own.
    BlowfishInitialize(&session->Cipher, digest, kKeyBytes);
    SecureWipe(digest, sizeof(digest));
    uint8_t sessionKey[kKeyBytes];
    for (size_t block = 0; block < kKeyBytes / 8; ++block) {
        uint32_t left = LoadLe32(input + kKeyAt + 8 * block);
        uint32_t right = LoadLe32(input + kKeyAt + 8 * block + 4);
        BlowfishDecipher(&session->Cipher, &left, &right);
        StoreLe32(sessionKey + 8 * block, left);
        StoreLe32(sessionKey + 8 * block + 4, right);
    }
    BlowfishInitialize(&session->Cipher, sessionKey, kKeyBytes);
    SecureWipe(sessionKey, sizeof(sessionKey));

    uint32_t left = kConfirmLeft;
    uint32_t right = kConfirmRight;
    BlowfishEncipher(&session->Cipher, &left, &right);
    StoreLe32(output, left);
    StoreLe32(output + 4, right);
    SecureWipe(session->ClientPublic, sizeof(session->ClientPublic));
    SecureWipe(session->DriverPublic, sizeof(session->DriverPublic));
    session->State = kSessionEstablished;
    *returned = kKeyAnswer;
    return kStatusSuccess;
}

MiscDriverStatus CMiscDriverCore::Close(uintptr_t owner, const uint8_t* input, uint32_t inputLength)
{
    if (inputLength != kCloseRequest)
        return kStatusInvalidParameter;
    MiscDriverSession* session = FindSession(LoadLe32(input), owner, kSessionFree);
    if (session == nullptr)
        return kStatusInvalidParameter;
    EndSession(session);
    return kStatusSuccess;
}

} // namespace MiscDriver
