#pragma once
// The channel to the misc driver: discovery, version, the authenticated
// session. No lock of its own: the shared channel is used under the registry
// layer's lock, the start-up probe before other threads exist.

#include <windows.h>

#include "Blowfish.h"
#include "common/Uncopyable.h"
#include "misccommon/MiscDevice.h"
#include "misccommon/SetupApiDevice.h"

namespace MiscCommon {

class CMiscCommon : private CUncopyable {
public:
    // Reaches the driver through the system (SetupAPI, DeviceIoControl).
    CMiscCommon();
    // Reaches the driver through `device`, which is not owned and must
    // outlive this object.
    explicit CMiscCommon(IMiscDevice* device);
    ~CMiscCommon();

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

private:
    void SetLastErrorText(const wchar_t* text);
    void ClearLastErrorText();
    // Keeps GetLastError() as it was on entry.
    void EndSession(DWORD sessionId);
    DWORD FailInitialize(const wchar_t* text, DWORD result, DWORD error, bool endSession,
                         DWORD sessionId);

    HANDLE _hDevice;
    wchar_t* _szVersion;       // owned, 256 characters; null until first read
    DWORD _dwSessionId;
    LONG _dwSequence;
    BlowfishContext* _pBlowfish; // owned; null without a session
    BOOL _bSecureSession;
    wchar_t* _szLastError;     // owned, 256 characters
    DWORD _dwVersionMajor;
    DWORD _dwVersionMinor;
    DWORD _dwVersionBuild;
    DWORD _dwVersionRevision;

    CSetupApiDevice _systemDevice;
    IMiscDevice* _pDevice;

    friend class CMiscCommonTestPeer;
};

} // namespace MiscCommon
