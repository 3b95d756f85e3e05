#pragma once
// The driver as a hostile or careless client would use it: a channel whose
// session comes from the program's own handshake, but whose capsules are
// built here byte by byte, so tests can send what the program never would and
// look at every byte of the answer.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "misccommon/MiscCommon.h"
#include "tests/support/HexBytes.h"

namespace MiscDriverTest {

using Bytes = std::vector<uint8_t>;

struct Exchange {
    BOOL Ok = FALSE;
    DWORD Error = 0;
    DWORD Returned = 0;
    Bytes Raw; // the answer bytes as returned, payload still enciphered
    // The answer capsule's header and its payload, deciphered (as much as came back).
    uint32_t PayloadLength = 0;
    uint32_t Size = 0;
    uint32_t SessionId = 0;
    Bytes Payload;
};

class CRawChannel {
public:
    explicit CRawChannel(MiscCommon::IMiscDevice* device);

    // OpenDriver and the handshake; 0 when both succeeded.
    DWORD Open();
    MiscCommon::CMiscCommon& Channel() { return _channel; }
    DWORD SessionId();
    bool Secure();

    // One request with the channel's next sequence number, enciphered as the
    // program would; the channel's counter then moves as the program's does.
    Exchange Send(uint32_t function, const Bytes& input, uint32_t answerCapacity);
    // These exact bytes on `code`, with an answer buffer of outputSize.
    Exchange SendRaw(uint32_t code, const Bytes& request, DWORD outputSize);

    // A framed capsule around `payload` (enciphered with the session cipher
    // when `encipher`).
    Bytes Capsule(const Bytes& payload, uint32_t sessionId, bool encipher);
    // An inner request.
    static Bytes Inner(uint32_t sequence, uint32_t function, const Bytes& input, uint32_t answerCapacity);
    uint32_t Sequence();

private:
    MiscCommon::CMiscCommon _channel;
    MiscCommon::IMiscDevice* _device;
};

// UTF-16LE with the terminator.
Bytes Utf16(const std::wstring& text);
Bytes RegWriteRecord(const std::wstring& path, const std::wstring& name, uint32_t value);
Bytes RegQueryRecord(const std::wstring& path, const std::wstring& name, uint32_t answerCapacity);
Bytes FeatureQueryPacket();

} // namespace MiscDriverTest
