#pragma once
// The driver's side of the wire: control codes, message sizes and offsets,
// and the values it shares with the program. Kept apart from the program's
// headers on purpose: the driver is built on its own, and a layout slip on
// either side must show up as a failed handshake, not as a shared mistake.

#include <stddef.h>
#include <stdint.h>

namespace MiscDriver {

constexpr uint32_t kIoctlSession = 0x222000;
constexpr uint32_t kIoctlSessionClose = 0x222004;
constexpr uint32_t kIoctlCapsule = 0x222008;

constexpr uint32_t kModulusWords = 33;
constexpr size_t kPublicBytes = kModulusWords * 4;
constexpr uint32_t kExponentWords = 4;
constexpr size_t kNonceAreaBytes = 24; // nonce and the 4 bytes after it
constexpr size_t kProofBytes = 20;
constexpr size_t kKeyBytes = 16;

constexpr size_t kHello = 160; // phase 1 request and answer
constexpr size_t kHelloPublicAt = 4;
constexpr size_t kHelloNonceAt = 136;
constexpr size_t kProofRequest = 28; // phase 2
constexpr size_t kProofAt = 8;
constexpr size_t kKeyRequest = 24; // phase 3
constexpr size_t kKeyAt = 8;
constexpr size_t kKeyAnswer = 8;
constexpr size_t kSessionIdAt = 4; // phases 2 and 3
constexpr size_t kCloseRequest = 4;

constexpr uint32_t kMagicHello = 0x31696E49;   // "Ini1" read little-endian
constexpr uint32_t kMagicProof = 0x32696E49;   // "Ini2"
constexpr uint32_t kMagicKey = 0x33696E49;     // "Ini3"
constexpr uint32_t kConfirmLeft = 0x68747541;  // "Auth"
constexpr uint32_t kConfirmRight = 0x6373694D; // "Misc"

// Shared with the program, never sent.
extern const uint32_t kGroupModulus[kModulusWords];
extern const uint8_t kAuthSecret[kKeyBytes];

} // namespace MiscDriver
