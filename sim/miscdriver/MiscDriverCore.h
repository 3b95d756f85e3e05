#pragma once
// The stand-in misc driver's protocol core: the driver's side of the session
// handshake and a small fixed table of sessions. Freestanding (it is built
// into a kernel-mode driver): no heap, no exceptions, no global constructors;
// every buffer belongs to the caller.

#include <stddef.h>
#include <stdint.h>

#include "Blowfish.h"
#include "MiscDriverProtocol.h"

namespace MiscDriver {

// What a request came to; the driver maps each to an NTSTATUS, a test's
// device to a Win32 error.
enum MiscDriverStatus : uint32_t {
    kStatusSuccess = 0,
    kStatusInvalidParameter,  // malformed request, unknown session
    kStatusBufferTooSmall,    // the answer does not fit the caller's buffer
    kStatusAccessDenied,      // wrong proof: the session is gone
    kStatusNoFreeSession,     // the session table is full
    kStatusInvalidRequest,    // a control code the core does not serve
    kStatusInternalError,     // arithmetic failed; the session is gone
};

// One 32-bit random word per call. The driver has no seed of its own, so
// whoever hosts the core supplies the source.
typedef uint32_t (*MiscDriverRandomFn)(void* context);

constexpr uint32_t kMaxSessions = 8;

enum MiscSessionState : uint32_t {
    kSessionFree = 0,
    kSessionAwaitingProof,  // phase 1 answered
    kSessionAwaitingKey,    // program proved itself
    kSessionEstablished,    // session key in place
};

struct MiscDriverSession {
    uint32_t State;
    uint32_t Id;
    // The handle the session was opened on; other handles cannot use or end it.
    uintptr_t Owner;
    uint32_t Exponent[kExponentWords];
    uint8_t ClientPublic[kPublicBytes];
    uint8_t DriverPublic[kPublicBytes];
    uint8_t AuthKey[kProofBytes];
    BlowfishContext Cipher;  // keyed with the session key once established
};

class CMiscDriverCore {
public:
    // No constructor: the driver places the core in memory it allocated
    // itself and calls Initialize before the first request.
    void Initialize(MiscDriverRandomFn random, void* randomContext);
    // Ends every session and wipes their keys.
    void Shutdown();

    // One DeviceIoControl request from the handle `owner`. *returned gets the
    // number of answer bytes written (0 on failure). `input` and `output` may
    // be the same memory (METHOD_BUFFERED): every handler reads all of its
    // input before it writes the answer.
    MiscDriverStatus Dispatch(uintptr_t owner, uint32_t code, const uint8_t* input,
                              uint32_t inputLength, uint8_t* output, uint32_t outputCapacity,
                              uint32_t* returned);
    // The handle was closed: its sessions end.
    void ReleaseOwner(uintptr_t owner);

    // The cipher of an established session of `owner`, or null.
    const BlowfishContext* SessionCipher(uint32_t sessionId, uintptr_t owner) const;
    uint32_t SessionCount() const;

private:
    uint32_t NextRandom();
    MiscDriverSession* FindSession(uint32_t sessionId, uintptr_t owner, uint32_t state);
    MiscDriverSession* NewSession(uintptr_t owner);
    void EndSession(MiscDriverSession* session);

    MiscDriverStatus Hello(uintptr_t owner, const uint8_t* input, uint32_t inputLength,
                           uint8_t* output, uint32_t outputCapacity, uint32_t* returned);
    MiscDriverStatus Proof(uintptr_t owner, const uint8_t* input, uint32_t inputLength,
                           uint8_t* output, uint32_t outputCapacity, uint32_t* returned);
    MiscDriverStatus KeyTransport(uintptr_t owner, const uint8_t* input, uint32_t inputLength,
                                  uint8_t* output, uint32_t outputCapacity, uint32_t* returned);
    MiscDriverStatus Close(uintptr_t owner, const uint8_t* input, uint32_t inputLength);

    MiscDriverRandomFn _random;
    void* _randomContext;
    uint32_t _nextSessionId;
    MiscDriverSession _sessions[kMaxSessions];
};

} // namespace MiscDriver
