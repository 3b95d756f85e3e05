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
const wchar_t kHdrandTestFailed[] = L"MiscCommon::CMiscCommon::_Initialize: hdrand_test failed 16 times";
const wchar_t kPow2modFailed[] = L"MiscCommon::CMiscCommon::_Initialize: pow2mod failed.";
const wchar_t kPhase1Failed[] = L"MiscCommon::CMiscCommon::_Initialize: DeviceIoControl failed.";
const wchar_t kPhase2HeapFailed[] = L"MiscCommon::CMiscCommon::_Initialize: HeapAlloc (phase2) failed.";
const wchar_t kPhase2Failed[] = L"MiscCommon::CMiscCommon::_Initialize: DeviceIoControl (phase2) failed.";
const wchar_t kAuthenticationFailed[] = L"MiscCommon::CMiscCommon::_Initialize: Driver Authentication Failed.";
const wchar_t kKekFailed[] = L"MiscCommon::CMiscCommon::_Initialize: Key Encryption Key calculation failed.";
const wchar_t kPhase3HeapFailed[] = L"MiscCommon::CMiscCommon::_Initialize: HeapAlloc (phase3) failed.";
const wchar_t kFirstKeyFailed[] = L"MiscCommon::CMiscCommon::_Initialize: BlowfishInitialize (1st time) failed.";
const wchar_t kEncipherFailed[] = L"MiscCommon::CMiscCommon::_Initialize: BlowfishEncipher failed.";
const wchar_t kPhase3Failed[] = L"MiscCommon::CMiscCommon::_Initialize: DeviceIoControl (phase3) failed.";
const wchar_t kSecondKeyFailed[] = L"MiscCommon::CMiscCommon::_Initialize: BlowfishInitialize (2nd time) failed.";
const wchar_t kDecipherFailed[] = L"MiscCommon::CMiscCommon::_Initialize: BlowfishDecipher failed.";

constexpr int kHdrandTestTries = 16;
constexpr uint32_t kSessionKeyByteMask = 0x7F7F7F7Fu;
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
        const bool done =
            encipher ? BlowfishEncipher(context, &left, &right) : BlowfishDecipher(context, &left, &right);
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

DWORD CMiscCommon::FailInitialize(const wchar_t* text, DWORD result, DWORD error, bool endSession, DWORD sessionId)
{
    SetLastErrorText(text);
    if (endSession)
        EndSession(sessionId);
    SetLastError(error);
    return result;
}

// Everything one handshake carries from phase to phase.
struct CMiscCommon::Handshake {
    HandshakeSecrets secrets;
    uint8_t request1[kPhase1RequestBytes] = {};
    uint8_t answer1[kPhase1AnswerBytes] = {};
    Phase1Answer phase1 = {}; // points into answer1
    DWORD sessionId = 0;
    // The session-key context, once the driver confirmed the key; its block
    // came from the process heap.
    BlowfishContext* sessionCipher = nullptr;
};

DWORD CMiscCommon::_Initialize()
{
    if (!IsDriverVersionSupported())
        return ChannelResult::kDriverTooOld;

    // Only a refusal counts: a call that succeeded may leave any stale error
    // behind, and reading that as "no sessions" would send everything in clear.
    DWORD returned = 0;
    if (!_pDevice->Control(_hDevice, IOCTL_MISC_SESSION, nullptr, 0, nullptr, 0, &returned) &&
        GetLastError() == ERROR_NOT_SUPPORTED) {
        _bSecureSession = FALSE;
        return ChannelResult::kOk;
    }

    DWORD result = _SeedRandomSource();
    if (result != ChannelResult::kOk)
        return result;
    Handshake handshake;
    result = _HandshakeOffer(handshake);
    if (result == ChannelResult::kOk)
        result = _HandshakeProve(handshake);
    if (result == ChannelResult::kOk)
        result = _HandshakeSendKey(handshake);
    if (result != ChannelResult::kOk)
        return result;

    // A session taken over a previous one must not leak that one's context.
    if (_pBlowfish != nullptr)
        CHeapBlock::WipeAndFree(_pBlowfish, sizeof(BlowfishContext));
    _pBlowfish = handshake.sessionCipher;
    _dwSessionId = handshake.sessionId;
    _dwSequence = 0;
    return ChannelResult::kOk;
}

/*
 * Before: the driver takes sessions. After (kOk): the random source is
 * seeded and has passed its self-test, so every exponent, nonce and key
 * drawn from it below is fresh. No session exists yet.
 */
DWORD CMiscCommon::_SeedRandomSource()
{
    if (!hdrand_init())
        return FailInitialize(kHdrandInitFailed, ChannelResult::kFailed, GetLastError(), false, 0);
    int tries = 0;
    while (hdrand_test() == -1) {
        if (++tries == kHdrandTestTries)
            return FailInitialize(kHdrandTestFailed, ChannelResult::kFailed, GetLastError(), false, 0);
    }
    return ChannelResult::kOk;
}

/*
 * Phase 1 ("Ini1"). Before: the random source is ready; no session.
 * After (kOk): secrets.Exponent holds our secret x, request1 our nonce and
 * public value Yc = 2^x mod p, and phase1 the driver's session id, public
 * value Yd and nonce area, read from an answer of the right size. The
 * driver now holds a session that a later failure must end. On failure
 * no session was opened.
 */
DWORD CMiscCommon::_HandshakeOffer(Handshake& handshake)
{
    HandshakeSecrets& secrets = handshake.secrets;
    memcpy(handshake.request1, kMagicIni1, sizeof(kMagicIni1));
    for (uint32_t i = 0; i < kRandomExponentWords; ++i)
        secrets.Exponent[i] = hdrand_next();
    for (size_t i = 0; i < kNonceBytes / 4; ++i)
        Crypto::StoreLe32(handshake.request1 + kPhase1NonceOffset + 4 * i, hdrand_next());

    uint32_t clientPublic[kModulusWords] = {};
    if (!pow2mod(clientPublic, kModulusWords, secrets.Exponent, kExponentWords, kSessionModulus, kModulusWords))
        return FailInitialize(kPow2modFailed, ChannelResult::kFailed, GetLastError(), false, 0);
    StoreWords(handshake.request1 + kPhase1PublicOffset, clientPublic, kModulusWords);

    DWORD returned = 0;
    const BOOL called = _pDevice->Control(_hDevice, IOCTL_MISC_SESSION, handshake.request1, sizeof(handshake.request1),
                                          handshake.answer1, sizeof(handshake.answer1), &returned);
    if (!called || ReadPhase1Answer(handshake.answer1, returned, &handshake.phase1) != kHandshakeAccepted)
        return FailInitialize(kPhase1Failed, ChannelResult::kFailed, CallError(called), false, 0);
    handshake.sessionId = handshake.phase1.sessionId;
    return ChannelResult::kOk;
}

/*
 * Phase 2 ("Ini2"). Before: phase 1 done; a session is open. After (kOk):
 * both sides have proved knowledge of the shared secret: we sent
 * HMAC(A, Yc|Yd) and the driver answered HMAC(A, Yd|Yc), where the
 * authentication key A binds the secret to this exchange's nonces. The
 * secret table is wiped. On failure the session is ended.
 */
DWORD CMiscCommon::_HandshakeProve(Handshake& handshake)
{
    HandshakeSecrets& secrets = handshake.secrets;
    const DWORD sessionId = handshake.sessionId;
    CHeapBlock scratch(kProofDataBytes);
    if (scratch.Get() == nullptr)
        return FailInitialize(kPhase2HeapFailed, ChannelResult::kNoMemory, GetLastError(), true, sessionId);
    uint8_t* data = static_cast<uint8_t*>(scratch.Get());
    const uint8_t* yc = handshake.request1 + kPhase1PublicOffset;
    const uint8_t* yd = handshake.phase1.driverPublic;

    BuildAuthSecretTable(secrets.SecretTable);
    memcpy(data, handshake.request1 + kPhase1NonceOffset, kPhase1NonceAreaBytes);
    memcpy(data + kPhase1NonceAreaBytes, handshake.phase1.nonceArea, kPhase1NonceAreaBytes);
    HmacSha1(&secrets.Hash, secrets.SecretTable + kAuthSecretOffset, kAuthSecretBytes, data, 2 * kPhase1NonceAreaBytes,
             secrets.AuthKey);
    SecureWipe(secrets.SecretTable, sizeof(secrets.SecretTable));

    uint8_t request2[kPhase2RequestBytes] = {};
    memcpy(request2, kMagicIni2, sizeof(kMagicIni2));
    Crypto::StoreLe32(request2 + kPhaseSessionIdOffset, sessionId);

    memcpy(data, yd, kPublicValueBytes);
    memcpy(data + kPublicValueBytes, yc, kPublicValueBytes);
    HmacSha1(&secrets.Hash, secrets.AuthKey, sizeof(secrets.AuthKey), data, kProofDataBytes, secrets.ExpectedProof);
    memcpy(data, yc, kPublicValueBytes);
    memcpy(data + kPublicValueBytes, yd, kPublicValueBytes);
    HmacSha1(&secrets.Hash, secrets.AuthKey, sizeof(secrets.AuthKey), data, kProofDataBytes,
             request2 + kPhase2ProofOffset);
    scratch.Reset();

    uint8_t answer2[kPhase2AnswerBytes] = {};
    DWORD returned = 0;
    const BOOL called = _pDevice->Control(_hDevice, IOCTL_MISC_SESSION, request2, sizeof(request2), answer2,
                                          sizeof(answer2), &returned);
    if (!called)
        return FailInitialize(kPhase2Failed, ChannelResult::kFailed, CallError(called), true, sessionId);
    switch (CheckProofAnswer(answer2, returned, secrets.ExpectedProof)) {
    case kHandshakeAccepted:
        break;
    case kHandshakeWrongSize:
        return FailInitialize(kPhase2Failed, ChannelResult::kFailed, CallError(called), true, sessionId);
    case kHandshakeRefused:
        return FailInitialize(kAuthenticationFailed, ChannelResult::kRefused, ERROR_ACCESS_DENIED, true, sessionId);
    }
    return ChannelResult::kOk;
}

/*
 * Phase 3 ("Ini3"). Before: both sides are authenticated; the session is
 * open. After (kOk): a fresh session key went to the driver enciphered
 * under KEK = the first 16 bytes of SHA-1(Yd^x), the driver confirmed it,
 * and handshake.sessionCipher holds the session-key context for the
 * channel to adopt.
 * The KEK context is wiped whatever happens. On failure the session is
 * ended.
 */
DWORD CMiscCommon::_HandshakeSendKey(Handshake& handshake)
{
    HandshakeSecrets& secrets = handshake.secrets;
    const DWORD sessionId = handshake.sessionId;
    if (!DeriveKeyEncryptionKey(handshake.phase1.driverPublic, secrets.Exponent, secrets.Shared, &secrets.Hash,
                                secrets.Kek))
        return FailInitialize(kKekFailed, ChannelResult::kRefused, GetLastError(), true, sessionId);
    SecureWipe(&secrets.Hash, sizeof(secrets.Hash));

    CHeapBlock cipher(sizeof(BlowfishContext));
    if (cipher.Get() == nullptr)
        return FailInitialize(kPhase3HeapFailed, ChannelResult::kNoMemory, GetLastError(), true, sessionId);
    BlowfishContext* context = static_cast<BlowfishContext*>(cipher.Get());
    if (!BlowfishInitialize(context, secrets.Kek, kSessionKeyBytes))
        return FailInitialize(kFirstKeyFailed, ChannelResult::kFailed, GetLastError(), true, sessionId);

    // Both key schedules (ours and the driver's) take each key byte
    // sign-extended, so a byte of 0x80 or above would wipe the bytes before
    // it in its word. Bytes below 0x80 all survive: 7 bits each, 112 in all,
    // and the wire stays as it was.
    for (size_t i = 0; i < kSessionKeyBytes / 4; ++i)
        Crypto::StoreLe32(secrets.SessionKey + 4 * i, hdrand_next() & kSessionKeyByteMask);
    uint8_t request3[kPhase3RequestBytes] = {};
    memcpy(request3, kMagicIni3, sizeof(kMagicIni3));
    Crypto::StoreLe32(request3 + kPhaseSessionIdOffset, sessionId);
    memcpy(request3 + kPhase3KeyOffset, secrets.SessionKey, kSessionKeyBytes);
    const bool enciphered = CipherBlocks(context, request3 + kPhase3KeyOffset, kSessionKeyBytes / 8, true);
    // The key-encryption context is done with, whatever happened.
    SecureWipe(context, sizeof(BlowfishContext));
    if (!enciphered)
        return FailInitialize(kEncipherFailed, ChannelResult::kFailed, GetLastError(), true, sessionId);

    uint8_t answer3[kPhase3AnswerBytes] = {};
    DWORD returned = 0;
    const BOOL called = _pDevice->Control(_hDevice, IOCTL_MISC_SESSION, request3, sizeof(request3), answer3,
                                          sizeof(answer3), &returned);
    if (!called || returned != kPhase3AnswerBytes)
        return FailInitialize(kPhase3Failed, ChannelResult::kFailed, CallError(called), true, sessionId);

    if (!BlowfishInitialize(context, secrets.SessionKey, kSessionKeyBytes))
        return FailInitialize(kSecondKeyFailed, ChannelResult::kFailed, GetLastError(), true, sessionId);
    if (CheckConfirmationAnswer(context, answer3, returned) != kHandshakeAccepted)
        return FailInitialize(kDecipherFailed, ChannelResult::kFailed, ERROR_ACCESS_DENIED, true, sessionId);
    handshake.sessionCipher = static_cast<BlowfishContext*>(cipher.Release());
    return ChannelResult::kOk;
}

} // namespace MiscCommon
