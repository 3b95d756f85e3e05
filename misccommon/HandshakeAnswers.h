#pragma once
// The program's handling of the driver's three handshake answers, kept apart
// from every Windows header so that a native fuzzer can drive it: the first
// answer's session id, public value and nonce, the key-encryption key derived
// from that public value, the driver's proof, and the confirmation under the
// new session key. Every function reads only the bytes it is told arrived.

#include <stddef.h>
#include <stdint.h>

#include "Blowfish.h"
#include "Sha1.h"
#include "misccommon/SessionConstants.h"

namespace MiscCommon {

enum HandshakeAnswerCheck {
    kHandshakeAccepted,
    kHandshakeWrongSize, // not exactly the answer's size: the call failed
    kHandshakeRefused,   // the right size, but not what an authentic driver sends
};

struct Phase1Answer {
    uint32_t sessionId;
    const uint8_t* driverPublic; // kPublicValueBytes, little-endian words
    const uint8_t* nonceArea;    // kPhase1NonceAreaBytes
};

// The first answer: session id, the driver's public value and its nonce area,
// pointing into `answer`.
HandshakeAnswerCheck ReadPhase1Answer(const uint8_t* answer, size_t returned, Phase1Answer* read);

// The key-encryption key: the first bytes of SHA-1 of driverPublic to the
// power `exponent` modulo the session group. `shared` and `hash` are the
// caller's scratch for secrets, left for the caller to wipe. False when the
// arithmetic failed.
bool DeriveKeyEncryptionKey(const uint8_t* driverPublic, const uint32_t* exponent, uint32_t (&shared)[kModulusWords],
                            Sha1Context* hash, uint8_t (&kek)[kSha1DigestSize]);

// The second answer: the driver's proof, compared in constant time.
HandshakeAnswerCheck CheckProofAnswer(const uint8_t* answer, size_t returned, const uint8_t (&expected)[kProofBytes]);

// The third answer: "AuthMisc" enciphered under the new session key.
HandshakeAnswerCheck CheckConfirmationAnswer(const BlowfishContext* sessionCipher, const uint8_t* answer,
                                             size_t returned);

} // namespace MiscCommon
