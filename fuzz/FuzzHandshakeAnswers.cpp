// The program's handling of the driver's three handshake answers: the first
// answer read and its public value raised to a fixed exponent, the proof
// compared, the confirmation deciphered under a fixed session key.
//
// Input: [phase][answer...]; phase % 3 chooses the answer (0, 1, 2 for the
// first, second and third); bit 0x40 with the first also derives the key. The answer is copied to a buffer of its exact
// size for the sanitizer's sake.

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "Blowfish.h"
#include "ByteOrder.h"
#include "FuzzSession.h"
#include "misccommon/HandshakeAnswers.h"

using FuzzSupport::Check;
using FuzzSupport::Exact;

namespace {

const uint32_t kExponent[MiscCommon::kExponentWords] = {0x9E3779B9, 0x7F4A7C15, 0x2545F491, 0};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const BlowfishContext* cipher = FuzzSupport::AnswerCipher();
    if (size < 1)
        return 0;
    const unsigned phase = data[0] % 3;
    const size_t length = size - 1;
    uint8_t* answer = Exact(length);
    memcpy(answer, data + 1, length);

    switch (phase) {
    case 0: {
        MiscCommon::Phase1Answer read = {};
        const MiscCommon::HandshakeAnswerCheck check = MiscCommon::ReadPhase1Answer(answer, length, &read);
        Check((check == MiscCommon::kHandshakeAccepted) == (length == MiscCommon::kPhase1AnswerBytes));
        if (check == MiscCommon::kHandshakeAccepted) {
            Check(read.sessionId == Crypto::LoadLe32(answer));
            Check(read.driverPublic + MiscCommon::kPublicValueBytes <= answer + length);
            Check(read.nonceArea + MiscCommon::kPhase1NonceAreaBytes <= answer + length);
            // The exponentiation costs far more than everything else here,
            // so only inputs that ask for it pay for it.
            if ((data[0] & 0x40) != 0) {
                uint32_t shared[MiscCommon::kModulusWords];
                Sha1Context hash;
                uint8_t kek[kSha1DigestSize];
                MiscCommon::DeriveKeyEncryptionKey(read.driverPublic, kExponent, shared, &hash, kek);
            }
        }
        break;
    }
    case 1: {
        // The expected proof is the first bytes of the answer itself when
        // the input asks for it, so that acceptance is reached too.
        uint8_t expected[MiscCommon::kProofBytes];
        memset(expected, 0x5A, sizeof(expected));
        if ((data[0] & 0x80) != 0 && length >= sizeof(expected))
            memcpy(expected, answer, sizeof(expected));
        const MiscCommon::HandshakeAnswerCheck check = MiscCommon::CheckProofAnswer(answer, length, expected);
        if (length != MiscCommon::kPhase2AnswerBytes)
            Check(check == MiscCommon::kHandshakeWrongSize);
        else
            Check((check == MiscCommon::kHandshakeAccepted) == (memcmp(answer, expected, sizeof(expected)) == 0));
        break;
    }
    default: {
        const MiscCommon::HandshakeAnswerCheck check = MiscCommon::CheckConfirmationAnswer(cipher, answer, length);
        if (check == MiscCommon::kHandshakeAccepted) {
            Check(length == MiscCommon::kPhase3AnswerBytes);
            uint32_t left = MiscCommon::kAuthMiscLeft;
            uint32_t right = MiscCommon::kAuthMiscRight;
            BlowfishEncipher(cipher, &left, &right);
            Check(left == Crypto::LoadLe32(answer) && right == Crypto::LoadLe32(answer + 4));
        }
        break;
    }
    }
    free(answer);
    return 0;
}
