#pragma once
// The stand-in misc driver's protocol core: the driver's side of the session
// handshake, a small fixed table of sessions, and the capsule service (misc
// functions and the registry) behind them. Freestanding (it is built into a
// kernel-mode driver): no heap, no exceptions, no global constructors; every
// buffer belongs to the caller or to the core itself.

#include <stddef.h>
#include <stdint.h>

#include "Blowfish.h"
#include "MiscDriverBackend.h"
#include "MiscDriverProtocol.h"
#include "MiscDriverStatus.h"

namespace MiscDriver {

// One 32-bit random word per call. The driver has no seed of its own, so
// whoever hosts the core supplies the source.
typedef uint32_t (*MiscDriverRandomFn)(void* context);

constexpr uint32_t kMaxSessions = 8;
// The largest capsule payload taken in: far above the program's requests (a
// registry record with a 260-character path and name is about 1.1 KB).
constexpr uint32_t kMaxRequestPayload = 4096;
// The most payload bytes the WritePayload fault makes a write answer with.
constexpr uint32_t kMaxFaultPayload = 4096;

enum MiscSessionState : uint32_t {
    kSessionFree = 0,
    kSessionAwaitingProof, // phase 1 answered
    kSessionAwaitingKey,   // program proved itself
    kSessionEstablished,   // session key in place
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
    BlowfishContext Cipher; // keyed with the session key once established
    // The sequence number the next capsule must carry: 0 after the handshake,
    // one up for every capsule answered with bytes (as the program counts).
    uint32_t NextSequence;
};

class CMiscDriverCore {
public:
    // No constructor: the driver places the core in memory it allocated
    // itself and calls Initialize before the first request.
    // `backend` (not owned, may be null: then the registry functions answer
    // "not supported" and no fault is ever on) must outlive the core.
    void Initialize(MiscDriverRandomFn random, void* randomContext, const MiscDriverBackend* backend = nullptr);
    // Ends every session and wipes their keys.
    void Shutdown();

    // One DeviceIoControl request from the handle `owner`. *returned gets the
    // number of answer bytes written (0 on failure). `input` and `output` may
    // be the same memory (METHOD_BUFFERED): every handler reads all of its
    // input before it writes the answer.
    MiscDriverStatus Dispatch(uintptr_t owner, uint32_t code, const uint8_t* input, uint32_t inputLength,
                              uint8_t* output, uint32_t outputCapacity, uint32_t* returned);
    // The handle was closed: its sessions end.
    void ReleaseOwner(uintptr_t owner);

    // The cipher of an established session of `owner`, or null.
    const BlowfishContext* SessionCipher(uint32_t sessionId, uintptr_t owner) const;
    uint32_t SessionCount() const;

    // The NTSTATUS of the FailCapsule fault behind the last
    // kStatusInjectedFailure.
    uint32_t InjectedStatus() const { return _injectedStatus; }

private:
    // An answer payload as a handler built it: `Length` bytes are declared;
    // they were written only when they fit the capacity the handler got.
    struct Answer {
        uint32_t Length;
        bool MoreData; // the answer is deliberately partial
    };

    uint32_t NextRandom();
    MiscDriverSession* FindSession(uint32_t sessionId, uintptr_t owner, uint32_t state);
    MiscDriverSession* NewSession(uintptr_t owner);
    void EndSession(MiscDriverSession* session);

    MiscDriverStatus Hello(uintptr_t owner, const uint8_t* input, uint32_t inputLength, uint8_t* output,
                           uint32_t outputCapacity, uint32_t* returned);
    MiscDriverStatus Proof(uintptr_t owner, const uint8_t* input, uint32_t inputLength, uint8_t* output,
                           uint32_t outputCapacity, uint32_t* returned);
    MiscDriverStatus KeyTransport(uintptr_t owner, const uint8_t* input, uint32_t inputLength, uint8_t* output,
                                  uint32_t outputCapacity, uint32_t* returned);
    MiscDriverStatus Close(uintptr_t owner, const uint8_t* input, uint32_t inputLength);
    MiscDriverStatus Capsule(uintptr_t owner, const uint8_t* input, uint32_t inputLength, uint8_t* output,
                             uint32_t outputCapacity, uint32_t* returned);
    MiscDriverStatus MiscFunction(const uint8_t* input, uint32_t inputLength, uint8_t* answer, uint32_t capacity,
                                  Answer* result);
    MiscDriverStatus RegistryWrite(const uint8_t* input, uint32_t inputLength, uint8_t* answer, uint32_t capacity,
                                   Answer* result);
    MiscDriverStatus RegistryQuery(const uint8_t* input, uint32_t inputLength, uint8_t* answer, uint32_t capacity,
                                   Answer* result);

    // True with the fault's value when it is configured.
    bool FaultValue(MiscDriverFault fault, uint32_t* value);
    // The fault's value, 0 when absent or without a backend.
    uint32_t Fault(MiscDriverFault fault);
    void ClearFault(MiscDriverFault fault);

    MiscDriverRandomFn _random;
    void* _randomContext;
    const MiscDriverBackend* _backend;
    uint32_t _nextSessionId;
    uint32_t _injectedStatus;
    MiscDriverSession _sessions[kMaxSessions];
    // The deciphered payload of the capsule being served: the caller's input
    // and output may be one buffer, so the request is read from here while
    // the answer is written there.
    uint8_t _request[kMaxRequestPayload];
};

} // namespace MiscDriver
