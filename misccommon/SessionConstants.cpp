#include "SessionConstants.h"

#include "ByteOrder.h"

namespace MiscCommon {

// RFC 2409's second Oakley group (MODP 1024), least significant word first.
// The driver holds its own copy; the two must stay equal.
const uint32_t kSessionModulus[kModulusWords] = {
    0xFFFFFFFF, 0xFFFFFFFF, 0xECE65381, 0x49286651, 0x7C4B1FE6, 0xAE9F2411, 0x5A899FA5, 0xEE386BFB, 0xF406B7ED,
    0x0BFF5CB6, 0xA637ED6B, 0xF44C42E9, 0x625E7EC6, 0xE485B576, 0x6D51C245, 0x4FE1356D, 0xF25F1437, 0x302B0A6D,
    0xCD3A431B, 0xEF9519B3, 0x8E3404DD, 0x514A0879, 0x3B139B22, 0x020BBEA6, 0x8A67CC74, 0x29024E08, 0x80DC1CD1,
    0xC4C6628B, 0x2168C234, 0xC90FDAA2, 0xFFFFFFFF, 0xFFFFFFFF, 0x00000000,
};

void BuildAuthSecretTable(uint8_t table[kAuthSecretTableBytes])
{
    // Written from immediates, so the secret never sits as one block in the
    // image's data; only bytes 23-38 matter, the rest is filler.
    using Crypto::StoreLe32;
    StoreLe32(table + 0, 0x67BA73C3);
    StoreLe32(table + 4, 0xC52BBA1E);
    StoreLe32(table + 8, 0x784C6421);
    StoreLe32(table + 12, 0x23D9BA09);
    StoreLe32(table + 16, 0xDED97022);
    StoreLe32(table + 20, 0xEAA432E9);
    StoreLe32(table + 24, 0xFC5ACD27);
    StoreLe32(table + 28, 0x0CE5C5E0);
    StoreLe32(table + 32, 0x028AD551);
    StoreLe32(table + 36, 0xBBCCBDF2);
    StoreLe32(table + 40, 0x686F9AAA);
    StoreLe32(table + 44, 0x131E7FDD);
    StoreLe32(table + 48, 0xBA790CFD);
    StoreLe32(table + 52, 0x681504B4);
    StoreLe32(table + 56, 0x9F70E70E);
    StoreLe32(table + 60, 0x6F15A2E6);
    StoreLe32(table + 64, 0x155CBD3B);
    StoreLe32(table + 68, 0x8B3A6687);
    StoreLe32(table + 72, 0xF0E166B2);
    StoreLe32(table + 76, 0x94D710E9);
    StoreLe32(table + 80, 0x89726C96);
    StoreLe32(table + 84, 0x10F08E14);
    StoreLe32(table + 88, 0x835E5583);
    StoreLe32(table + 92, 0x80762895);
    StoreLe32(table + 96, 0x42AB5543);
    StoreLe32(table + 100, 0x7A55D3D2);
    StoreLe32(table + 104, 0x364E5A19);
    StoreLe32(table + 108, 0x04A27001);
    StoreLe32(table + 112, 0x3B9E0220);
    StoreLe32(table + 116, 0x38BC704B);
    StoreLe32(table + 120, 0x38565868);
    StoreLe32(table + 124, 0x72B45917);
}

} // namespace MiscCommon
