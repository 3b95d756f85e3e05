#include "MiscWire.h"

#include <string.h>

namespace MiscWire {

namespace {

const uint8_t kRegWriteMagic[4] = {'R', 'e', 'g', 'W'};
const uint8_t kRegQueryMagic[4] = {'R', 'g', 'Q', 'I'};
const uint8_t kRegAnswerMagic[4] = {'R', 'g', 'Q', 'O'};
const uint32_t kRegDword = 4;
// Far above the 260-character paths and names the program sends; keeps every
// sum of two lengths below 2^32.
const uint32_t kMaxStringBytes = 0x10000;

bool IsStringLength(uint32_t bytes)
{
    return bytes >= 2 && bytes % 2 == 0 && bytes <= kMaxStringBytes;
}

bool EndsWithTerminator(const uint8_t* bytes, uint32_t byteLength)
{
    return bytes[byteLength - 2] == 0 && bytes[byteLength - 1] == 0;
}

// The key path and the value name stand back to back in both records; each
// must end with its terminator inside its declared length.
bool ReadStringPair(const uint8_t* area, uint32_t pathBytes, uint32_t nameBytes, RegString* path, RegString* name)
{
    const uint8_t* nameStart = area + pathBytes;
    if (!EndsWithTerminator(area, pathBytes) || !EndsWithTerminator(nameStart, nameBytes))
        return false;
    path->bytes = area;
    path->byteLength = pathBytes;
    name->bytes = nameStart;
    name->byteLength = nameBytes;
    return true;
}

} // namespace

uint32_t CapsuleSize(uint32_t payloadLength)
{
    if (payloadLength > kMaxPayloadLength)
        return 0;
    return kCapsuleOverhead + ((payloadLength + 7) & ~7u);
}

void WriteCapsuleFrame(uint8_t* capsule, uint32_t payloadLength, uint32_t sessionId)
{
    uint32_t size = CapsuleSize(payloadLength);
    StoreLe32(capsule, payloadLength);
    StoreLe32(capsule + 4, size);
    StoreLe32(capsule + 8, sessionId);
    StoreLe32(capsule + size - 4, 0);
}

bool ReadCapsuleHeader(const uint8_t* bytes, size_t available, CapsuleHeader* header)
{
    if (bytes == nullptr || header == nullptr || available < kCapsuleHeaderSize)
        return false;
    header->payloadLength = LoadLe32(bytes);
    header->size = LoadLe32(bytes + 4);
    header->sessionId = LoadLe32(bytes + 8);
    return true;
}

uint32_t CapsuleBlockCount(uint32_t declaredSize, size_t bufferSize)
{
    // The payload area starts at 12 and ends before the trailing zero word.
    size_t limit = declaredSize < bufferSize ? declaredSize : bufferSize;
    if (limit < kCapsuleOverhead)
        return 0;
    return static_cast<uint32_t>((limit - kCapsuleOverhead) / 8);
}

void WriteInnerRequest(uint8_t* out, uint32_t sequence, uint32_t function, const uint8_t* input, uint32_t inputLength,
                       uint32_t answerCapacity)
{
    StoreLe32(out, sequence);
    StoreLe32(out + 4, inputLength + kInnerOverhead);
    StoreLe32(out + 8, function);
    StoreLe32(out + 12, inputLength);
    StoreLe32(out + 16, answerCapacity);
    if (inputLength != 0)
        memcpy(out + kInnerHeaderSize, input, inputLength);
    StoreLe32(out + kInnerHeaderSize + inputLength, 0);
}

bool ReadInnerRequest(const uint8_t* bytes, size_t length, InnerRequest* request)
{
    if (bytes == nullptr || request == nullptr || length < kInnerOverhead)
        return false;
    uint32_t innerSize = LoadLe32(bytes + 4);
    uint32_t inputLength = LoadLe32(bytes + 12);
    if (inputLength > length - kInnerOverhead || innerSize != inputLength + kInnerOverhead)
        return false;
    request->sequence = LoadLe32(bytes);
    request->function = LoadLe32(bytes + 8);
    request->inputLength = inputLength;
    request->answerCapacity = LoadLe32(bytes + 16);
    request->input = bytes + kInnerHeaderSize;
    return true;
}

uint32_t RegWriteRecordSize(uint32_t pathBytes, uint32_t nameBytes)
{
    if (!IsStringLength(pathBytes) || !IsStringLength(nameBytes))
        return 0;
    return pathBytes + nameBytes + kRegWriteOverhead;
}

void WriteRegWriteRecord(uint8_t* out, const uint8_t* path, uint32_t pathBytes, const uint8_t* name, uint32_t nameBytes,
                         uint32_t value)
{
    uint32_t size = RegWriteRecordSize(pathBytes, nameBytes);
    memcpy(out, kRegWriteMagic, 4);
    StoreLe32(out + 4, kRegDword);
    StoreLe32(out + 8, size);
    StoreLe32(out + 12, pathBytes);
    StoreLe32(out + 16, pathBytes + nameBytes);
    StoreLe32(out + 20, 4);
    memcpy(out + 24, path, pathBytes);
    memcpy(out + 24 + pathBytes, name, nameBytes);
    StoreLe32(out + 24 + pathBytes + nameBytes, value);
    memset(out + 28 + pathBytes + nameBytes, 0, 3);
}

bool ReadRegWriteRecord(const uint8_t* bytes, size_t length, RegWriteRecord* record)
{
    if (bytes == nullptr || record == nullptr || length < kRegWriteOverhead)
        return false;
    if (memcmp(bytes, kRegWriteMagic, 4) != 0 || LoadLe32(bytes + 4) != kRegDword || LoadLe32(bytes + 20) != 4)
        return false;
    uint32_t pathBytes = LoadLe32(bytes + 12);
    uint32_t dataOffset = LoadLe32(bytes + 16);
    if (!IsStringLength(pathBytes) || dataOffset < pathBytes)
        return false;
    uint32_t nameBytes = dataOffset - pathBytes;
    uint32_t size = RegWriteRecordSize(pathBytes, nameBytes);
    if (size == 0 || LoadLe32(bytes + 8) != size || size > length)
        return false;
    if (!ReadStringPair(bytes + 24, pathBytes, nameBytes, &record->path, &record->name))
        return false;
    record->value = LoadLe32(record->name.bytes + nameBytes);
    return true;
}

uint32_t RegQueryRecordSize(uint32_t pathBytes, uint32_t nameBytes)
{
    if (!IsStringLength(pathBytes) || !IsStringLength(nameBytes))
        return 0;
    return pathBytes + nameBytes + kRegQueryOverhead;
}

void WriteRegQueryRecord(uint8_t* out, const uint8_t* path, uint32_t pathBytes, const uint8_t* name, uint32_t nameBytes,
                         uint32_t answerCapacity)
{
    uint32_t size = RegQueryRecordSize(pathBytes, nameBytes);
    memcpy(out, kRegQueryMagic, 4);
    StoreLe32(out + 4, size);
    StoreLe32(out + 8, answerCapacity);
    StoreLe32(out + 12, pathBytes);
    memcpy(out + 16, path, pathBytes);
    memcpy(out + 16 + pathBytes, name, nameBytes);
    memset(out + 16 + pathBytes + nameBytes, 0, 3);
}

bool ReadRegQueryRecord(const uint8_t* bytes, size_t length, RegQueryRecord* record)
{
    if (bytes == nullptr || record == nullptr || length < kRegQueryOverhead)
        return false;
    if (memcmp(bytes, kRegQueryMagic, 4) != 0)
        return false;
    uint32_t size = LoadLe32(bytes + 4);
    uint32_t pathBytes = LoadLe32(bytes + 12);
    if (size > length || size < kRegQueryOverhead || !IsStringLength(pathBytes) || pathBytes > size - kRegQueryOverhead)
        return false;
    uint32_t nameBytes = size - kRegQueryOverhead - pathBytes;
    if (!IsStringLength(nameBytes))
        return false;
    if (!ReadStringPair(bytes + 16, pathBytes, nameBytes, &record->path, &record->name))
        return false;
    record->answerCapacity = LoadLe32(bytes + 8);
    return true;
}

void WriteRegQueryAnswerHeader(uint8_t* out, uint32_t dataLength, uint32_t type)
{
    StoreLe32(out, dataLength);
    memcpy(out + 4, kRegAnswerMagic, 4);
    StoreLe32(out + 8, type);
}

bool ReadRegQueryAnswer(const uint8_t* bytes, size_t length, RegQueryAnswer* answer)
{
    if (bytes == nullptr || answer == nullptr || length < kRegAnswerHeaderSize)
        return false;
    if (memcmp(bytes + 4, kRegAnswerMagic, 4) != 0)
        return false;
    answer->dataLength = LoadLe32(bytes);
    answer->type = LoadLe32(bytes + 8);
    answer->data = bytes + kRegAnswerHeaderSize;
    size_t present = length - kRegAnswerHeaderSize;
    answer->dataAvailable = static_cast<uint32_t>(present < answer->dataLength ? present : answer->dataLength);
    return true;
}

bool ReadMiscPacketHeader(const uint8_t* bytes, size_t length, MiscPacketHeader* header)
{
    if (bytes == nullptr || header == nullptr || length < kMiscPacketHeaderSize)
        return false;
    header->function = bytes[0];
    header->subFunction = bytes[1];
    header->requestLength = LoadLe16(bytes + 2);
    header->answerLength = LoadLe16(bytes + 4);
    return true;
}

void WriteMiscPacketHeader(uint8_t* out, const MiscPacketHeader& header)
{
    out[0] = header.function;
    out[1] = header.subFunction;
    StoreLe16(out + 2, header.requestLength);
    StoreLe16(out + 4, header.answerLength);
    StoreLe16(out + 6, 0);
}

void WriteFeatureQuery(uint8_t* packet)
{
    memset(packet, 0, kFeaturePacketSize);
    MiscPacketHeader header = {kFeatureFunction, kFeatureSubFunction, kFeaturePacketSize, kFeaturePacketSize};
    WriteMiscPacketHeader(packet, header);
    StoreLe16(packet + 8, kFeatureSelector);
}

void ReadFeatureWords(const uint8_t* packet, uint16_t words[4])
{
    for (int i = 0; i < 4; ++i)
        words[i] = LoadLe16(packet + 12 + 2 * i);
}

void WriteFeatureWords(uint8_t* packet, const uint16_t words[4])
{
    for (int i = 0; i < 4; ++i)
        StoreLe16(packet + 12 + 2 * i, words[i]);
}

} // namespace MiscWire
