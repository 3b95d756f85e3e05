// The program's handling of what the driver sends back, in the order the
// channel applies it: decipher the answer capsule, take its payload into the
// caller's capacity, read it as a registry answer (and a misc packet), and
// make a returned string safe to use.
//
// Input: [flags][capacity][data capacity][answer capsule...]
//   flags & 1: the transport reported "more data"
//   flags & 2: the caller gave a data buffer
// Buffers are allocated at their exact sizes for the sanitizer's sake.

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "Blowfish.h"
#include "FuzzSession.h"
#include "misccommon/CapsuleCodec.h"

using FuzzSupport::Check;
using FuzzSupport::Exact;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const BlowfishContext* cipher = FuzzSupport::AnswerCipher();
    if (size < 3)
        return 0;
    const bool moreData = (data[0] & 1) != 0;
    const bool withData = (data[0] & 2) != 0;
    const uint32_t capacity = data[1];
    const uint32_t dataCapacity = data[2];
    const size_t capsuleBytes = size - 3;

    uint8_t* capsule = Exact(capsuleBytes);
    memcpy(capsule, data + 3, capsuleBytes);
    uint32_t failed = 0;
    MiscCommon::CipherCapsule(cipher, capsule, capsuleBytes, false, &failed);

    uint8_t* answer = Exact(capacity);
    uint32_t copied = 0xFFFFFFFF;
    MiscCommon::CopyCapsuleAnswer(capsule, capsuleBytes, capacity != 0 ? answer : nullptr, capacity, &copied);
    Check(copied <= capacity);

    uint8_t* value = withData ? Exact(dataCapacity) : nullptr;
    MiscCommon::RegAnswerFound found = {};
    const MiscCommon::RegAnswerOutcome outcome =
        MiscCommon::ReadRegistryAnswer(answer, copied, moreData, value, dataCapacity, &found);
    if (outcome == MiscCommon::kRegAnswerRead && value != nullptr) {
        Check(found.dataLength <= dataCapacity);
        MiscCommon::EnsureStringTerminated(value, dataCapacity, found.dataLength);
    }

    uint16_t requestLength = 0;
    uint16_t answerLength = 0;
    if (MiscCommon::ReadMiscPacketLengths(answer, copied, &requestLength, &answerLength))
        Check(requestLength <= copied && answerLength <= copied);

    free(value);
    free(answer);
    free(capsule);
    return 0;
}
