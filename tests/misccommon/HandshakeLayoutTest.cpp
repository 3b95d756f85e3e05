// The three handshake requests byte by byte, against a driver written here
// from the message tables (offsets and magics as literals), independent of
// the layout constants that the program and the stand-in driver use.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Blowfish.h"
#include "FakeMiscDevice.h"
#include "HmacSha1.h"
#include "MiscCommonTestPeer.h"
#include "PowMod.h"
#include "Sha1.h"
#include "tests/support/HexBytes.h"

namespace MiscCommon {
namespace {

// RFC 2409 second Oakley group, as printed there (most significant first).
const char kModulusHex[] = "FFFFFFFF FFFFFFFF C90FDAA2 2168C234 C4C6628B 80DC1CD1 29024E08 8A67CC74"
                           "020BBEA6 3B139B22 514A0879 8E3404DD EF9519B3 CD3A431B 302B0A6D F25F1437"
                           "4FE1356D 6D51C245 E485B576 625E7EC6 F44C42E9 A637ED6B 0BFF5CB6 F406B7ED"
                           "EE386BFB 5A899FA5 AE9F2411 7C4B1FE6 49286651 ECE65381 FFFFFFFF FFFFFFFF";
const char kSecretHex[] = "ea27cd5afce0c5e50c51d58a02f2bdcc";

uint32_t Le32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void PutLe32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

std::vector<uint32_t> ModulusWords()
{
    const std::vector<uint8_t> be = FromHex(kModulusHex); // 128 bytes
    std::vector<uint32_t> words(33, 0);
    for (size_t i = 0; i < 32; ++i) {
        const uint8_t* p = be.data() + be.size() - 4 * (i + 1);
        words[i] = (static_cast<uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
    }
    return words;
}

std::vector<uint8_t> Hmac(const std::vector<uint8_t>& key, const std::vector<uint8_t>& data)
{
    Sha1Context scratch;
    std::vector<uint8_t> mac(20);
    HmacSha1(&scratch, key.data(), key.size(), data.data(), data.size(), mac.data());
    return mac;
}

std::vector<uint8_t> Concat(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    std::vector<uint8_t> both(a);
    both.insert(both.end(), b.begin(), b.end());
    return both;
}

// The driver's side, from the tables: session id 0xA1B2C3D4, a fixed
// exponent, a fixed nonce and non-zero bytes at answer offset 156.
class TableDriver {
public:
    static constexpr uint32_t kSessionId = 0xA1B2C3D4;

    BOOL Answer(const RecordedRequest& request, uint8_t* out, DWORD outSize, DWORD* returned)
    {
        SetLastError(ERROR_SUCCESS);
        const std::vector<uint8_t>& in = request.Input;
        if (request.Kind == RequestKind::Probe || request.Kind == RequestKind::SessionClose)
            return TRUE;
        if (request.Kind == RequestKind::Phase1 && in.size() == 160 && outSize >= 160) {
            clientPublic.assign(in.begin() + 4, in.begin() + 136);
            std::vector<uint32_t> yd(33, 0);
            pow2mod(yd.data(), 33, kExponent, 4, modulus.data(), 33);
            std::memset(out, 0, 160);
            PutLe32(out, kSessionId);
            for (size_t i = 0; i < 33; ++i)
                PutLe32(out + 4 + 4 * i, yd[i]);
            for (size_t i = 0; i < 20; ++i)
                out[136 + i] = static_cast<uint8_t>(0x40 + i);
            out[156] = 0xDE;
            out[157] = 0xAD;
            out[158] = 0xBE;
            out[159] = 0xEF;
            driverPublic.assign(out + 4, out + 136);
            const std::vector<uint8_t> nonces =
                Concat(std::vector<uint8_t>(in.begin() + 136, in.end()), std::vector<uint8_t>(out + 136, out + 160));
            authKey = Hmac(FromHex(kSecretHex), nonces);
            *returned = 160;
            return TRUE;
        }
        if (request.Kind == RequestKind::Phase2 && outSize >= 20) {
            const std::vector<uint8_t> proof = Hmac(authKey, Concat(driverPublic, clientPublic));
            std::memcpy(out, proof.data(), 20);
            *returned = 20;
            return TRUE;
        }
        if (request.Kind == RequestKind::Phase3 && in.size() == 24 && outSize >= 8) {
            std::vector<uint32_t> yc(33), z(33, 0);
            for (size_t i = 0; i < 33; ++i)
                yc[i] = Le32(clientPublic.data() + 4 * i);
            powmod(z.data(), 33, yc.data(), 33, kExponent, 4, modulus.data(), 33);
            uint8_t zBytes[132];
            for (size_t i = 0; i < 33; ++i)
                PutLe32(zBytes + 4 * i, z[i]);
            Sha1Context hash;
            Sha1Initialize(&hash);
            Sha1Update(&hash, zBytes, sizeof(zBytes));
            Sha1Finalize(&hash);
            uint8_t digest[20];
            Sha1GetDigest(&hash, digest);
            BlowfishContext kek;
            BlowfishInitialize(&kek, digest, 16);
            sessionKey.assign(16, 0);
            for (size_t block = 0; block < 2; ++block) {
                uint32_t left = Le32(in.data() + 8 + 8 * block);
                uint32_t right = Le32(in.data() + 12 + 8 * block);
                BlowfishDecipher(&kek, &left, &right);
                PutLe32(sessionKey.data() + 8 * block, left);
                PutLe32(sessionKey.data() + 8 * block + 4, right);
            }
            BlowfishInitialize(&sessionCipher, sessionKey.data(), 16);
            uint32_t left = Le32(reinterpret_cast<const uint8_t*>("Auth"));
            uint32_t right = Le32(reinterpret_cast<const uint8_t*>("Misc"));
            BlowfishEncipher(&sessionCipher, &left, &right);
            PutLe32(out, left);
            PutLe32(out + 4, right);
            *returned = 8;
            return TRUE;
        }
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }

    static constexpr uint32_t kExponent[4] = {0x0BADF00D, 0x12345678, 0x9ABCDEF0, 0x0FEDCBA9};
    std::vector<uint32_t> modulus = ModulusWords();
    std::vector<uint8_t> clientPublic, driverPublic, authKey, sessionKey;
    BlowfishContext sessionCipher;
};

constexpr uint32_t TableDriver::kExponent[4];

class HandshakeLayoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        device.Respond = [this](const RecordedRequest& request, uint8_t* out, DWORD outSize, DWORD* returned) {
            return driver.Answer(request, out, outSize, returned);
        };
        ASSERT_EQ(0u, channel.OpenDriver());
        ASSERT_EQ(0u, channel._Initialize()) << Narrow(peer.LastErrorText());
        ASSERT_EQ(4u, device.Requests.size());
    }

    const std::vector<uint8_t>& Input(size_t index) const { return device.Requests[index].Input; }

    TableDriver driver;
    CFakeMiscDevice device;
    CMiscCommon channel{&device};
    CMiscCommonTestPeer peer{channel};
};

TEST_F(HandshakeLayoutTest, ProbeIsAnEmptySessionRequest)
{
    EXPECT_EQ(0x222000u, device.Requests[0].Code);
    EXPECT_TRUE(Input(0).empty());
    EXPECT_EQ(0u, device.Requests[0].OutputSize);
}

TEST_F(HandshakeLayoutTest, Phase1Request)
{
    const std::vector<uint8_t>& in = Input(1);
    EXPECT_EQ(0x222000u, device.Requests[1].Code);
    ASSERT_EQ(160u, in.size());
    EXPECT_EQ(160u, device.Requests[1].OutputSize);
    EXPECT_EQ("496e6931", ToHex(in.data(), 4));
    EXPECT_EQ("00000000", ToHex(in.data() + 132, 4)) << "Yc's top word (bytes 132-135)";
    EXPECT_EQ("00000000", ToHex(in.data() + 156, 4)) << "the 4 bytes after Nc";
    EXPECT_NE(std::string(40, '0'), ToHex(in.data() + 136, 20)) << "Nc";
    // Yc itself is checked by the handshake's success: the key-encryption
    // key only matches when Yc is 2^x mod p for the x the program used.
}

TEST_F(HandshakeLayoutTest, Phase2Request)
{
    const std::vector<uint8_t>& in = Input(2);
    EXPECT_EQ(0x222000u, device.Requests[2].Code);
    ASSERT_EQ(28u, in.size());
    EXPECT_EQ(20u, device.Requests[2].OutputSize);
    EXPECT_EQ("496e6932", ToHex(in.data(), 4));
    EXPECT_EQ("d4c3b2a1", ToHex(in.data() + 4, 4)) << "session id, little-endian";
    const std::vector<uint8_t> vc = Hmac(driver.authKey, Concat(driver.clientPublic, driver.driverPublic));
    EXPECT_EQ(ToHex(vc.data(), 20), ToHex(in.data() + 8, 20)) << "Vc = HMAC(A, Yc || Yd)";
}

TEST_F(HandshakeLayoutTest, Phase3RequestCarriesTheSessionKey)
{
    const std::vector<uint8_t>& in = Input(3);
    EXPECT_EQ(0x222000u, device.Requests[3].Code);
    ASSERT_EQ(24u, in.size());
    EXPECT_EQ(8u, device.Requests[3].OutputSize);
    EXPECT_EQ("496e6933", ToHex(in.data(), 4));
    EXPECT_EQ("d4c3b2a1", ToHex(in.data() + 4, 4));

    ASSERT_NE(nullptr, peer.Cipher());
    for (uint32_t seed : {0u, 0x01234567u, 0xFFFFFFFFu}) {
        uint32_t left1 = seed, right1 = ~seed, left2 = seed, right2 = ~seed;
        BlowfishEncipher(&driver.sessionCipher, &left1, &right1);
        BlowfishEncipher(peer.Cipher(), &left2, &right2);
        EXPECT_EQ(left1, left2) << "session key " << ToHex(driver.sessionKey.data(), 16);
        EXPECT_EQ(right1, right2);
    }
    EXPECT_EQ(TableDriver::kSessionId, peer.SessionId());
}

// The key schedule (ours and the driver's) sign-extends each key byte, so a
// byte of 0x80 or above wipes the bytes before it in its word. Over many
// handshakes, the session key as the driver deciphered it must feed the
// schedule with its bytes packed whole, big-endian, four to a word.
TEST(HandshakeSessionKeyTest, TheScheduleTakesEverySessionKeyBitWhole)
{
    for (int round = 0; round < 64; ++round) {
        TableDriver driver;
        CFakeMiscDevice device;
        device.Respond = [&](const RecordedRequest& request, uint8_t* out, DWORD outSize, DWORD* returned) {
            return driver.Answer(request, out, outSize, returned);
        };
        CMiscCommon channel{&device};
        ASSERT_EQ(0u, channel.OpenDriver());
        ASSERT_EQ(0u, channel._Initialize()) << "round " << round;
        const std::vector<uint8_t>& key = driver.sessionKey;
        ASSERT_EQ(16u, key.size());
        uint32_t words[18];
        BlowfishKeyWords(key.data(), key.size(), words);
        for (size_t i = 0; i < 18; ++i) {
            const uint8_t* b = &key[(4 * i) % 16];
            const uint32_t packed = (static_cast<uint32_t>(b[0]) << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
            ASSERT_EQ(packed, words[i]) << "word " << i << " of key " << ToHex(key.data(), 16);
        }
        for (uint8_t byte : key)
            ASSERT_LT(byte, 0x80) << ToHex(key.data(), 16);
    }
}

TEST_F(HandshakeLayoutTest, SessionCloseCarriesTheId)
{
    channel.CloseDriver();
    ASSERT_EQ(5u, device.Requests.size());
    EXPECT_EQ(0x222004u, device.Requests[4].Code);
    EXPECT_EQ("d4c3b2a1", ToHex(Input(4).data(), Input(4).size()));
    EXPECT_EQ(0u, device.Requests[4].OutputSize);
}

} // namespace
} // namespace MiscCommon
