#include "CapsuleCodec.h"

#include <string.h>

#include "MiscWire.h"

namespace MiscCommon {

bool CipherCapsule(const BlowfishContext* context, uint8_t* capsule, size_t bufferSize, bool encipher,
                   uint32_t* failedBlock)
{
    if (capsule == nullptr || bufferSize < MiscWire::kCapsuleHeaderSize)
        return true;
    const uint32_t declared = MiscWire::LoadLe32(capsule + 4);
    const uint32_t blocks = MiscWire::CapsuleBlockCount(declared, bufferSize);
    for (uint32_t i = 0; i < blocks; ++i) {
        uint8_t* block = capsule + MiscWire::kCapsuleHeaderSize + 8 * static_cast<size_t>(i);
        uint32_t left = MiscWire::LoadLe32(block);
        uint32_t right = MiscWire::LoadLe32(block + 4);
        const bool done =
            encipher ? BlowfishEncipher(context, &left, &right) : BlowfishDecipher(context, &left, &right);
        if (!done) {
            if (failedBlock != nullptr)
                *failedBlock = i;
            return false;
        }
        MiscWire::StoreLe32(block, left);
        MiscWire::StoreLe32(block + 4, right);
    }
    return true;
}

CapsuleAnswerCopy CopyCapsuleAnswer(const uint8_t* capsule, size_t receivedBytes, uint8_t* answer, uint32_t capacity,
                                    uint32_t* copied)
{
    *copied = 0;
    MiscWire::CapsuleHeader header;
    if (!MiscWire::ReadCapsuleHeader(capsule, receivedBytes, &header))
        return kAnswerInvalid;
    if (header.payloadLength == 0)
        return kAnswerEmpty;
    // The size field decides how many blocks were deciphered: a frame whose
    // size does not cover the payload it declares would hand back bytes that
    // never were deciphered, as if they were the answer.
    const uint64_t needed = MiscWire::kCapsuleOverhead + ((static_cast<uint64_t>(header.payloadLength) + 7) & ~7ull);
    if (header.size < needed)
        return kAnswerInvalid;
    const bool truncated = header.payloadLength > capacity;
    const size_t length = truncated ? capacity : header.payloadLength;
    // Blocks are deciphered whole, so a block cut short is as unusable as
    // one that never came.
    const size_t blocks = (length + 7) / 8;
    if (blocks > (receivedBytes - MiscWire::kCapsuleHeaderSize) / 8)
        return kAnswerInvalid;
    if (length != 0)
        memcpy(answer, capsule + MiscWire::kCapsuleHeaderSize, length);
    *copied = static_cast<uint32_t>(length);
    return truncated ? kAnswerTruncated : kAnswerCopied;
}

RegAnswerOutcome ReadRegistryAnswer(const uint8_t* answer, size_t answerBytes, bool moreData, uint8_t* data,
                                    uint32_t dataCapacity, RegAnswerFound* found)
{
    MiscWire::RegQueryAnswer parsed;
    if (!MiscWire::ReadRegQueryAnswer(answer, answerBytes, &parsed))
        return kRegAnswerInvalid;
    found->dataLength = parsed.dataLength;
    found->type = parsed.type;
    const uint32_t capacity = data != nullptr ? dataCapacity : 0;
    if (moreData || parsed.dataLength > capacity)
        return kRegAnswerTooLong;
    // A complete answer that declares more data than it carries would hand
    // the caller bytes the driver never sent.
    if (parsed.dataAvailable < parsed.dataLength)
        return kRegAnswerInvalid;
    if (data != nullptr && parsed.dataLength != 0)
        memcpy(data, parsed.data, parsed.dataLength);
    return kRegAnswerRead;
}

bool ReadMiscPacketLengths(const uint8_t* packet, size_t packetSize, uint16_t* requestLength, uint16_t* answerLength)
{
    MiscWire::MiscPacketHeader header;
    if (!MiscWire::ReadMiscPacketHeader(packet, packetSize, &header))
        return false;
    if (header.requestLength > packetSize || header.answerLength > packetSize)
        return false;
    *requestLength = header.requestLength;
    *answerLength = header.answerLength;
    return true;
}

} // namespace MiscCommon

namespace MiscCommon {

bool EnsureStringTerminated(uint8_t* text, size_t capacityBytes, size_t dataBytes)
{
    const size_t capacityChars = capacityBytes / 2;
    if (dataBytes > capacityBytes)
        dataBytes = capacityBytes;
    const size_t dataChars = (dataBytes + 1) / 2;
    for (size_t i = 0; i < dataChars && i < capacityChars; ++i) {
        if (text[2 * i] == 0 && text[2 * i + 1] == 0)
            return true;
    }
    if (dataChars >= capacityChars)
        return false;
    text[2 * dataChars] = 0;
    text[2 * dataChars + 1] = 0;
    return true;
}

} // namespace MiscCommon
