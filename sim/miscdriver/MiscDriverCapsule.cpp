// The capsule service: one enciphered request (a misc-function packet or a
// registry record) in, one capsule of the same form out.

#include "MiscDriverCore.h"

#include <string.h>

#include "MiscWire.h"
#include "common/SecureWipe.h"

namespace MiscDriver {

namespace {

using MiscWire::LoadLe16;
using MiscWire::LoadLe32;
using MiscWire::StoreLe32;

// Misc-function status bytes besides "done" and "busy".
constexpr uint8_t kMiscStatusUnknownFunction = 1;
constexpr uint8_t kMiscStatusBadPacket = 2;

// Bits 0 of the words at 12 and 14 say the platform is supported.
constexpr uint16_t kDefaultFeatureWords[4] = {0x0001, 0x0001, 0x0000, 0x0000};
constexpr uint32_t kFeatureWordsEnd = 20;
constexpr uint32_t kFeatureSelectorAt = 8;

// What the WritePayload fault fills its answer with: visibly not an accident
// of zeroed memory.
constexpr uint8_t kFaultPayloadByte = 0x5A;

constexpr uint8_t kWrongAnswerMagic[4] = {'R', 'g', 'Q', 'I'};
constexpr uint32_t kStatusNtUnsuccessful = 0xC0000001;

// The only part of HKEY_LOCAL_MACHINE the service reaches.
constexpr char kPermittedRoot[] = "SOFTWARE\\Norvane";
constexpr uint32_t kPermittedRootLength = sizeof(kPermittedRoot) - 1;

uint16_t UnitAt(const MiscDriverText& text, uint32_t index)
{
    return LoadLe16(text.Units + 2 * index);
}

// A received string becomes a text without its terminator; a string with a
// null before its end is refused, since every consumer would cut it there
// and act on a different name than the one checked.
bool ToText(const MiscWire::RegString& string, MiscDriverText* text)
{
    text->Units = string.bytes;
    text->Length = string.byteLength / 2 - 1;
    for (uint32_t i = 0; i < text->Length; ++i) {
        if (UnitAt(*text, i) == 0)
            return false;
    }
    return true;
}

uint16_t AsciiUpper(uint16_t unit)
{
    return unit >= 'a' && unit <= 'z' ? static_cast<uint16_t>(unit - 'a' + 'A') : unit;
}

// SOFTWARE\Norvane itself or a key below it, compared as the registry does
// (case-insensitively), with no empty component that would let a name
// resolve differently from how it reads.
bool IsPermittedPath(const MiscDriverText& path)
{
    if (path.Length < kPermittedRootLength)
        return false;
    for (uint32_t i = 0; i < kPermittedRootLength; ++i) {
        if (AsciiUpper(UnitAt(path, i)) != AsciiUpper(static_cast<uint8_t>(kPermittedRoot[i])))
            return false;
    }
    if (path.Length == kPermittedRootLength)
        return true;
    if (UnitAt(path, kPermittedRootLength) != '\\')
        return false;
    uint16_t previous = '\\';
    for (uint32_t i = kPermittedRootLength + 1; i < path.Length; ++i) {
        const uint16_t unit = UnitAt(path, i);
        if (unit == '\\' && previous == '\\')
            return false;
        previous = unit;
    }
    return previous != '\\';
}

bool Cipher(const BlowfishContext* context, uint8_t* bytes, uint32_t blocks, bool encipher)
{
    for (uint32_t i = 0; i < blocks; ++i) {
        uint8_t* block = bytes + 8 * i;
        uint32_t left = LoadLe32(block);
        uint32_t right = LoadLe32(block + 4);
        const bool done =
            encipher ? BlowfishEncipher(context, &left, &right) : BlowfishDecipher(context, &left, &right);
        if (!done)
            return false;
        StoreLe32(block, left);
        StoreLe32(block + 4, right);
    }
    return true;
}

uint32_t Smaller(uint32_t a, uint32_t b)
{
    return a < b ? a : b;
}

} // namespace

const char* MiscDriverFaultName(MiscDriverFault fault)
{
    static const char* const kNames[kFaultCount] = {
        "RefuseSessions", "BusyOnce",    "BusyAlways",    "WritePayload",
        "WrongMagic",     "FailCapsule", "FeatureWord12", "FeatureWord14",
    };
    return fault < kFaultCount ? kNames[fault] : nullptr;
}

bool CMiscDriverCore::FaultValue(MiscDriverFault fault, uint32_t* value)
{
    return _backend != nullptr && _backend->ReadFault != nullptr &&
           _backend->ReadFault(_backend->Context, fault, value);
}

uint32_t CMiscDriverCore::Fault(MiscDriverFault fault)
{
    uint32_t value = 0;
    return FaultValue(fault, &value) ? value : 0;
}

void CMiscDriverCore::ClearFault(MiscDriverFault fault)
{
    if (_backend != nullptr && _backend->ClearFault != nullptr)
        _backend->ClearFault(_backend->Context, fault);
}

MiscDriverStatus CMiscDriverCore::Capsule(uintptr_t owner, const uint8_t* input, uint32_t inputLength, uint8_t* output,
                                          uint32_t outputCapacity, uint32_t* returned)
{
    const uint32_t injected = Fault(kFaultFailCapsule);
    if (injected != 0) {
        // Only failures and warnings: a success or pending code from a
        // mistyped value would complete the request as if it had been served.
        _injectedStatus = (injected & 0x80000000u) != 0 ? injected : kStatusNtUnsuccessful;
        return kStatusInjectedFailure;
    }

    MiscWire::CapsuleHeader header;
    if (!MiscWire::ReadCapsuleHeader(input, inputLength, &header))
        return kStatusInvalidParameter;
    const uint32_t size = MiscWire::CapsuleSize(header.payloadLength);
    if (header.payloadLength > kMaxRequestPayload || size != header.size || size != inputLength)
        return kStatusInvalidParameter;

    // An established session of this handle decides; without one, only a
    // driver that refuses sessions takes capsules, and then in clear.
    MiscDriverSession* session = FindSession(header.sessionId, owner, kSessionEstablished);
    if (session == nullptr && Fault(kFaultRefuseSessions) == 0)
        return kStatusAccessDenied;
    const BlowfishContext* cipher = session != nullptr ? &session->Cipher : nullptr;

    const uint32_t blocks = (size - MiscWire::kCapsuleOverhead) / 8;
    memcpy(_request, input + MiscWire::kCapsuleHeaderSize, 8 * blocks);
    if (cipher != nullptr && !Cipher(cipher, _request, blocks, false)) {
        SecureWipe(_request, 8 * blocks);
        return kStatusInternalError;
    }

    MiscWire::InnerRequest inner;
    if (!MiscWire::ReadInnerRequest(_request, header.payloadLength, &inner) ||
        inner.inputLength + MiscWire::kInnerOverhead != header.payloadLength ||
        (session != nullptr && inner.sequence != session->NextSequence)) {
        SecureWipe(_request, 8 * blocks);
        return kStatusInvalidParameter;
    }

    if (outputCapacity < MiscWire::kCapsuleOverhead) {
        SecureWipe(_request, 8 * blocks);
        return kStatusBufferTooSmall;
    }
    // Whole blocks only: the capsule size is always 16 plus a multiple of 8.
    // No answer may outgrow the largest capsule the frame can describe,
    // however much room the caller offers.
    const uint32_t room = (outputCapacity - MiscWire::kCapsuleOverhead) & ~7u;
    const uint32_t capacity = Smaller(Smaller(inner.answerCapacity, room), MiscWire::kMaxPayloadLength);
    uint8_t* payload = output + MiscWire::kCapsuleHeaderSize;

    Answer answer = {0, false};
    MiscDriverStatus status;
    switch (inner.function) {
    case MiscWire::kFuncCall:
        status = MiscFunction(inner.input, inner.inputLength, payload, capacity, &answer);
        break;
    case MiscWire::kFuncRegWrite:
        status = RegistryWrite(inner.input, inner.inputLength, payload, capacity, &answer);
        break;
    case MiscWire::kFuncRegQuery:
        status = RegistryQuery(inner.input, inner.inputLength, payload, capacity, &answer);
        break;
    default:
        status = kStatusInvalidRequest;
        break;
    }
    SecureWipe(_request, 8 * blocks);
    if (status != kStatusSuccess)
        return status;

    // An answer longer than the caller's room is cut to what fits (its frame
    // still declares the whole length), and the caller learns it from the
    // "more data" outcome rather than from a silently shortened payload.
    const uint32_t total = MiscWire::CapsuleSize(answer.Length);
    const uint32_t sent = Smaller(total, outputCapacity);
    const uint32_t filled = answer.Length <= capacity ? answer.Length : 0;
    if (MiscWire::kCapsuleHeaderSize + filled < sent)
        memset(payload + filled, 0, sent - MiscWire::kCapsuleHeaderSize - filled);
    StoreLe32(output, answer.Length);
    StoreLe32(output + 4, total);
    StoreLe32(output + 8, header.sessionId);
    if (cipher != nullptr && !Cipher(cipher, payload, MiscWire::CapsuleBlockCount(total, sent), true))
        return kStatusInternalError;

    if (session != nullptr)
        ++session->NextSequence;
    *returned = sent;
    return answer.MoreData || answer.Length > capacity ? kStatusMoreData : kStatusSuccess;
}

MiscDriverStatus CMiscDriverCore::MiscFunction(const uint8_t* input, uint32_t inputLength, uint8_t* answer,
                                               uint32_t capacity, Answer* result)
{
    MiscWire::MiscPacketHeader header;
    if (!MiscWire::ReadMiscPacketHeader(input, inputLength, &header) || header.requestLength != inputLength ||
        header.answerLength < MiscWire::kMiscPacketHeaderSize)
        return kStatusInvalidParameter;

    // The answer overwrites the packet in place: it starts as the request.
    result->Length = header.answerLength;
    if (result->Length > capacity)
        return kStatusSuccess;
    const uint32_t copied = Smaller(inputLength, result->Length);
    memcpy(answer, input, copied);
    memset(answer + copied, 0, result->Length - copied);

    uint8_t status = MiscWire::kMiscStatusOk;
    if (Fault(kFaultBusyOnce) != 0) {
        ClearFault(kFaultBusyOnce);
        status = MiscWire::kMiscStatusBusy;
    } else if (Fault(kFaultBusyAlways) != 0) {
        status = MiscWire::kMiscStatusBusy;
    } else if (header.function != MiscWire::kFeatureFunction || header.subFunction != MiscWire::kFeatureSubFunction) {
        status = kMiscStatusUnknownFunction;
    } else if (inputLength < kFeatureSelectorAt + 2 || result->Length < kFeatureWordsEnd ||
               LoadLe16(input + kFeatureSelectorAt) != MiscWire::kFeatureSelector) {
        status = kMiscStatusBadPacket;
    } else {
        uint16_t words[4] = {kDefaultFeatureWords[0], kDefaultFeatureWords[1], kDefaultFeatureWords[2],
                             kDefaultFeatureWords[3]};
        // Unlike the other faults, 0 is a value here: it clears the bits.
        uint32_t value = 0;
        if (FaultValue(kFaultFeatureWord12, &value))
            words[0] = static_cast<uint16_t>(value);
        if (FaultValue(kFaultFeatureWord14, &value))
            words[1] = static_cast<uint16_t>(value);
        MiscWire::WriteFeatureWords(answer, words);
    }
    answer[0] = status;
    return kStatusSuccess;
}

MiscDriverStatus CMiscDriverCore::RegistryWrite(const uint8_t* input, uint32_t inputLength, uint8_t* answer,
                                                uint32_t capacity, Answer* result)
{
    MiscWire::RegWriteRecord record;
    MiscDriverText path;
    MiscDriverText name;
    if (!MiscWire::ReadRegWriteRecord(input, inputLength, &record) || !ToText(record.path, &path) ||
        !ToText(record.name, &name))
        return kStatusInvalidParameter;
    if (!IsPermittedPath(path))
        return kStatusAccessDenied;
    if (_backend == nullptr || _backend->WriteDword == nullptr)
        return kStatusNotSupported;
    const MiscDriverStatus status = _backend->WriteDword(_backend->Context, path, name, record.value);
    if (status != kStatusSuccess)
        return status;

    result->Length = Smaller(Fault(kFaultWritePayload), kMaxFaultPayload);
    if (result->Length <= capacity)
        memset(answer, kFaultPayloadByte, result->Length);
    return kStatusSuccess;
}

MiscDriverStatus CMiscDriverCore::RegistryQuery(const uint8_t* input, uint32_t inputLength, uint8_t* answer,
                                                uint32_t capacity, Answer* result)
{
    MiscWire::RegQueryRecord record;
    MiscDriverText path;
    MiscDriverText name;
    if (!MiscWire::ReadRegQueryRecord(input, inputLength, &record) || !ToText(record.path, &path) ||
        !ToText(record.name, &name))
        return kStatusInvalidParameter;
    if (!IsPermittedPath(path))
        return kStatusAccessDenied;
    if (_backend == nullptr || _backend->QueryValue == nullptr)
        return kStatusNotSupported;

    // The record announces the caller's capacity too; the smaller one holds.
    const uint32_t limit = Smaller(capacity, record.answerCapacity);
    const uint32_t dataRoom = limit > MiscWire::kRegAnswerHeaderSize ? limit - MiscWire::kRegAnswerHeaderSize : 0;
    uint32_t type = 0;
    uint32_t length = 0;
    uint8_t* data = dataRoom != 0 ? answer + MiscWire::kRegAnswerHeaderSize : nullptr;
    const MiscDriverStatus status = _backend->QueryValue(_backend->Context, path, name, &type, &length, data, dataRoom);
    if (status != kStatusSuccess)
        return status;

    // Data that does not fit still gets its header: the caller learns the
    // length and type it needs from it.
    const bool fits = limit >= MiscWire::kRegAnswerHeaderSize && length <= dataRoom;
    result->Length = MiscWire::kRegAnswerHeaderSize + (fits ? length : 0);
    result->MoreData = !fits;
    if (limit >= MiscWire::kRegAnswerHeaderSize) {
        MiscWire::WriteRegQueryAnswerHeader(answer, length, type);
        if (Fault(kFaultWrongMagic) != 0)
            memcpy(answer + 4, kWrongAnswerMagic, 4);
    }
    return kStatusSuccess;
}

} // namespace MiscDriver
