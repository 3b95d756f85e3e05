#include "CapsuleTestSupport.h"

#include <cstring>

#include "MiscWire.h"

namespace MiscCommon {

std::vector<uint8_t> RequestPayload(const RecordedRequest& request, const BlowfishContext* cipher)
{
    const std::vector<uint8_t>& bytes = request.Input;
    if (bytes.size() < MiscWire::kCapsuleOverhead)
        return {};
    const uint32_t length = MiscWire::LoadLe32(bytes.data());
    const uint32_t size = MiscWire::LoadLe32(bytes.data() + 4);
    if (size != bytes.size() || MiscWire::CapsuleSize(length) != size)
        return {};
    std::vector<uint8_t> area(bytes.begin() + 12, bytes.end() - 4);
    for (size_t i = 0; cipher != nullptr && i + 8 <= area.size(); i += 8) {
        uint32_t left = MiscWire::LoadLe32(&area[i]);
        uint32_t right = MiscWire::LoadLe32(&area[i + 4]);
        BlowfishDecipher(cipher, &left, &right);
        MiscWire::StoreLe32(&area[i], left);
        MiscWire::StoreLe32(&area[i + 4], right);
    }
    area.resize(length);
    return area;
}

bool ReadInner(const std::vector<uint8_t>& payload, InnerFields* fields)
{
    if (payload.size() < MiscWire::kInnerOverhead)
        return false;
    fields->Sequence = MiscWire::LoadLe32(&payload[0]);
    fields->InnerSize = MiscWire::LoadLe32(&payload[4]);
    fields->Function = MiscWire::LoadLe32(&payload[8]);
    fields->InputLength = MiscWire::LoadLe32(&payload[12]);
    fields->AnswerCapacity = MiscWire::LoadLe32(&payload[16]);
    if (fields->InputLength > payload.size() - MiscWire::kInnerOverhead)
        return false;
    fields->Input.assign(payload.begin() + 20, payload.begin() + 20 + fields->InputLength);
    return true;
}

std::vector<uint8_t> MakeAnswerCapsule(const BlowfishContext* cipher, uint32_t payloadLength, uint32_t declaredSize,
                                       const std::vector<uint8_t>& payload, size_t totalBytes)
{
    std::vector<uint8_t> capsule(totalBytes > 12 + payload.size() ? totalBytes : 12 + payload.size());
    MiscWire::StoreLe32(&capsule[0], payloadLength);
    MiscWire::StoreLe32(&capsule[4], declaredSize);
    MiscWire::StoreLe32(&capsule[8], 0);
    if (!payload.empty())
        std::memcpy(&capsule[12], payload.data(), payload.size());
    const size_t end = declaredSize < capsule.size() ? declaredSize : capsule.size();
    for (size_t i = 12; cipher != nullptr && i + 8 + 4 <= end; i += 8) {
        uint32_t left = MiscWire::LoadLe32(&capsule[i]);
        uint32_t right = MiscWire::LoadLe32(&capsule[i + 4]);
        BlowfishEncipher(cipher, &left, &right);
        MiscWire::StoreLe32(&capsule[i], left);
        MiscWire::StoreLe32(&capsule[i + 4], right);
    }
    return capsule;
}

std::vector<uint8_t> MakeAnswerCapsule(const BlowfishContext* cipher, const std::vector<uint8_t>& payload)
{
    const uint32_t length = static_cast<uint32_t>(payload.size());
    const uint32_t size = MiscWire::CapsuleSize(length);
    return MakeAnswerCapsule(cipher, length, size, payload, size);
}

CFakeMiscDevice::Responder AnswerWith(std::vector<uint8_t> answer, BOOL result, DWORD error, int reportedBytes)
{
    return [answer, result, error, reportedBytes](const RecordedRequest&, uint8_t* output, DWORD outputSize,
                                                  DWORD* bytesReturned) {
        const size_t copied = answer.size() < outputSize ? answer.size() : outputSize;
        if (output != nullptr && copied != 0)
            std::memcpy(output, answer.data(), copied);
        *bytesReturned = reportedBytes >= 0 ? static_cast<DWORD>(reportedBytes) : static_cast<DWORD>(copied);
        SetLastError(error);
        return result;
    };
}

} // namespace MiscCommon
