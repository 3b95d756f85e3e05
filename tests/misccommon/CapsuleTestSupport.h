#pragma once
// Reading the capsules the channel sent and building the answers a driver
// (well-behaved or hostile) sends back, for tests that script the driver side.

#include <windows.h>

#include <cstdint>
#include <vector>

#include "Blowfish.h"
#include "FakeMiscDevice.h"
#include "tests/support/HexBytes.h"

namespace MiscCommon {

// The payload of a recorded request capsule, deciphered with `cipher` (null:
// the capsule travelled in clear). Empty when the capsule is malformed.
std::vector<uint8_t> RequestPayload(const RecordedRequest& request, const BlowfishContext* cipher);

struct InnerFields {
    uint32_t Sequence = 0;
    uint32_t InnerSize = 0;
    uint32_t Function = 0;
    uint32_t InputLength = 0;
    uint32_t AnswerCapacity = 0;
    std::vector<uint8_t> Input;
};
// False when the payload is too short for the fields it declares.
bool ReadInner(const std::vector<uint8_t>& payload, InnerFields* fields);

// An answer capsule as a driver could write it: the three header words as
// given, the payload, padded with zeros to `totalBytes` (at least 12 + the
// payload), and the whole payload area up to `declaredSize` (bounded by
// totalBytes) enciphered with `cipher` when it is not null.
std::vector<uint8_t> MakeAnswerCapsule(const BlowfishContext* cipher, uint32_t payloadLength, uint32_t declaredSize,
                                       const std::vector<uint8_t>& payload, size_t totalBytes);
// A well-formed answer carrying `payload`.
std::vector<uint8_t> MakeAnswerCapsule(const BlowfishContext* cipher, const std::vector<uint8_t>& payload);

// A responder for CFakeMiscDevice::Respond that answers every request with
// `answer` (cut to the output buffer), reports `reportedBytes` (or the bytes
// copied when negative) and returns `result` with `error` set.
CFakeMiscDevice::Responder AnswerWith(std::vector<uint8_t> answer, BOOL result = TRUE, DWORD error = ERROR_SUCCESS,
                                      int reportedBytes = -1);

} // namespace MiscCommon
