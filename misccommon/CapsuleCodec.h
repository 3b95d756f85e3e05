#pragma once
// The channel's handling of bytes that come back from the driver, kept apart
// from every Windows header so that a native fuzzer can drive it: deciphering
// an answer capsule, taking its payload, reading a registry answer, checking a
// misc-function packet. Every function is bounded by the buffer sizes it is
// given, whatever the received bytes declare.

#include <stddef.h>
#include <stdint.h>

#include "Blowfish.h"

namespace MiscCommon {

// Enciphers (or deciphers) the payload blocks of the capsule in `capsule`, a
// buffer of `bufferSize` bytes: as many 8-byte blocks as the size field at
// offset 4 declares, but never past the buffer's end. False when a block
// failed; *failedBlock then holds its index.
bool CipherCapsule(const BlowfishContext* context, uint8_t* capsule, size_t bufferSize, bool encipher,
                   uint32_t* failedBlock);

enum CapsuleAnswerCopy {
    kAnswerEmpty,     // the payload length is 0
    kAnswerCopied,    // the whole payload fitted
    kAnswerTruncated, // only the first `capacity` bytes were copied
    kAnswerInvalid,   // the size field does not cover the payload, or the
                      // blocks to copy did not all arrive; nothing copied
};

// Copies the payload of the (deciphered) answer capsule, of which
// `receivedBytes` arrived, into `answer` (capacity bytes; may be null only
// when capacity is 0). *copied is what was copied; with kAnswerTruncated it
// is the capacity. Every 8-byte block the copy touches must have arrived: a
// frame that declares more payload than that would hand back the zeros (or
// their deciphered garbage) of a buffer the driver never wrote. The size
// field at offset 4 must cover the whole declared payload (16 + L rounded up
// to 8), since it bounds what CipherCapsule deciphered.
CapsuleAnswerCopy CopyCapsuleAnswer(const uint8_t* capsule, size_t receivedBytes, uint8_t* answer, uint32_t capacity,
                                    uint32_t* copied);

enum RegAnswerOutcome {
    kRegAnswerRead,    // the data fitted and was copied (if a buffer was given)
    kRegAnswerTooLong, // length and type are known, the data was not copied
    kRegAnswerInvalid, // no "RgQO" header, or sizes that contradict each other
};

struct RegAnswerFound {
    uint32_t dataLength; // as the driver declared it
    uint32_t type;
};

// Reads the "RgQO" answer to a registry query. `answerBytes` are the answer
// bytes the transport delivered; `moreData` tells that the transport cut them
// short. With `data` null nothing is copied and a declared length above
// zero counts as too long (a length query); otherwise up to `dataCapacity`
// bytes are copied.
RegAnswerOutcome ReadRegistryAnswer(const uint8_t* answer, size_t answerBytes, bool moreData, uint8_t* data,
                                    uint32_t dataCapacity, RegAnswerFound* found);

// The request and answer lengths a misc-function packet of `packetSize` bytes
// declares. False when the header does not fit the packet or either length
// exceeds it: the transport would read or write past the caller's packet.
bool ReadMiscPacketLengths(const uint8_t* packet, size_t packetSize, uint16_t* requestLength, uint16_t* answerLength);

} // namespace MiscCommon

namespace MiscCommon {

// Makes sure the UTF-16LE string the driver delivered into `text` (a buffer
// of capacityBytes, of which dataBytes were written) ends inside the buffer:
// a terminator among the delivered characters is kept, otherwise one is
// written right after them when there is room. False when there is none;
// the caller must then not use the text.
bool EnsureStringTerminated(uint8_t* text, size_t capacityBytes, size_t dataBytes);

} // namespace MiscCommon
