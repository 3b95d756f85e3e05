#include "FakeMiscDevice.h"

#include <cstring>

#include "ByteOrder.h"

namespace MiscCommon {

namespace {

const HANDLE kFakeHandle = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x4D150));

// As the I/O manager reports the kernel stand-in's answers to user mode.
DWORD ErrorOf(MiscDriver::MiscDriverStatus status, uint32_t injectedStatus)
{
    if (status != MiscDriver::kStatusInjectedFailure)
        return MiscDriver::MiscDriverWin32Error(status);
    using NtStatusToDosError = ULONG(WINAPI*)(LONG);
    const auto convert = reinterpret_cast<NtStatusToDosError>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlNtStatusToDosError")));
    return convert != nullptr ? convert(static_cast<LONG>(injectedStatus)) : static_cast<DWORD>(ERROR_GEN_FAILURE);
}

} // namespace

CFakeMiscDevice::CFakeMiscDevice(uint32_t randomSeed)
    : _core(new MiscDriver::CMiscDriverCore()), _randomState(randomSeed | 1u)
{
    _core->Initialize(&CFakeMiscDevice::NextRandom, this, Registry.Backend());
}

CFakeMiscDevice::~CFakeMiscDevice()
{
    _core->Shutdown();
}

uint32_t CFakeMiscDevice::NextRandom(void* context)
{
    // xorshift32: repeatable runs, and the words differ enough for keys.
    auto* self = static_cast<CFakeMiscDevice*>(context);
    uint32_t x = self->_randomState;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    self->_randomState = x;
    return x;
}

HANDLE CFakeMiscDevice::Handle() const
{
    return kFakeHandle;
}

RequestKind CFakeMiscDevice::Classify(DWORD code, const uint8_t* input, DWORD inputSize)
{
    if (code == 0x222004)
        return RequestKind::SessionClose;
    if (code == 0x222008)
        return RequestKind::Capsule;
    if (code != 0x222000)
        return RequestKind::Other;
    if (inputSize == 0)
        return RequestKind::Probe;
    if (inputSize >= 4 && std::memcmp(input, "Ini1", 4) == 0)
        return RequestKind::Phase1;
    if (inputSize >= 4 && std::memcmp(input, "Ini2", 4) == 0)
        return RequestKind::Phase2;
    if (inputSize >= 4 && std::memcmp(input, "Ini3", 4) == 0)
        return RequestKind::Phase3;
    return RequestKind::Other;
}

std::vector<const RecordedRequest*> CFakeMiscDevice::RequestsOf(RequestKind kind) const
{
    std::vector<const RecordedRequest*> found;
    for (const RecordedRequest& request : Requests) {
        if (request.Kind == kind)
            found.push_back(&request);
    }
    return found;
}

MiscFindResult CFakeMiscDevice::FindFirstInterface(wchar_t* versionText, DWORD versionBytes)
{
    ++FindCalls;
    _found = false;
    const bool failsOnVersionStep = FindFailure == kFindDriverKey || FindFailure == kFindDriverVersion;
    if (FindFailure != kFindOk && (!failsOnVersionStep || versionText != nullptr)) {
        SetLastError(FindError);
        return FindFailure;
    }
    if (versionText != nullptr) {
        ++VersionReads;
        LastVersionBytes = versionBytes;
        // As RegQueryValueEx: the text and its terminator must fit the byte
        // count, or nothing is read and the error is ERROR_MORE_DATA.
        const size_t bytes = (VersionText.size() + 1) * sizeof(wchar_t);
        if (bytes > versionBytes) {
            SetLastError(ERROR_MORE_DATA);
            return kFindDriverVersion;
        }
        std::memcpy(versionText, VersionText.c_str(), bytes);
    }
    _found = true;
    return kFindOk;
}

HANDLE CFakeMiscDevice::OpenFoundInterface()
{
    ++OpenCalls;
    const bool found = _found;
    _found = false;
    if (!found) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return INVALID_HANDLE_VALUE;
    }
    if (OpenFails) {
        SetLastError(OpenError);
        return INVALID_HANDLE_VALUE;
    }
    _open = true;
    return kFakeHandle;
}

void CFakeMiscDevice::Close(HANDLE device)
{
    ++CloseCalls;
    if (device == kFakeHandle && _open) {
        _open = false;
        _core->ReleaseOwner(reinterpret_cast<uintptr_t>(kFakeHandle));
    }
}

BOOL CFakeMiscDevice::Control(HANDLE device, DWORD code, const void* input, DWORD inputSize, void* output,
                              DWORD outputSize, DWORD* bytesReturned)
{
    const auto* in = static_cast<const uint8_t*>(input);
    auto* out = static_cast<uint8_t*>(output);
    RecordedRequest request;
    request.Kind = Classify(code, in, inputSize);
    request.Code = code;
    if (in != nullptr)
        request.Input.assign(in, in + inputSize);
    request.OutputSize = outputSize;
    Requests.push_back(request);
    RecordedRequest& recorded = Requests.back();

    if (bytesReturned != nullptr)
        *bytesReturned = 0;
    if (device != kFakeHandle || !_open) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (RefuseSessions && code == 0x222000) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    const StepScript script = Scripts.count(request.Kind) != 0 ? Scripts[request.Kind] : StepScript();
    if (script.Fail) {
        SetLastError(script.Error);
        return FALSE;
    }

    BOOL result = FALSE;
    DWORD count = 0;
    if (Respond) {
        result = Respond(recorded, out, outputSize, &count);
    } else {
        // As the I/O manager does for METHOD_BUFFERED: one system buffer
        // holds the input and receives the answer.
        std::vector<uint8_t> system(inputSize > outputSize ? inputSize : outputSize);
        uint8_t* buffer = system.empty() ? nullptr : system.data();
        if (inputSize != 0)
            std::memcpy(buffer, in, inputSize);
        uint32_t returned = 0;
        const MiscDriver::MiscDriverStatus status =
            _core->Dispatch(reinterpret_cast<uintptr_t>(kFakeHandle), code, buffer, inputSize,
                            outputSize != 0 ? buffer : nullptr, outputSize, &returned);
        if (!MiscDriver::MiscDriverReturnsData(status))
            returned = 0;
        if (out != nullptr && returned != 0)
            std::memcpy(out, buffer, returned < outputSize ? returned : outputSize);
        count = returned;
        result = status == MiscDriver::kStatusSuccess;
        SetLastError(ErrorOf(status, _core->InjectedStatus()));
    }

    if (result && script.ReplaceConfirmation && inputSize >= 8 && out != nullptr) {
        const BlowfishContext* cipher =
            _core->SessionCipher(Crypto::LoadLe32(in + 4), reinterpret_cast<uintptr_t>(kFakeHandle));
        if (cipher != nullptr) {
            uint32_t left = Crypto::LoadLe32(script.Confirmation.data());
            uint32_t right = Crypto::LoadLe32(script.Confirmation.data() + 4);
            BlowfishEncipher(cipher, &left, &right);
            Crypto::StoreLe32(out, left);
            Crypto::StoreLe32(out + 4, right);
        }
    }
    if (result && script.FlipAnswerByte >= 0 && out != nullptr &&
        static_cast<DWORD>(script.FlipAnswerByte) < outputSize)
        out[script.FlipAnswerByte] ^= 0x01;
    if (script.ReportedBytes >= 0)
        count = static_cast<DWORD>(script.ReportedBytes);
    if (out != nullptr)
        recorded.Answer.assign(out, out + (count < outputSize ? count : outputSize));
    if (bytesReturned != nullptr)
        *bytesReturned = count;
    if (script.StaleNotSupported)
        SetLastError(ERROR_NOT_SUPPORTED);
    return result;
}

} // namespace MiscCommon
