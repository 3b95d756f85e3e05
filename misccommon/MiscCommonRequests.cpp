// The driver's services on the capsule transport: the registry records
// "RegW" / "RgQI" (answered by "RgQO") and the misc-function packets.

#include "misccommon/MiscCommon.h"

#include <string.h>
#include <wchar.h>

#include "MiscWire.h"
#include "common/Delay.h"
#include "misccommon/CapsuleCodec.h"
#include "common/win/HeapBlock.h"

namespace MiscCommon {

namespace {

const wchar_t kSetNullArgument[] = L"MiscCommon::CMiscCommon::SetRegistry: lpPath, lpName or lpData is NULL";
const wchar_t kSetTooLong[] = L"MiscCommon::CMiscCommon::SetRegistry: lpPath or lpName is too long";
const wchar_t kSetHeapFailed[] = L"MiscCommon::CMiscCommon::SetRegistry: HeapAlloc failed.";
const wchar_t kSetSendFailed[] = L"MiscCommon::CMiscCommon::SetRegistry: DeviceIoControl failed.";
const wchar_t kQueryNullArgument[] = L"MiscCommon::CMiscCommon::QueryRegistry: lpPath or lpName is NULL";
const wchar_t kQueryTooLong[] = L"MiscCommon::CMiscCommon::QueryRegistry: lpPath or lpName is too long";
const wchar_t kQueryHeapFailed[] = L"MiscCommon::CMiscCommon::QueryRegistry: HeapAlloc failed. I:%d O:%d";
const wchar_t kQueryInvalidAnswer[] = L"MiscCommon::CMiscCommon::QueryRegistry: Invalid return struct.";
const wchar_t kCallNoDevice[] = L"MiscCommon::CMiscCommon::CallMiscFunction: _hDevice is NULL";
const wchar_t kCallNullPacket[] = L"MiscCommon::CMiscCommon::CallMiscFunction: pPacket is NULL";
const wchar_t kCallZeroSize[] = L"MiscCommon::CMiscCommon::CallMiscFunction: sizePacket is '0'";
const wchar_t kCallLengths[] = L"MiscCommon::CMiscCommon::CallMiscFunction: packet lengths exceed sizePacket";
const wchar_t kCallHeapFailed[] = L"MiscCommon::CMiscCommon::CallMiscFunction: HeapAlloc failed.";
const wchar_t kCallSendFailed[] = L"MiscCommon::CMiscCommon::CallMiscFunction: DeviceIoControl failed.";

constexpr DWORD kBusyRetryDelayMs = 100;
// The feature packet is allocated one byte longer than it is sent.
constexpr size_t kFeaturePacketAllocation = MiscWire::kFeaturePacketSize + 1;

// Byte length of a string with its terminator, or 0 when it is too long for
// a record (lengths that large would also wrap the record size).
uint32_t StringBytes(const wchar_t* text)
{
    const size_t limit = 0x8000;
    const size_t length = wcsnlen(text, limit);
    if (length >= limit)
        return 0;
    return static_cast<uint32_t>((length + 1) * sizeof(wchar_t));
}

// wchar_t is UTF-16 here, so the strings go into records byte for byte.
const uint8_t* BytesOf(const wchar_t* text)
{
    return reinterpret_cast<const uint8_t*>(text);
}

} // namespace

DWORD CMiscCommon::FailRegistry(const wchar_t* text, DWORD result, DWORD error)
{
    SetLastErrorText(text);
    SetLastError(error);
    return result;
}

DWORD CMiscCommon::SetRegistry(HKEY root, const wchar_t* lpPath, const wchar_t* lpName, const DWORD* lpData)
{
    if (!IsDriverVersionSupported() || root != HKEY_LOCAL_MACHINE)
        return ChannelResult::kDriverTooOld;
    if (lpPath == nullptr || lpName == nullptr || lpData == nullptr)
        return FailRegistry(kSetNullArgument, ChannelResult::kInvalidArgument, ERROR_INVALID_PARAMETER);
    const uint32_t pathBytes = StringBytes(lpPath);
    const uint32_t nameBytes = StringBytes(lpName);
    const uint32_t recordSize = MiscWire::RegWriteRecordSize(pathBytes, nameBytes);
    if (recordSize == 0)
        return FailRegistry(kSetTooLong, ChannelResult::kInvalidArgument, ERROR_INVALID_PARAMETER);

    CHeapBlock record(recordSize);
    if (record.Get() == nullptr)
        return FailRegistry(kSetHeapFailed, ChannelResult::kNoMemory, ERROR_NOT_ENOUGH_MEMORY);
    MiscWire::WriteRegWriteRecord(static_cast<uint8_t*>(record.Get()), BytesOf(lpPath), pathBytes, BytesOf(lpName),
                                  nameBytes, *lpData);

    // Capacity 0: any payload in the answer turns into ERROR_MORE_DATA, so a
    // TRUE here is the empty answer a write must get.
    DWORD returned = 0;
    if (!EncapsuledDeviceIoControl(MiscWire::kFuncRegWrite, record.Get(), recordSize, nullptr, 0, &returned))
        return FailRegistry(kSetSendFailed, ChannelResult::kFailed, GetLastError());
    return ChannelResult::kOk;
}

DWORD CMiscCommon::QueryRegistry(HKEY root, const wchar_t* lpPath, const wchar_t* lpName, DWORD* pType, void* lpData,
                                 DWORD* pSize)
{
    if (!IsDriverVersionSupported() || root != HKEY_LOCAL_MACHINE)
        return ChannelResult::kDriverTooOld;
    if (lpPath == nullptr || lpName == nullptr || (lpData != nullptr && pSize == nullptr))
        return FailRegistry(kQueryNullArgument, ChannelResult::kInvalidArgument, ERROR_INVALID_PARAMETER);
    const uint32_t pathBytes = StringBytes(lpPath);
    const uint32_t nameBytes = StringBytes(lpName);
    const uint32_t recordSize = MiscWire::RegQueryRecordSize(pathBytes, nameBytes);
    if (recordSize == 0)
        return FailRegistry(kQueryTooLong, ChannelResult::kInvalidArgument, ERROR_INVALID_PARAMETER);

    // No capsule can carry more than kMaxPayloadLength; announcing more would
    // only make the capacity wrap. A value that large comes back as too long.
    DWORD dataCapacity = lpData != nullptr ? *pSize : 0;
    const DWORD capacityLimit = MiscWire::kMaxPayloadLength - MiscWire::kRegAnswerCapacityExtra;
    if (dataCapacity > capacityLimit)
        dataCapacity = capacityLimit;
    const DWORD answerCapacity = dataCapacity + MiscWire::kRegAnswerCapacityExtra;

    CHeapBlock record(recordSize);
    CHeapBlock answer(answerCapacity);
    if (record.Get() == nullptr || answer.Get() == nullptr) {
        FormatLastErrorText(kQueryHeapFailed, static_cast<int>(recordSize), static_cast<int>(answerCapacity));
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return ChannelResult::kNoMemory;
    }
    MiscWire::WriteRegQueryRecord(static_cast<uint8_t*>(record.Get()), BytesOf(lpPath), pathBytes, BytesOf(lpName),
                                  nameBytes, answerCapacity);

    DWORD returned = 0;
    const BOOL sent = EncapsuledDeviceIoControl(MiscWire::kFuncRegQuery, record.Get(), recordSize, answer.Get(),
                                                answerCapacity, &returned);
    const DWORD error = GetLastError();
    if (!sent && error == ERROR_INVALID_PARAMETER)
        return ChannelResult::kInvalidArgument;
    // A value longer than the capacity: the driver still sent the header,
    // which tells the length and type.
    const bool moreData = !sent && (error == ERROR_MORE_DATA || error == ERROR_BUFFER_OVERFLOW);
    if (!sent && !moreData)
        return ChannelResult::kFailed;

    RegAnswerFound found = {};
    const RegAnswerOutcome outcome = ReadRegistryAnswer(static_cast<const uint8_t*>(answer.Get()), returned, moreData,
                                                        static_cast<uint8_t*>(lpData), dataCapacity, &found);
    if (outcome == kRegAnswerInvalid)
        return FailRegistry(kQueryInvalidAnswer, ChannelResult::kFailed, sent ? ERROR_INVALID_DATA : error);
    if (pSize != nullptr)
        *pSize = found.dataLength;
    if (pType != nullptr)
        *pType = found.type;
    if (outcome == kRegAnswerTooLong) {
        SetLastError(moreData ? error : ERROR_MORE_DATA);
        // Without a data buffer the caller only asked for the length.
        return lpData != nullptr ? ChannelResult::kMoreData : ChannelResult::kOk;
    }
    SetLastError(ERROR_SUCCESS);
    return ChannelResult::kOk;
}

DWORD CMiscCommon::CallMiscFunction(BYTE* pPacket, DWORD sizePacket)
{
    if (!IsDriverVersionSupported())
        return ChannelResult::kDriverTooOld;
    if (_hDevice == nullptr || _hDevice == INVALID_HANDLE_VALUE)
        return FailRegistry(kCallNoDevice, ChannelResult::kNotReady, ERROR_INVALID_HANDLE);
    if (pPacket == nullptr)
        return FailRegistry(kCallNullPacket, ChannelResult::kInvalidArgument, ERROR_INVALID_PARAMETER);
    if (sizePacket == 0)
        return FailRegistry(kCallZeroSize, ChannelResult::kInvalidArgument, ERROR_INVALID_PARAMETER);
    // The lengths in the packet steer what the transport reads from it and
    // writes into it; they must stay inside it.
    uint16_t requestLength = 0;
    uint16_t answerLength = 0;
    if (!ReadMiscPacketLengths(pPacket, sizePacket, &requestLength, &answerLength))
        return FailRegistry(kCallLengths, ChannelResult::kInvalidArgument, ERROR_INVALID_PARAMETER);

    CHeapBlock saved(sizePacket);
    if (saved.Get() == nullptr)
        return FailRegistry(kCallHeapFailed, ChannelResult::kNoMemory, GetLastError());
    memcpy(saved.Get(), pPacket, sizePacket);

    for (int attempt = 0;; ++attempt) {
        DWORD returned = 0;
        if (!EncapsuledDeviceIoControl(MiscWire::kFuncCall, pPacket, requestLength, pPacket, answerLength, &returned))
            return FailRegistry(kCallSendFailed, ChannelResult::kFailed, GetLastError());
        if (pPacket[0] != MiscWire::kMiscStatusBusy || attempt == 1)
            break;
        // The driver's answer replaced the request; the retry sends the
        // request as the caller built it.
        Delay(kBusyRetryDelayMs);
        memcpy(pPacket, saved.Get(), sizePacket);
    }
    ClearLastErrorText();
    return ChannelResult::kOk;
}

DWORD CMiscCommon::QueryMiscFeatures(BYTE* pStatus, WORD* pWord12, WORD* pWord14, WORD* pWord16, WORD* pWord18)
{
    CHeapBlock block(kFeaturePacketAllocation);
    if (block.Get() == nullptr)
        return ChannelResult::kNoMemory;
    BYTE* packet = static_cast<BYTE*>(block.Get());
    MiscWire::WriteFeatureQuery(packet);
    if (!IsDriverVersionSupported())
        return ChannelResult::kDriverTooOld;

    const DWORD result = CallMiscFunction(packet, MiscWire::kFeaturePacketSize);
    if (result != ChannelResult::kOk)
        return result;
    if (pStatus != nullptr)
        *pStatus = packet[0];
    if (packet[0] == MiscWire::kMiscStatusOk) {
        uint16_t words[4];
        MiscWire::ReadFeatureWords(packet, words);
        WORD* const outputs[4] = {pWord12, pWord14, pWord16, pWord18};
        for (int i = 0; i < 4; ++i) {
            if (outputs[i] != nullptr)
                *outputs[i] = words[i];
        }
    }
    return ChannelResult::kOk;
}

} // namespace MiscCommon
