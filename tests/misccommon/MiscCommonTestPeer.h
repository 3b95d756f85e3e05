#pragma once
// Read and set the channel's members from tests.

#include <string>

#include "misccommon/MiscCommon.h"

namespace MiscCommon {

class CMiscCommonTestPeer {
public:
    explicit CMiscCommonTestPeer(CMiscCommon& channel) : _channel(channel) {}

    HANDLE Device() const { return _channel._hDevice; }
    const wchar_t* VersionText() const { return _channel._szVersion.Get(); }
    DWORD SessionId() const { return _channel._dwSessionId; }
    LONG Sequence() const { return _channel._dwSequence; }
    void SetSequence(LONG value) { _channel._dwSequence = value; }
    const BlowfishContext* Cipher() const { return _channel._pBlowfish; }
    BOOL SecureSession() const { return _channel._bSecureSession; }
    std::wstring LastErrorText() const { return _channel._szLastError.Get(); }
    DWORD Major() const { return _channel._dwVersionMajor; }
    DWORD Minor() const { return _channel._dwVersionMinor; }
    DWORD Build() const { return _channel._dwVersionBuild; }
    DWORD Revision() const { return _channel._dwVersionRevision; }

    BYTE* InitializeMessageCapsule(DWORD length, const void* source)
    {
        return _channel._InitializeMessageCapsule(length, source);
    }
    DWORD Encrypt(BYTE* capsule, DWORD bytes) { return _channel._Encrypt(capsule, bytes); }
    DWORD Decrypt(BYTE* capsule, DWORD bytes) { return _channel._Decrypt(capsule, bytes); }

private:
    CMiscCommon& _channel;
};

// For failure messages.
inline std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

} // namespace MiscCommon
