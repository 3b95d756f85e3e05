// The driver core's request handling with arbitrary bytes on every control
// code, with and without an established session.
//
// Input: [mode][faults][capacity][body...]
//   mode & 7: 0 session phases (body as is), 1 session close, 2 capsule (body
//             as is), 3 capsule whose plaintext payload is the body (framed and
//             enciphered with the session here), 4 the same in clear with
//             sessions refused, 5 any control code (the body's first word)
//   mode & 0x40: with 3 and 4, the inner sequence number is set to the one
//             the driver expects, so the fuzzer gets past it
//   mode & 0x80: input and output share one buffer, as METHOD_BUFFERED does
//   faults: one bit per fault switched on for this input
//   capacity: the answer buffer, 4 bytes a step
// Every buffer is allocated at its exact size so that the sanitizer sees any
// access beyond it.

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "FuzzSession.h"
#include "MiscWire.h"

using FuzzSupport::Check;
using FuzzSupport::Exact;

namespace {

using FuzzSupport::Bytes;
using FuzzSupport::CSessionHarness;

void SetFaults(MiscDriver::CMemoryBackend& registry, uint8_t bits, uint8_t capacity)
{
    if (bits & 0x01)
        registry.SetFault(MiscDriver::kFaultWritePayload, capacity);
    if (bits & 0x02)
        registry.SetFault(MiscDriver::kFaultWrongMagic, 1);
    if (bits & 0x04)
        registry.SetFault(MiscDriver::kFaultBusyOnce, 1);
    if (bits & 0x08)
        registry.SetFault(MiscDriver::kFaultBusyAlways, 1);
    if (bits & 0x10)
        registry.SetFault(MiscDriver::kFaultFeatureWord12, capacity);
    if (bits & 0x20)
        registry.SetFault(MiscDriver::kFaultRefuseSessions, 1);
    if (bits & 0x40)
        registry.SetFault(MiscDriver::kFaultFailCapsule, 0xC0000185u);
    if (bits & 0x80)
        registry.RegistryFailure = MiscDriver::kStatusNotFound;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CSessionHarness* harness = new CSessionHarness();
    if (!harness->Ready())
        abort();
    if (size < 3)
        return 0;
    harness->Restore();
    const uint8_t mode = data[0];
    const uint8_t faults = data[1];
    const uint32_t outputCapacity = 4u * data[2];
    Bytes body(data + 3, data + size);
    SetFaults(harness->Registry(), faults, data[2]);

    uint32_t code = MiscDriver::kIoctlCapsule;
    Bytes request;
    const BlowfishContext* cipher = nullptr;
    switch (mode & 7) {
    case 0:
        code = MiscDriver::kIoctlSession;
        request = body;
        break;
    case 1:
        code = MiscDriver::kIoctlSessionClose;
        request = body;
        break;
    case 2:
        request = body;
        cipher = &harness->Session().Cipher;
        break;
    case 3:
    case 4: {
        const bool clear = (mode & 7) == 4;
        if (clear)
            harness->Registry().SetFault(MiscDriver::kFaultRefuseSessions, 1);
        if ((mode & 0x40) != 0 && body.size() >= 4)
            MiscWire::StoreLe32(body.data(), 0);
        cipher = clear ? nullptr : &harness->Session().Cipher;
        request = FuzzSupport::Capsule(body, clear ? 0 : harness->Session().Id, cipher);
        if (request.empty())
            return 0;
        break;
    }
    case 5:
        if (body.size() < 4)
            return 0;
        code = MiscWire::LoadLe32(body.data());
        request.assign(body.begin() + 4, body.end());
        break;
    default:
        return 0;
    }

    const uint32_t inputLength = static_cast<uint32_t>(request.size());
    uint32_t returned = 0;
    MiscDriver::MiscDriverStatus status;
    uint8_t* answer;
    if ((mode & 0x80) != 0) {
        const size_t shared = inputLength > outputCapacity ? inputLength : outputCapacity;
        uint8_t* buffer = Exact(shared);
        if (inputLength != 0)
            memcpy(buffer, request.data(), inputLength);
        status =
            harness->Core().Dispatch(CSessionHarness::kOwner, code, inputLength != 0 ? buffer : nullptr, inputLength,
                                     outputCapacity != 0 ? buffer : nullptr, outputCapacity, &returned);
        answer = buffer;
    } else {
        uint8_t* input = Exact(inputLength);
        if (inputLength != 0)
            memcpy(input, request.data(), inputLength);
        uint8_t* output = Exact(outputCapacity);
        status =
            harness->Core().Dispatch(CSessionHarness::kOwner, code, inputLength != 0 ? input : nullptr, inputLength,
                                     outputCapacity != 0 ? output : nullptr, outputCapacity, &returned);
        free(input);
        answer = output;
    }

    Check(returned <= outputCapacity);
    if (!MiscDriver::MiscDriverReturnsData(status))
        Check(returned == 0);
    if (code == MiscDriver::kIoctlCapsule && returned != 0) {
        // An answer capsule: a whole frame whose size field matches its length.
        Check(returned >= MiscWire::kCapsuleOverhead);
        const uint32_t length = MiscWire::LoadLe32(answer);
        Check(MiscWire::LoadLe32(answer + 4) == MiscWire::CapsuleSize(length));
        if (status == MiscDriver::kStatusSuccess)
            Check(returned == MiscWire::CapsuleSize(length));
        if (cipher != nullptr)
            FuzzSupport::CipherPayload(cipher, answer, returned, false);
    }
    free(answer);
    return 0;
}
