#include "FuzzSession.h"

#include <stdlib.h>
#include <string.h>

#include "HmacSha1.h"
#include "MiscWire.h"
#include "PowMod.h"
#include "Sha1.h"

namespace FuzzSupport {

namespace {

using MiscWire::LoadLe32;
using MiscWire::StoreLe32;

constexpr uint32_t kWords = MiscDriver::kModulusWords;
constexpr size_t kPublic = MiscDriver::kPublicBytes;

void ToWords(uint32_t* words, const uint8_t* bytes, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        words[i] = LoadLe32(bytes + 4 * i);
}

void ToBytes(uint8_t* bytes, const uint32_t* words, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        StoreLe32(bytes + 4 * i, words[i]);
}

bool Call(MiscDriver::CMiscDriverCore& core, uintptr_t owner, const uint8_t* input, uint32_t inputLength,
          uint8_t* output, uint32_t outputCapacity, uint32_t expected)
{
    uint32_t returned = 0;
    return core.Dispatch(owner, MiscDriver::kIoctlSession, input, inputLength, output, outputCapacity, &returned) ==
               MiscDriver::kStatusSuccess &&
           returned == expected;
}

} // namespace

void Check(bool condition)
{
    if (!condition)
        abort();
}

uint8_t* Exact(size_t size)
{
    return static_cast<uint8_t*>(malloc(size == 0 ? 1 : size));
}

const BlowfishContext* AnswerCipher()
{
    static const BlowfishContext* cipher = [] {
        static BlowfishContext context;
        BlowfishInitialize(&context, kAnswerKey, sizeof(kAnswerKey));
        return &context;
    }();
    return cipher;
}

uint32_t NextRandom(void* context)
{
    uint32_t* state = static_cast<uint32_t*>(context);
    uint32_t x = *state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    *state = x;
    return x;
}

bool Handshake(MiscDriver::CMiscDriverCore& core, uintptr_t owner, uint32_t* random, ClientSession* session)
{
    uint32_t exponent[MiscDriver::kExponentWords] = {NextRandom(random), NextRandom(random), NextRandom(random), 0};
    uint8_t hello[160] = {};
    memcpy(hello, "Ini1", 4);
    uint32_t clientPublic[kWords] = {};
    if (!pow2mod(clientPublic, kWords, exponent, 4, MiscDriver::kGroupModulus, kWords))
        return false;
    ToBytes(hello + 4, clientPublic, kWords);
    for (size_t i = 0; i < 5; ++i)
        StoreLe32(hello + 136 + 4 * i, NextRandom(random));
    uint8_t answer1[160] = {};
    if (!Call(core, owner, hello, sizeof(hello), answer1, sizeof(answer1), 160))
        return false;
    session->Id = LoadLe32(answer1);

    Sha1Context scratch;
    uint8_t nonces[48];
    memcpy(nonces, hello + 136, 24);
    memcpy(nonces + 24, answer1 + 136, 24);
    uint8_t authKey[20];
    HmacSha1(&scratch, MiscDriver::kAuthSecret, MiscDriver::kKeyBytes, nonces, sizeof(nonces), authKey);
    uint8_t data[2 * kPublic];
    memcpy(data, hello + 4, kPublic);
    memcpy(data + kPublic, answer1 + 4, kPublic);
    uint8_t proof[28] = {};
    memcpy(proof, "Ini2", 4);
    StoreLe32(proof + 4, session->Id);
    HmacSha1(&scratch, authKey, sizeof(authKey), data, sizeof(data), proof + 8);
    uint8_t answer2[20] = {};
    if (!Call(core, owner, proof, sizeof(proof), answer2, sizeof(answer2), 20))
        return false;

    uint32_t driverPublic[kWords];
    ToWords(driverPublic, answer1 + 4, kWords);
    uint32_t shared[kWords] = {};
    if (!powmod(shared, kWords, driverPublic, kWords, exponent, 4, MiscDriver::kGroupModulus, kWords))
        return false;
    uint8_t sharedBytes[kPublic];
    ToBytes(sharedBytes, shared, kWords);
    Sha1Initialize(&scratch);
    Sha1Update(&scratch, sharedBytes, sizeof(sharedBytes));
    Sha1Finalize(&scratch);
    uint8_t kek[20];
    Sha1GetDigest(&scratch, kek);

    uint8_t key[16];
    for (size_t i = 0; i < 4; ++i)
        StoreLe32(key + 4 * i, NextRandom(random));
    uint8_t transport[24] = {};
    memcpy(transport, "Ini3", 4);
    StoreLe32(transport + 4, session->Id);
    BlowfishInitialize(&session->Cipher, kek, 16);
    for (size_t block = 0; block < 2; ++block) {
        uint32_t left = LoadLe32(key + 8 * block);
        uint32_t right = LoadLe32(key + 8 * block + 4);
        BlowfishEncipher(&session->Cipher, &left, &right);
        StoreLe32(transport + 8 + 8 * block, left);
        StoreLe32(transport + 12 + 8 * block, right);
    }
    uint8_t answer3[8] = {};
    if (!Call(core, owner, transport, sizeof(transport), answer3, sizeof(answer3), 8))
        return false;
    BlowfishInitialize(&session->Cipher, key, 16);
    uint32_t left = LoadLe32(answer3);
    uint32_t right = LoadLe32(answer3 + 4);
    BlowfishDecipher(&session->Cipher, &left, &right);
    return left == 0x68747541 && right == 0x6373694D;
}

void CipherPayload(const BlowfishContext* cipher, uint8_t* capsule, size_t bytes, bool encipher)
{
    if (bytes < MiscWire::kCapsuleHeaderSize)
        return;
    const uint32_t blocks = MiscWire::CapsuleBlockCount(LoadLe32(capsule + 4), bytes);
    for (uint32_t i = 0; i < blocks; ++i) {
        uint8_t* block = capsule + MiscWire::kCapsuleHeaderSize + 8 * i;
        uint32_t left = LoadLe32(block);
        uint32_t right = LoadLe32(block + 4);
        if (encipher)
            BlowfishEncipher(cipher, &left, &right);
        else
            BlowfishDecipher(cipher, &left, &right);
        StoreLe32(block, left);
        StoreLe32(block + 4, right);
    }
}

Bytes Capsule(const Bytes& payload, uint32_t sessionId, const BlowfishContext* cipher)
{
    const uint32_t length = static_cast<uint32_t>(payload.size());
    const uint32_t size = MiscWire::CapsuleSize(length);
    if (size == 0)
        return Bytes();
    Bytes capsule(size);
    MiscWire::WriteCapsuleFrame(capsule.data(), length, sessionId);
    if (length != 0)
        memcpy(capsule.data() + MiscWire::kCapsuleHeaderSize, payload.data(), length);
    if (cipher != nullptr)
        CipherPayload(cipher, capsule.data(), capsule.size(), true);
    return capsule;
}

CSessionHarness::CSessionHarness()
    : _core(nullptr), _snapshot(nullptr), _random(0x1F2E3D4Cu), _randomSnapshot(0), _ready(false)
{
    _core = new MiscDriver::CMiscDriverCore();
    _snapshot = new uint8_t[sizeof(MiscDriver::CMiscDriverCore)];
    _core->Initialize(&NextRandom, &_random, _registry.Backend());
    uint32_t clientRandom = 0xC0FFEE11u;
    _ready = Handshake(*_core, kOwner, &clientRandom, &_session);
    // The core holds no pointers that a byte copy would break: its random
    // context and backend live in this object, which does not move.
    memcpy(_snapshot, static_cast<const void*>(_core), sizeof(MiscDriver::CMiscDriverCore));
    _randomSnapshot = _random;
    FillRegistry();
}

CSessionHarness::~CSessionHarness()
{
    delete _core;
    delete[] _snapshot;
}

void CSessionHarness::FillRegistry()
{
    _registry.SetDword(u"SOFTWARE\\Norvane\\brindle", u"GpsOption", 1);
    _registry.SetString(u"SOFTWARE\\Norvane\\brindle", u"Port", u"COM7");
    _registry.SetValue(u"SOFTWARE\\Norvane\\brindle", u"", 3, Bytes(300, 0xAB));
}

void CSessionHarness::Restore()
{
    memcpy(static_cast<void*>(_core), _snapshot, sizeof(MiscDriver::CMiscDriverCore));
    _random = _randomSnapshot;
    for (uint32_t i = 0; i < MiscDriver::kFaultCount; ++i)
        _registry.RemoveFault(static_cast<MiscDriver::MiscDriverFault>(i));
    _registry.RegistryFailure = MiscDriver::kStatusSuccess;
    _registry.ClearValues();
    FillRegistry();
}

Bytes Utf16(const char16_t* text)
{
    Bytes bytes;
    for (; *text != u'\0'; ++text) {
        bytes.push_back(static_cast<uint8_t>(*text));
        bytes.push_back(static_cast<uint8_t>(*text >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

Bytes Inner(uint32_t sequence, uint32_t function, const Bytes& input, uint32_t answerCapacity)
{
    Bytes inner(input.size() + MiscWire::kInnerOverhead);
    MiscWire::WriteInnerRequest(inner.data(), sequence, function, input.empty() ? nullptr : input.data(),
                                static_cast<uint32_t>(input.size()), answerCapacity);
    return inner;
}

Bytes RegWrite(const char16_t* path, const char16_t* name, uint32_t value)
{
    const Bytes p = Utf16(path);
    const Bytes n = Utf16(name);
    Bytes record(MiscWire::RegWriteRecordSize(static_cast<uint32_t>(p.size()), static_cast<uint32_t>(n.size())));
    MiscWire::WriteRegWriteRecord(record.data(), p.data(), static_cast<uint32_t>(p.size()), n.data(),
                                  static_cast<uint32_t>(n.size()), value);
    return record;
}

Bytes RegQuery(const char16_t* path, const char16_t* name, uint32_t answerCapacity)
{
    const Bytes p = Utf16(path);
    const Bytes n = Utf16(name);
    Bytes record(MiscWire::RegQueryRecordSize(static_cast<uint32_t>(p.size()), static_cast<uint32_t>(n.size())));
    MiscWire::WriteRegQueryRecord(record.data(), p.data(), static_cast<uint32_t>(p.size()), n.data(),
                                  static_cast<uint32_t>(n.size()), answerCapacity);
    return record;
}

Bytes FeatureQuery()
{
    Bytes packet(MiscWire::kFeaturePacketSize);
    MiscWire::WriteFeatureQuery(packet.data());
    return packet;
}

} // namespace FuzzSupport
