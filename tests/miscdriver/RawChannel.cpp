#include "RawChannel.h"

#include <cstring>

#include "MiscWire.h"
#include "misccommon/ControlCodes.h"
#include "tests/misccommon/MiscCommonTestPeer.h"

namespace MiscDriverTest {

namespace {

void CipherPayload(const BlowfishContext* cipher, uint8_t* capsule, size_t bytes, bool encipher)
{
    const uint32_t blocks = MiscWire::CapsuleBlockCount(MiscWire::LoadLe32(capsule + 4), bytes);
    for (uint32_t i = 0; i < blocks; ++i) {
        uint8_t* block = capsule + MiscWire::kCapsuleHeaderSize + 8 * i;
        uint32_t left = MiscWire::LoadLe32(block);
        uint32_t right = MiscWire::LoadLe32(block + 4);
        if (encipher)
            BlowfishEncipher(cipher, &left, &right);
        else
            BlowfishDecipher(cipher, &left, &right);
        MiscWire::StoreLe32(block, left);
        MiscWire::StoreLe32(block + 4, right);
    }
}

} // namespace

CRawChannel::CRawChannel(MiscCommon::IMiscDevice* device) : _channel(device), _device(device) {}

DWORD CRawChannel::Open()
{
    const DWORD opened = _channel.OpenDriver();
    return opened != 0 ? opened : _channel._Initialize();
}

DWORD CRawChannel::SessionId()
{
    return MiscCommon::CMiscCommonTestPeer(_channel).SessionId();
}

bool CRawChannel::Secure()
{
    return MiscCommon::CMiscCommonTestPeer(_channel).SecureSession() != FALSE;
}

uint32_t CRawChannel::Sequence()
{
    return static_cast<uint32_t>(MiscCommon::CMiscCommonTestPeer(_channel).Sequence());
}

Bytes CRawChannel::Inner(uint32_t sequence, uint32_t function, const Bytes& input, uint32_t answerCapacity)
{
    Bytes inner(input.size() + MiscWire::kInnerOverhead);
    MiscWire::WriteInnerRequest(inner.data(), sequence, function, input.empty() ? nullptr : input.data(),
                                static_cast<uint32_t>(input.size()), answerCapacity);
    return inner;
}

Bytes CRawChannel::Capsule(const Bytes& payload, uint32_t sessionId, bool encipher)
{
    const uint32_t length = static_cast<uint32_t>(payload.size());
    Bytes capsule(MiscWire::CapsuleSize(length));
    MiscWire::WriteCapsuleFrame(capsule.data(), length, sessionId);
    if (!payload.empty())
        std::memcpy(capsule.data() + MiscWire::kCapsuleHeaderSize, payload.data(), length);
    const BlowfishContext* cipher = MiscCommon::CMiscCommonTestPeer(_channel).Cipher();
    if (encipher && cipher != nullptr)
        CipherPayload(cipher, capsule.data(), capsule.size(), true);
    return capsule;
}

Exchange CRawChannel::SendRaw(uint32_t code, const Bytes& request, DWORD outputSize)
{
    MiscCommon::CMiscCommonTestPeer peer(_channel);
    Exchange exchange;
    Bytes output(outputSize);
    DWORD returned = 0;
    exchange.Ok = _device->Control(peer.Device(), code, request.empty() ? nullptr : request.data(),
                                   static_cast<DWORD>(request.size()), output.empty() ? nullptr : output.data(),
                                   outputSize, &returned);
    exchange.Error = exchange.Ok ? ERROR_SUCCESS : GetLastError();
    exchange.Returned = returned;
    exchange.Raw.assign(output.begin(), output.begin() + (returned < outputSize ? returned : outputSize));
    if (code != MiscCommon::IOCTL_MISC_CAPSULE || exchange.Raw.size() < 12)
        return exchange;

    Bytes answer = exchange.Raw;
    if (peer.Cipher() != nullptr)
        CipherPayload(peer.Cipher(), answer.data(), answer.size(), false);
    exchange.PayloadLength = MiscWire::LoadLe32(answer.data());
    exchange.Size = MiscWire::LoadLe32(answer.data() + 4);
    exchange.SessionId = MiscWire::LoadLe32(answer.data() + 8);
    const size_t present = answer.size() - MiscWire::kCapsuleHeaderSize;
    const size_t length = exchange.PayloadLength < present ? exchange.PayloadLength : present;
    exchange.Payload.assign(answer.begin() + MiscWire::kCapsuleHeaderSize,
                            answer.begin() + MiscWire::kCapsuleHeaderSize + length);
    return exchange;
}

Exchange CRawChannel::Send(uint32_t function, const Bytes& input, uint32_t answerCapacity)
{
    MiscCommon::CMiscCommonTestPeer peer(_channel);
    const Bytes inner = Inner(Sequence(), function, input, answerCapacity);
    const Bytes capsule = Capsule(inner, SessionId(), Secure());
    const Exchange exchange = SendRaw(MiscCommon::IOCTL_MISC_CAPSULE, capsule, MiscWire::CapsuleSize(answerCapacity));
    // As the program counts: every exchange that came back with bytes.
    if (exchange.Ok || exchange.Returned != 0)
        peer.SetSequence(peer.Sequence() + 1);
    return exchange;
}

Bytes Utf16(const std::wstring& text)
{
    Bytes bytes;
    for (wchar_t unit : text) {
        bytes.push_back(static_cast<uint8_t>(unit));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

Bytes RegWriteRecord(const std::wstring& path, const std::wstring& name, uint32_t value)
{
    const Bytes pathBytes = Utf16(path);
    const Bytes nameBytes = Utf16(name);
    Bytes record(
        MiscWire::RegWriteRecordSize(static_cast<uint32_t>(pathBytes.size()), static_cast<uint32_t>(nameBytes.size())));
    MiscWire::WriteRegWriteRecord(record.data(), pathBytes.data(), static_cast<uint32_t>(pathBytes.size()),
                                  nameBytes.data(), static_cast<uint32_t>(nameBytes.size()), value);
    return record;
}

Bytes RegQueryRecord(const std::wstring& path, const std::wstring& name, uint32_t answerCapacity)
{
    const Bytes pathBytes = Utf16(path);
    const Bytes nameBytes = Utf16(name);
    Bytes record(
        MiscWire::RegQueryRecordSize(static_cast<uint32_t>(pathBytes.size()), static_cast<uint32_t>(nameBytes.size())));
    MiscWire::WriteRegQueryRecord(record.data(), pathBytes.data(), static_cast<uint32_t>(pathBytes.size()),
                                  nameBytes.data(), static_cast<uint32_t>(nameBytes.size()), answerCapacity);
    return record;
}

Bytes FeatureQueryPacket()
{
    Bytes packet(MiscWire::kFeaturePacketSize);
    MiscWire::WriteFeatureQuery(packet.data());
    return packet;
}

} // namespace MiscDriverTest
