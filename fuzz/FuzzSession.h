#pragma once
// What the fuzz targets and the seed generator share: a repeatable random
// source, the program's side of the handshake done against the driver core
// in-process, and capsule framing.

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "Blowfish.h"
#include "MemoryBackend.h"
#include "MiscDriverCore.h"

namespace FuzzSupport {

using Bytes = std::vector<uint8_t>;

// The session key the program-answer target deciphers with.
constexpr uint8_t kAnswerKey[16] = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE,
                                    0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};

// Ends the run with a finding when a property does not hold.
void Check(bool condition);

// A heap block of exactly `size` bytes (one for zero), so the sanitizer
// catches a read one past what the parser was given. free() releases it.
uint8_t* Exact(size_t size);

// The cipher under kAnswerKey, made once for the whole run.
const BlowfishContext* AnswerCipher();

// xorshift32 over the uint32_t that `context` points to.
uint32_t NextRandom(void* context);

struct ClientSession {
    uint32_t Id;
    BlowfishContext Cipher;
};

// The three handshake phases against `core` for `owner`, as the program runs
// them. False when any phase failed.
bool Handshake(MiscDriver::CMiscDriverCore& core, uintptr_t owner, uint32_t* random, ClientSession* session);

// Enciphers or deciphers the payload blocks of a capsule held in `bytes`
// bytes, as many as its size field declares and the buffer holds.
void CipherPayload(const BlowfishContext* cipher, uint8_t* capsule, size_t bytes, bool encipher);

// A framed capsule around `payload`, enciphered when `cipher` is not null.
Bytes Capsule(const Bytes& payload, uint32_t sessionId, const BlowfishContext* cipher);

// The driver core with an established session, in a state every fuzz input
// starts from again. Deterministic: the same seed gives the same keys.
class CSessionHarness {
public:
    CSessionHarness();
    ~CSessionHarness();
    CSessionHarness(const CSessionHarness&) = delete;
    CSessionHarness& operator=(const CSessionHarness&) = delete;

    bool Ready() const { return _ready; }
    // Back to the state right after the handshake: sessions, random source,
    // registry contents and faults.
    void Restore();

    MiscDriver::CMiscDriverCore& Core() { return *_core; }
    MiscDriver::CMemoryBackend& Registry() { return _registry; }
    const ClientSession& Session() const { return _session; }
    static constexpr uintptr_t kOwner = 0x5150;

private:
    void FillRegistry();

    MiscDriver::CMemoryBackend _registry;
    MiscDriver::CMiscDriverCore* _core;
    uint8_t* _snapshot;
    uint32_t _random;
    uint32_t _randomSnapshot;
    ClientSession _session;
    bool _ready;
};

// Inner requests and records the program sends.
Bytes Utf16(const char16_t* text);
Bytes Inner(uint32_t sequence, uint32_t function, const Bytes& input, uint32_t answerCapacity);
Bytes RegWrite(const char16_t* path, const char16_t* name, uint32_t value);
Bytes RegQuery(const char16_t* path, const char16_t* name, uint32_t answerCapacity);
Bytes FeatureQuery();

} // namespace FuzzSupport
