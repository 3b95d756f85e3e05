#pragma once
// The channel to the misc driver: discovery, version, the authenticated
// session, and the enciphered capsule transport with the driver's registry
// service and misc functions. No lock of its own: the shared channel is used
// under the registry layer's lock, the start-up probe before other threads
// exist.

#include <windows.h>

#include "Blowfish.h"
#include "common/Uncopyable.h"
#include "common/win/HeapBlock.h"
#include "misccommon/ChannelResult.h"
#include "misccommon/MiscDevice.h"
#include "misccommon/SetupApiDevice.h"

namespace MiscCommon {

class CMiscCommon : private CUncopyable {
public:
    // Capacity of the last-error and version texts, in characters.
    static constexpr size_t kTextChars = 256;

    // Reaches the driver through the system (SetupAPI, DeviceIoControl).
    CMiscCommon();
    // Reaches the driver through `device`, which is not owned and must
    // outlive this object.
    explicit CMiscCommon(IMiscDevice* device);
    ~CMiscCommon();

    // Results are ChannelResult codes (misccommon/ChannelResult.h), given
    // here by number.

    // 0, or 2, 5, 6, 11 with the reason in the last-error text and the
    // failing call's error kept for GetLastError(). Reads the driver version
    // only the first time it succeeds that far.
    DWORD OpenDriver();
    // Ends the session (if any) and closes the device. Safe to repeat.
    void CloseDriver();
    // The session handshake on an open channel: 0 (session, or the driver
    // takes requests in clear), 2, 5, 6, or 10 for a driver older than 1.0.8.
    DWORD _Initialize();

    // The version test: the driver is 1.0.8 or newer.
    bool IsDriverVersionSupported() const;

    // One request in a capsule (enciphered in a session): `function` is an
    // inner function code, `input` may be null only with length 0, `answer`
    // null only with capacity 0. TRUE with *bytesReturned the answer length;
    // FALSE with the reason in GetLastError() (ERROR_MORE_DATA: the answer was
    // cut to the capacity, and *bytesReturned is the capacity).
    BOOL EncapsuledDeviceIoControl(DWORD function, const void* input, DWORD inputLength, void* answer,
                                   DWORD answerCapacity, DWORD* bytesReturned);

    // Writes the REG_DWORD *lpData as lpName under root\lpPath. 0 written; 2
    // transport or driver failure; 3 null argument; 5 no memory; 10 driver
    // too old or root not HKEY_LOCAL_MACHINE.
    DWORD SetRegistry(HKEY root, const wchar_t* lpPath, const wchar_t* lpName, const DWORD* lpData);
    // Reads lpName under root\lpPath. *pSize is the capacity of lpData in
    // bytes when lpData is given, and receives the stored length; pType and
    // lpData are optional. 0 read (without lpData: length and type found); 2
    // failure; 3 bad argument or refused by the driver; 5 no memory; 9 longer
    // than the capacity (*pSize, *pType hold the stored length and type); 10
    // as SetRegistry.
    DWORD QueryRegistry(HKEY root, const wchar_t* lpPath, const wchar_t* lpName, DWORD* pType, void* lpData,
                        DWORD* pSize);

    // Sends a misc-function packet, which the driver's answer overwrites; a
    // busy answer (status 4) is sent once more after 100 ms. 0 sent (the
    // status byte is the caller's to read), 2 transport failed, 3 bad
    // argument, 5 no memory, 8 no device, 10 driver too old.
    DWORD CallMiscFunction(BYTE* pPacket, DWORD sizePacket);
    // The platform's feature words (selector 0x800A). Returns what
    // CallMiscFunction returned (10 without sending to an old driver, 5 when
    // the packet is not allocated); *pStatus is set after a sent request, the
    // four words only when that status is 0. Any out-pointer may be null.
    DWORD QueryMiscFeatures(BYTE* pStatus, WORD* pWord12, WORD* pWord14, WORD* pWord16, WORD* pWord18);

private:
    // A zero-filled capsule from the process heap for a payload of `length`
    // bytes, framed, with the payload copied from `source` when given. The
    // caller frees it; null (with the message) when it cannot be had.
    BYTE* _InitializeMessageCapsule(DWORD length, const void* source);
    // Cipher the payload blocks of a capsule held in `capsuleBytes` bytes:
    // the block count comes from the capsule's size field, never past the
    // buffer. 0 done, 2 a block failed, 3 capsule null, 8 no session cipher.
    DWORD _Encrypt(BYTE* capsule, DWORD capsuleBytes);
    DWORD _Decrypt(BYTE* capsule, DWORD capsuleBytes);
    DWORD CipherMessageCapsule(BYTE* capsule, DWORD capsuleBytes, bool encipher);
    DWORD FailRegistry(const wchar_t* text, DWORD result, DWORD error);

    void SetLastErrorText(const wchar_t* text);
    // printf-style ("%d" numbers) into the last-error text.
    void FormatLastErrorText(const wchar_t* format, ...);
    void ClearLastErrorText();
    // Keeps GetLastError() as it was on entry.
    void EndSession(DWORD sessionId);
    DWORD FailInitialize(const wchar_t* text, DWORD result, DWORD error, bool endSession, DWORD sessionId);

    // The handshake's phases, in order; each answers a ChannelResult and, on
    // failure, has already ended the session it opened.
    struct Handshake;
    DWORD _SeedRandomSource();
    DWORD _HandshakeOffer(Handshake& handshake);
    DWORD _HandshakeProve(Handshake& handshake);
    DWORD _HandshakeSendKey(Handshake& handshake);

    HANDLE _hDevice;
    CHeapText _szVersion; // kTextChars; none until first read
    DWORD _dwSessionId;
    LONG _dwSequence;
    BlowfishContext* _pBlowfish; // owned; null without a session
    BOOL _bSecureSession;
    CHeapText _szLastError; // kTextChars; none when the heap had no room
    DWORD _dwVersionMajor;
    DWORD _dwVersionMinor;
    DWORD _dwVersionBuild;
    DWORD _dwVersionRevision;

    CSetupApiDevice _systemDevice;
    IMiscDevice* _pDevice;

    friend class CMiscCommonTestPeer;
};

} // namespace MiscCommon
