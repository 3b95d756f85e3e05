// The session handshake: ephemeral Diffie-Hellman over the shared group, proofs
// of the shared secret with HMAC-SHA1, and the session key sent under a key
// derived from the Diffie-Hellman value.

#include "misccommon/MiscCommon.h"

#include <string.h>

#include "ByteOrder.h"
#include "HdRand.h"
#include "HmacSha1.h"
#include "PowMod.h"
#include "common/SecureWipe.h"
#include "Sha1.h"
#include "misccommon/ControlCodes.h"
#include "misccommon/HandshakeAnswers.h"
#include "common/win/HeapBlock.h"
#include "misccommon/SessionConstants.h"

namespace MiscCommon {

namespace {

const wchar_t kHdrandInitFailed[] = L"MiscCommon::CMiscCommon::_Initialize: hdrand_init failed";
const wchar_t kHdrandTestFailed[] =
    L"MiscCommon::CMiscCommon::_Initialize: hdrand_test failed 16 times";
const wchar_t kPow2modFailed[] = L"MiscCommon::CMiscCommon::_Initialize: pow2mod failed.";
const wchar_t kPhase1Failed[] = L"MiscCommon::CMiscCommon::_Initialize: DeviceIoControl failed.";
const wchar_t kPhase2HeapFailed[] =
    L"MiscCommon::CMiscCommon::_Initialize: HeapAlloc (phase2) failed.";
const wchar_t kPhase2Failed[] =
    L"MiscCommon::CMiscCommon::_Initialize: DeviceIoControl (phase2) failed.";
const wchar_t kAuthenticationFailed[] =
    L"MiscCommon::CMiscCommon::_Initialize: Driver Authentication Failed.";
const wchar_t kKekFailed[] =
    L"MiscCommon::CMiscCommon::_Initialize: Key Encryption Key calculation failed.";
const wchar_t kPhase3HeapFailed[] =
    L"MiscCommon::CMiscCommon::_Initialize: HeapAlloc (phase3) failed.";
const wchar_t kFirstKeyFailed[] =
    L"MiscCommon::CMiscCommon::_Initialize: BlowfishInitialize (1st time) failed.";
const wchar_t kEncipherFailed[] =
    L"MiscCommon::CMiscCommon::_Initialize: BlowfishEncipher failed.";
const wchar_t kPhase3Failed[] =
    L"MiscCommon::CMiscCommon::_Initialize: DeviceIoControl (phase3) failed.";
const wchar_t kSecondKeyFailed[] =
    L"MiscCommon::CMiscCommon::_Initialize: BlowfishInitialize (2nd time) failed.";
const wchar_t kDecipherFailed[] =
    L"MiscCommon::CMiscCommon::_Initialize: BlowfishDecipher failed.";

constexpr int kHdrandTestTries = 16;
constexpr size_t kProofDataBytes = 2 * kPublicValueBytes;

// Everything secret the handshake holds on the stack, wiped on every exit.
struct HandshakeSecrets {
    uint32_t Exponent[kExponentWords];
    uint32_t Shared[kModulusWords];
    uint8_t SecretTable[kAuthSecretTableBytes];
    uint8_t AuthKey[kSha1DigestSize];
    uint8_t ExpectedProof[kProofBytes];
    uint8_t Kek[kSha1DigestSize];
    uint8_t SessionKey[kSessionKeyBytes];
    Sha1Context Hash;

    HandshakeSecrets() { memset(this, 0, sizeof(*this)); }
    ~HandshakeSecrets() { SecureWipe(this, sizeof(*this)); }
    HandshakeSecrets(const HandshakeSecrets&) = delete;
    HandshakeSecrets& operator=(const HandshakeSecrets&) = delete;
};

void StoreWords(uint8_t* bytes, const uint32_t* words, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        Crypto::StoreLe32(bytes + 4 * i, words[i]);
}


bool CipherBlocks(const BlowfishContext* context, uint8_t* bytes, size_t blocks, bool encipher)
{
    for (size_t i = 0; i < blocks; ++i) {
        uint8_t* block = bytes + 8 * i;
        uint32_t left = Crypto::LoadLe32(block);
        uint32_t right = Crypto::LoadLe32(block + 4);
        const bool done = encipher ? BlowfishEncipher(context, &left, &right)
                                   : BlowfishDecipher(context, &left, &right);
        if (!done)
            return false;
        Crypto::StoreLe32(block, left);
        Crypto::StoreLe32(block + 4, right);
    }
    return true;
}

// A successful call with the wrong answer size left no error of its own;
// the caller must not read success from GetLastError().
DWORD CallError(BOOL succeeded)
{
    return succeeded ? static_cast<DWORD>(ERROR_INVALID_DATA) : GetLastError();
}

} // namespace

DWORD CMiscCommon::FailInitialize(const wchar_t* text, DWORD result, DWORD error, bool endSession,
                                  DWORD sessionId)
{
    SetLastErrorText(text);
    if (endSession)
        EndSession(sessionId);
    SetLastError(error);
    return result;
}

DWORD CMiscCommon::_Initialize()
{
    if (!IsDriverVersionSupported())
        return 10;

    // Only a refusal counts: a call that succeeded may leave any stale error
    // behind, and reading that as "no sessions" would send everything in clear.
    DWORD returned = 0;
    if (!_pDevice->Control(_hDevice, IOCTL_MISC_SESSION, nullptr, 0, nullptr, 0, &returned) &&
        GetLastError() == ERROR_NOT_SUPPORTED) {
        _bSecureSession = FALSE;
        return 0;
    }

    if (!hdrand_init())
        return FailInitialize(kHdrandInitFailed, 2, GetLastError(), false, 0);
    int tries = 0;
    while (hdrand_test() == -1) {
        if (++tries == kHdrandTestTries)
            return FailInitialize(kHdrandTestFailed, 2, GetLastError(), false, 0);
    }

    HandshakeSecrets secrets;
    uint8_t request1[kPhase1RequestBytes] = {};
    uint8_t answer1[kPhase1AnswerBytes] = {};

    memcpy(request1, kMagicIni1, sizeof(kMagicIni1));
    for (uint32_t i = 0; i < kRandomExponentWords; ++i)
        secrets.Exponent[i] = hdrand_next();
    for (size_t i = 0; i < kNonceBytes / 4; ++i)
        Crypto::StoreLe32(request1 + kPhase1NonceOffset + 4 * i, hdrand_next());

    uint32_t clientPublic[kModulusWords] = {};
    if (!pow2mod(clientPublic, kModulusWords, secrets.Exponent, kExponentWords, kSessionModulus,
                 kModulusWords))
        return FailInitialize(kPow2modFailed, 2, GetLastError(), false, 0);
    StoreWords(request1 + kPhase1PublicOffset, clientPublic, kModulusWords);

    BOOL called = _pDevice->Control(_hDevice, IOCTL_MISC_SESSION, request1, sizeof(request1),
                                    answer1, sizeof(answer1), &returned);
    Phase1Answer phase1;
    if (!called || ReadPhase1Answer(answer1, returned, &phase1) != kHandshakeAccepted)
        return FailInitialize(kPhase1Failed, 2, CallError(called), false, 0);
    const DWORD sessionId = phase1.sessionId;

    // Phase 2: both proofs come from the authentication key A, which binds
    // the shared secret to this exchange's nonces.
    CHeapBlock scratch(kProofDataBytes);
    if (scratch.Get() == nullptr)
        return FailInitialize(kPhase2HeapFailed, 5, GetLastError(), true, sessionId);
    uint8_t* data = static_cast<uint8_t*>(scratch.Get());
    const uint8_t* yc = request1 + kPhase1PublicOffset;
    const uint8_t* yd = phase1.driverPublic;

    BuildAuthSecretTable(secrets.SecretTable);
    memcpy(data, request1 + kPhase1NonceOffset, kPhase1NonceAreaBytes);
    memcpy(data + kPhase1NonceAreaBytes, phase1.nonceArea, kPhase1NonceAreaBytes);
    HmacSha1(&secrets.Hash, secrets.SecretTable + kAuthSecretOffset, kAuthSecretBytes, data,
             2 * kPhase1NonceAreaBytes, secrets.AuthKey);
    SecureWipe(secrets.SecretTable, sizeof(secrets.SecretTable));

    uint8_t request2[kPhase2RequestBytes] = {};
    memcpy(request2, kMagicIni2, sizeof(kMagicIni2));
    Crypto::StoreLe32(request2 + kPhaseSessionIdOffset, sessionId);

    memcpy(data, yd, kPublicValueBytes);
    memcpy(data + kPublicValueBytes, yc, kPublicValueBytes);
    HmacSha1(&secrets.Hash, secrets.AuthKey, sizeof(secrets.AuthKey), data, kProofDataBytes,
             secrets.ExpectedProof);
    memcpy(data, yc, kPublicValueBytes);
    memcpy(data + kPublicValueBytes, yd, kPublicValueBytes);
    HmacSha1(&secrets.Hash, secrets.AuthKey, sizeof(secrets.AuthKey), data, kProofDataBytes,
             request2 + kPhase2ProofOffset);
    scratch.Reset();

    uint8_t answer2[kPhase2AnswerBytes] = {};
    called = _pDevice->Control(_hDevice, IOCTL_MISC_SESSION, request2, sizeof(request2), answer2,
                               sizeof(answer2), &returned);
    if (!called)
        return FailInitialize(kPhase2Failed, 2, CallError(called), true, sessionId);
    switch (CheckProofAnswer(answer2, returned, secrets.ExpectedProof)) {
    case kHandshakeAccepted:
        break;
    case kHandshakeWrongSize:
        return FailInitialize(kPhase2Failed, 2, CallError(called), true, sessionId);
    case kHandshakeRefused:
        return FailInitialize(kAuthenticationFailed, 6, ERROR_ACCESS_DENIED, true, sessionId);
    }

    // Phase 3: Z = Yd^x, KEK = the first 16 bytes of SHA-1(Z).
    if (!DeriveKeyEncryptionKey(yd, secrets.Exponent, secrets.Shared, &secrets.Hash, secrets.Kek))
        return FailInitialize(kKekFailed, 6, GetLastError(), true, sessionId);
    SecureWipe(&secrets.Hash, sizeof(secrets.Hash));

    CHeapBlock cipher(sizeof(BlowfishContext));
    if (cipher.Get() == nullptr)
        return FailInitialize(kPhase3HeapFailed, 5, GetLastError(), true, sessionId);
    BlowfishContext* context = static_cast<BlowfishContext*>(cipher.Get());
    if (!BlowfishInitialize(context, secrets.Kek, kSessionKeyBytes))
        return FailInitialize(kFirstKeyFailed, 2, GetLastError(), true, sessionId);

    for (size_t i = 0; i < kSessionKeyBytes / 4; ++i)
        Crypto::StoreLe32(secrets.SessionKey + 4 * i, hdrand_next());
    uint8_t request3[kPhase3RequestBytes] = {};
    memcpy(request3, kMagicIni3, sizeof(kMagicIni3));
    Crypto::StoreLe32(request3 + kPhaseSessionIdOffset, sessionId);
    memcpy(request3 + kPhase3KeyOffset, secrets.SessionKey, kSessionKeyBytes);
    const bool enciphered = CipherBlocks(context, request3 + kPhase3KeyOffset,
                                         kSessionKeyBytes / 8, true);
    // The key-encryption context is done with, whatever happened.
    SecureWipe(context, sizeof(BlowfishContext));
    if (!enciphered)
        return FailInitialize(kEncipherFailed, 2, GetLastError(), true, sessionId);

    uint8_t answer3[kPhase3AnswerBytes] = {};
    called = _pDevice->Control(_hDevice, IOCTL_MISC_SESSION, request3, sizeof(request3), answer3,
                               sizeof(answer3), &returned);
    if (!called || returned != kPhase3AnswerBytes)
        return FailInitialize(kPhase3Failed, 2, CallError(called), true, sessionId);

    if (!BlowfishInitialize(context, secrets.SessionKey, kSessionKeyBytes))
        return FailInitialize(kSecondKeyFailed, 2, GetLastError(), true, sessionId);
    if (CheckConfirmationAnswer(context, answer3, returned) != kHandshakeAccepted)
        return FailInitialize(kDecipherFailed, 2, ERROR_ACCESS_DENIED, true, sessionId);

    // A session taken over a previous one must not leak that one's context.
    if (_pBlowfish != nullptr)
        CHeapBlock::WipeAndFree(_pBlowfish, sizeof(BlowfishContext));
    _pBlowfish = static_cast<BlowfishContext*>(cipher.Release());
    _dwSessionId = sessionId;
    _dwSequence = 0;
    return 0;
}

} // namespace MiscCommon
