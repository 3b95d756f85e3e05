// Every parser of the shared wire layouts over the same arbitrary bytes. What
// a parser hands back (pointers and lengths into the input) is read in full,
// so an answer that reaches past the buffer shows up under the sanitizer.

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "FuzzSession.h"
#include "MiscWire.h"

using FuzzSupport::Check;
using FuzzSupport::Exact;

namespace {

volatile uint8_t g_sink;

// Reads every byte of [bytes, bytes + length) and checks it lies in the input.
void Touch(const uint8_t* bytes, size_t length, const uint8_t* begin, const uint8_t* end)
{
    Check(length == 0 || (bytes >= begin && bytes + length <= end));
    uint8_t sum = 0;
    for (size_t i = 0; i < length; ++i)
        sum = static_cast<uint8_t>(sum + bytes[i]);
    g_sink = sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size copy: the fuzzer's own buffer may have slack behind it.
    uint8_t* bytes = Exact(size);
    if (size != 0)
        memcpy(bytes, data, size);
    const uint8_t* end = bytes + size;

    MiscWire::CapsuleHeader header;
    if (MiscWire::ReadCapsuleHeader(bytes, size, &header)) {
        const uint32_t blocks = MiscWire::CapsuleBlockCount(header.size, size);
        Check(blocks == 0 || MiscWire::kCapsuleOverhead + 8ull * blocks <= (header.size < size ? header.size : size));
        Touch(bytes + MiscWire::kCapsuleHeaderSize, 8ull * blocks, bytes, end);
        const uint32_t capsuleSize = MiscWire::CapsuleSize(header.payloadLength);
        Check(capsuleSize == 0 || capsuleSize >= header.payloadLength + MiscWire::kCapsuleOverhead);
    }

    MiscWire::InnerRequest inner;
    if (MiscWire::ReadInnerRequest(bytes, size, &inner)) {
        Touch(inner.input, inner.inputLength, bytes, end);
        Check(inner.inputLength + MiscWire::kInnerOverhead <= size);
    }

    MiscWire::RegWriteRecord write;
    if (MiscWire::ReadRegWriteRecord(bytes, size, &write)) {
        Touch(write.path.bytes, write.path.byteLength, bytes, end);
        Touch(write.name.bytes, write.name.byteLength, bytes, end);
        Touch(write.name.bytes + write.name.byteLength, 4, bytes, end);
        Check(write.path.byteLength >= 2 && write.name.byteLength >= 2);
    }

    MiscWire::RegQueryRecord query;
    if (MiscWire::ReadRegQueryRecord(bytes, size, &query)) {
        Touch(query.path.bytes, query.path.byteLength, bytes, end);
        Touch(query.name.bytes, query.name.byteLength, bytes, end);
        Check(query.path.byteLength >= 2 && query.name.byteLength >= 2);
    }

    MiscWire::RegQueryAnswer answer;
    if (MiscWire::ReadRegQueryAnswer(bytes, size, &answer)) {
        Check(answer.dataAvailable <= answer.dataLength);
        Touch(answer.data, answer.dataAvailable, bytes, end);
    }

    MiscWire::MiscPacketHeader packet;
    if (MiscWire::ReadMiscPacketHeader(bytes, size, &packet) && size >= 20) {
        uint16_t words[4];
        MiscWire::ReadFeatureWords(bytes, words);
        g_sink = static_cast<uint8_t>(words[0] ^ words[3]);
    }

    free(bytes);
    return 0;
}
