#pragma once
// Sizes and offsets of the session handshake messages, and the values the
// program shares with the driver without ever sending them.

#include <stddef.h>
#include <stdint.h>

namespace MiscCommon {

// 1024-bit group in a 33-word field (top word zero), generator 2.
constexpr uint32_t kModulusWords = 33;
constexpr size_t kPublicValueBytes = kModulusWords * 4;
constexpr uint32_t kExponentWords = 4;
// Only the low three exponent words are drawn; the fourth stays zero.
constexpr uint32_t kRandomExponentWords = 3;
constexpr size_t kNonceBytes = 20;
constexpr size_t kSessionKeyBytes = 16;
constexpr size_t kProofBytes = 20;

constexpr size_t kPhase1RequestBytes = 160;
constexpr size_t kPhase1AnswerBytes = 160;
constexpr size_t kPhase2RequestBytes = 28;
constexpr size_t kPhase2AnswerBytes = 20;
constexpr size_t kPhase3RequestBytes = 24;
constexpr size_t kPhase3AnswerBytes = 8;

// Phase 1 request (Yc, Nc) and answer (session id, Yd, Nd) share one layout.
constexpr size_t kPhase1PublicOffset = 4;
constexpr size_t kPhase1NonceOffset = 136;
// The nonce and the 4 bytes after it (to the end) feed the authentication key.
constexpr size_t kPhase1NonceAreaBytes = kPhase1RequestBytes - kPhase1NonceOffset;
constexpr size_t kPhaseSessionIdOffset = 4;
constexpr size_t kPhase2ProofOffset = 8;
constexpr size_t kPhase3KeyOffset = 8;

constexpr uint8_t kMagicIni1[4] = {'I', 'n', 'i', '1'};
constexpr uint8_t kMagicIni2[4] = {'I', 'n', 'i', '2'};
constexpr uint8_t kMagicIni3[4] = {'I', 'n', 'i', '3'};
// "AuthMisc" read as two little-endian words.
constexpr uint32_t kAuthMiscLeft = 0x68747541;
constexpr uint32_t kAuthMiscRight = 0x6373694D;

extern const uint32_t kSessionModulus[kModulusWords];

constexpr size_t kAuthSecretTableBytes = 128;
constexpr size_t kAuthSecretOffset = 23;
constexpr size_t kAuthSecretBytes = 16;

// Writes the table that holds the authentication secret at
// kAuthSecretOffset. The secret exists only while a handshake runs: the
// caller wipes the table as soon as the authentication key is derived.
void BuildAuthSecretTable(uint8_t table[kAuthSecretTableBytes]);

} // namespace MiscCommon
