// The capsule transport: every request after the handshake travels as an
// inner request wrapped in a capsule, enciphered block by block with the
// session cipher, and the driver answers with a capsule of the same form.

#include "misccommon/MiscCommon.h"

#include <stdarg.h>
#include <string.h>

#include "MiscWire.h"
#include "common/FormatW.h"
#include "misccommon/CapsuleCodec.h"
#include "misccommon/ControlCodes.h"
#include "common/win/HeapBlock.h"

namespace MiscCommon {

namespace {

const wchar_t kCapsuleHeapFailed[] = L"MiscCommon::CMiscCommon::_InitializeMessageCapsule: HeapAlloc failed.";
const wchar_t kEncryptNull[] = L"MiscCommon::CMiscCommon::_Encrypt: capsule is NULL";
const wchar_t kEncryptNoContext[] = L"MiscCommon::CMiscCommon::_Encrypt: BlowFish Context is not initialized.";
const wchar_t kEncryptFailed[] = L"MiscCommon::CMiscCommon::_Encrypt: BlowFish Encipher failed. i = %d";
const wchar_t kDecryptNull[] = L"MiscCommon::CMiscCommon::_Decrypt: capsule is NULL";
const wchar_t kDecryptNoContext[] = L"MiscCommon::CMiscCommon::_Decrypt: BlowFish Context is not initialized.";
const wchar_t kDecryptFailed[] = L"MiscCommon::CMiscCommon::_Decrypt: BlowFish Decipher failed. i = %d";
const wchar_t kInvalidArguments[] = L"MiscCommon::CMiscCommon::EncapsuledDeviceIoControl: Invalid Argument(s).";
const wchar_t kSessionNotInitialized[] =
    L"MiscCommon::CMiscCommon::EncapsuledDeviceIoControl: Session Not Initialized.";
const wchar_t kInnerHeapFailed[] = L"MiscCommon::CMiscCommon::EncapsuledDeviceIoControl: HeapAlloc failed.";
const wchar_t kInvalidStructure[] =
    L"MiscCommon::CMiscCommon::EncapsuledDeviceIoControl: Invalid structure returned. size = %d";

} // namespace

void CMiscCommon::FormatLastErrorText(const wchar_t* format, ...)
{
    if (_szLastError == nullptr)
        return;
    va_list args;
    va_start(args, format);
    FormatWV(_szLastError, kTextChars, format, args);
    va_end(args);
}

BYTE* CMiscCommon::_InitializeMessageCapsule(DWORD length, const void* source)
{
    // CapsuleSize refuses lengths whose size would wrap; that is as much an
    // allocation that cannot be had as a failed HeapAlloc.
    const uint32_t size = MiscWire::CapsuleSize(length);
    BYTE* capsule = size == 0 ? nullptr : static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size));
    if (capsule == nullptr) {
        SetLastErrorText(kCapsuleHeapFailed);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    MiscWire::WriteCapsuleFrame(capsule, length, 0);
    if (source != nullptr && length != 0)
        memcpy(capsule + MiscWire::kCapsuleHeaderSize, source, length);
    return capsule;
}

DWORD CMiscCommon::CipherMessageCapsule(BYTE* capsule, DWORD capsuleBytes, bool encipher)
{
    if (capsule == nullptr) {
        SetLastErrorText(encipher ? kEncryptNull : kDecryptNull);
        return ChannelResult::kInvalidArgument;
    }
    if (_pBlowfish == nullptr) {
        SetLastErrorText(encipher ? kEncryptNoContext : kDecryptNoContext);
        return ChannelResult::kNotReady;
    }
    uint32_t failedBlock = 0;
    if (!CipherCapsule(_pBlowfish, capsule, capsuleBytes, encipher, &failedBlock)) {
        FormatLastErrorText(encipher ? kEncryptFailed : kDecryptFailed, static_cast<int>(failedBlock));
        return ChannelResult::kFailed;
    }
    return ChannelResult::kOk;
}

DWORD CMiscCommon::_Encrypt(BYTE* capsule, DWORD capsuleBytes)
{
    return CipherMessageCapsule(capsule, capsuleBytes, true);
}

DWORD CMiscCommon::_Decrypt(BYTE* capsule, DWORD capsuleBytes)
{
    return CipherMessageCapsule(capsule, capsuleBytes, false);
}

BOOL CMiscCommon::EncapsuledDeviceIoControl(DWORD function, const void* input, DWORD inputLength, void* answer,
                                            DWORD answerCapacity, DWORD* bytesReturned)
{
    if (!IsDriverVersionSupported()) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    if ((input == nullptr && inputLength > 0) || (answer == nullptr && answerCapacity > 0) ||
        (input != nullptr && inputLength == 0) || (answer != nullptr && answerCapacity == 0) ||
        bytesReturned == nullptr) {
        SetLastErrorText(kInvalidArguments);
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (_bSecureSession && _pBlowfish == nullptr) {
        SetLastErrorText(kSessionNotInitialized);
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    *bytesReturned = 0;

    // An input this long could not be framed anyway, and its inner size
    // would wrap.
    if (inputLength > MiscWire::kMaxPayloadLength - MiscWire::kInnerOverhead) {
        SetLastErrorText(kInnerHeapFailed);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    const DWORD innerSize = inputLength + MiscWire::kInnerOverhead;
    CHeapBlock inner(innerSize);
    if (inner.Get() == nullptr) {
        SetLastErrorText(kInnerHeapFailed);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    MiscWire::WriteInnerRequest(static_cast<uint8_t*>(inner.Get()), static_cast<uint32_t>(_dwSequence), function,
                                static_cast<const uint8_t*>(input), inputLength, answerCapacity);

    BYTE* request = _InitializeMessageCapsule(innerSize, inner.Get());
    if (request == nullptr)
        return FALSE;
    const DWORD requestSize = MiscWire::CapsuleSize(innerSize);
    CAdoptedHeapBlock requestHolder(request, requestSize);
    inner.Reset();
    MiscWire::StoreLe32(request + 8, _dwSessionId);
    if (_bSecureSession && _Encrypt(request, requestSize) != ChannelResult::kOk) {
        SetLastError(ERROR_INTERNAL_ERROR);
        return FALSE;
    }

    BYTE* answerCapsule = _InitializeMessageCapsule(answerCapacity, nullptr);
    if (answerCapsule == nullptr)
        return FALSE;
    const DWORD answerSize = MiscWire::CapsuleSize(answerCapacity);
    CAdoptedHeapBlock answerHolder(answerCapsule, answerSize);
    // The frame written above is not the driver's: nothing of it may be read
    // back as an answer.
    memset(answerCapsule, 0, answerSize);

    DWORD returned = 0;
    const BOOL called =
        _pDevice->Control(_hDevice, IOCTL_MISC_CAPSULE, request, requestSize, answerCapsule, answerSize, &returned);
    const DWORD error = GetLastError();
    // The driver counts every capsule it saw; one that never reached it
    // (failed, nothing returned) must not move ours ahead of the driver's.
    if (called || returned != 0)
        ++_dwSequence;

    if (returned < MiscWire::kCapsuleHeaderSize) {
        FormatLastErrorText(kInvalidStructure, static_cast<int>(returned));
        // A call that succeeded left no error of its own to report.
        SetLastError(called ? static_cast<DWORD>(ERROR_INVALID_DATA) : error);
        return FALSE;
    }
    if (_bSecureSession && _Decrypt(answerCapsule, answerSize) != ChannelResult::kOk) {
        SetLastError(ERROR_INTERNAL_ERROR);
        return FALSE;
    }

    // Only what the driver returned is its answer; the rest of the buffer is
    // our own zeros.
    const DWORD received = returned < answerSize ? returned : answerSize;
    uint32_t copied = 0;
    const CapsuleAnswerCopy copy =
        CopyCapsuleAnswer(answerCapsule, received, static_cast<uint8_t*>(answer), answerCapacity, &copied);
    if (copy == kAnswerInvalid) {
        FormatLastErrorText(kInvalidStructure, static_cast<int>(returned));
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    *bytesReturned = copied;
    if (copy == kAnswerTruncated) {
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    SetLastError(error);
    return called;
}

} // namespace MiscCommon
