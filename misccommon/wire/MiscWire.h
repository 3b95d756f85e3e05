#pragma once
// Byte layouts of the misc driver's capsule transport, written once and used by
// the program and by the stand-in driver alike. Every field is little-endian
// and read or written through explicit helpers: received bytes are never cast
// to structures. Strings travel as UTF-16LE including their terminator and are
// handed in and out as byte ranges.
//
// Freestanding: no runtime beyond memcpy/memset, caller-owned buffers only.

#include <stddef.h>
#include <stdint.h>

#include "ByteOrder.h"

namespace MiscWire {

using Crypto::LoadLe16;
using Crypto::LoadLe32;
using Crypto::StoreLe16;
using Crypto::StoreLe32;

// ---- Capsule: [L][size][session id][payload, padded to 8][0] ----
constexpr uint32_t kCapsuleHeaderSize = 12;
constexpr uint32_t kCapsuleOverhead = 16;
// Large enough for any request the program makes, small enough that sizes
// computed from a hostile length can never wrap.
constexpr uint32_t kMaxPayloadLength = 0x100000;

// 16 + L rounded up to a multiple of 8; 0 when L exceeds kMaxPayloadLength.
uint32_t CapsuleSize(uint32_t payloadLength);

// Writes the three header words and the trailing zero of a capsule that is
// CapsuleSize(payloadLength) bytes long; the payload area is left alone.
void WriteCapsuleFrame(uint8_t* capsule, uint32_t payloadLength, uint32_t sessionId);

struct CapsuleHeader {
    uint32_t payloadLength;
    uint32_t size;
    uint32_t sessionId;
};
// False when fewer than 12 bytes are available.
bool ReadCapsuleHeader(const uint8_t* bytes, size_t available, CapsuleHeader* header);

// Number of 8-byte cipher blocks a capsule of `declaredSize` bytes carries,
// limited to what a buffer of `bufferSize` bytes really holds.
uint32_t CapsuleBlockCount(uint32_t declaredSize, size_t bufferSize);

// ---- Inner request: [seq][input+24][function][input length][answer capacity][input][0] ----
constexpr uint32_t kInnerHeaderSize = 20;
constexpr uint32_t kInnerOverhead = 24;

constexpr uint32_t kFuncCall = 0x222944;
constexpr uint32_t kFuncRegWrite = 0x222948;
constexpr uint32_t kFuncRegQuery = 0x22294C;

// Writes an inner request of inputLength + 24 bytes.
void WriteInnerRequest(uint8_t* out, uint32_t sequence, uint32_t function, const uint8_t* input, uint32_t inputLength,
                       uint32_t answerCapacity);

struct InnerRequest {
    uint32_t sequence;
    uint32_t function;
    const uint8_t* input; // points into the parsed bytes
    uint32_t inputLength;
    uint32_t answerCapacity;
};
// False unless the declared sizes agree with each other and with `length`.
bool ReadInnerRequest(const uint8_t* bytes, size_t length, InnerRequest* request);

// ---- Registry write "RegW" ----
constexpr uint32_t kRegWriteOverhead = 31;
// pathBytes + nameBytes + 31, or 0 when either length is zero or odd, or too large.
uint32_t RegWriteRecordSize(uint32_t pathBytes, uint32_t nameBytes);
void WriteRegWriteRecord(uint8_t* out, const uint8_t* path, uint32_t pathBytes, const uint8_t* name, uint32_t nameBytes,
                         uint32_t value);

struct RegString {
    const uint8_t* bytes; // UTF-16LE, terminator included
    uint32_t byteLength;
};
struct RegWriteRecord {
    RegString path;
    RegString name;
    uint32_t value;
};
// Checks magic, type, sizes, offsets and both terminators.
bool ReadRegWriteRecord(const uint8_t* bytes, size_t length, RegWriteRecord* record);

// ---- Registry query "RgQI" and its answer "RgQO" ----
constexpr uint32_t kRegQueryOverhead = 19;
constexpr uint32_t kRegAnswerHeaderSize = 12;
// The capacity a query announces: data capacity + 15 (15 without a data buffer).
constexpr uint32_t kRegAnswerCapacityExtra = 15;

uint32_t RegQueryRecordSize(uint32_t pathBytes, uint32_t nameBytes);
void WriteRegQueryRecord(uint8_t* out, const uint8_t* path, uint32_t pathBytes, const uint8_t* name, uint32_t nameBytes,
                         uint32_t answerCapacity);

struct RegQueryRecord {
    RegString path;
    RegString name;
    uint32_t answerCapacity;
};
bool ReadRegQueryRecord(const uint8_t* bytes, size_t length, RegQueryRecord* record);

// Writes the 12-byte "RgQO" header; the data, if any, follows at offset 12.
void WriteRegQueryAnswerHeader(uint8_t* out, uint32_t dataLength, uint32_t type);

struct RegQueryAnswer {
    uint32_t dataLength; // as the driver declares it
    uint32_t type;
    const uint8_t* data;    // offset 12 of the parsed bytes
    uint32_t dataAvailable; // bytes of data actually present
};
// False when fewer than 12 bytes are present or the magic is not "RgQO".
bool ReadRegQueryAnswer(const uint8_t* bytes, size_t length, RegQueryAnswer* answer);

// ---- Misc-function packet ----
constexpr uint32_t kMiscPacketHeaderSize = 8;
constexpr uint8_t kMiscStatusOk = 0;
constexpr uint8_t kMiscStatusBusy = 4;

struct MiscPacketHeader {
    uint8_t function; // request: function number; answer: status
    uint8_t subFunction;
    uint16_t requestLength;
    uint16_t answerLength;
};
bool ReadMiscPacketHeader(const uint8_t* bytes, size_t length, MiscPacketHeader* header);
void WriteMiscPacketHeader(uint8_t* out, const MiscPacketHeader& header);

// The feature query: function 0x11, sub-function 1, 22 bytes, selector 0x800A.
constexpr uint8_t kFeatureFunction = 0x11;
constexpr uint8_t kFeatureSubFunction = 1;
constexpr uint16_t kFeaturePacketSize = 22;
constexpr uint16_t kFeatureSelector = 0x800A;
void WriteFeatureQuery(uint8_t* packet); // 22 bytes
// The four answer words at offsets 12, 14, 16 and 18.
void ReadFeatureWords(const uint8_t* packet, uint16_t words[4]);
void WriteFeatureWords(uint8_t* packet, const uint16_t words[4]);

} // namespace MiscWire
