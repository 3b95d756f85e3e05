#pragma once
// A scriptable misc driver for the channel's tests. By default every request
// goes to the stand-in driver core in-process, which serves capsules from an
// in-memory registry (Registry), so a full handshake and every registry
// request succeed; scripts bend single steps (failing calls, answer sizes,
// changed bytes), and every request is recorded.

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "MemoryBackend.h"
#include "MiscDriverCore.h"
#include "misccommon/MiscDevice.h"

namespace MiscCommon {

enum class RequestKind { Probe, Phase1, Phase2, Phase3, SessionClose, Capsule, Other };

struct RecordedRequest {
    RequestKind Kind;
    DWORD Code;
    std::vector<uint8_t> Input;
    DWORD OutputSize;
    std::vector<uint8_t> Answer; // the bytes the caller received
};

struct StepScript {
    bool Fail = false; // the call fails with Error and no bytes
    DWORD Error = 0;
    int ReportedBytes = -1;         // bytes reported instead of the real count
    int FlipAnswerByte = -1;        // answer byte XORed with 0x01
    bool StaleNotSupported = false; // a successful call leaves ERROR_NOT_SUPPORTED
    // Phase 3 only: the answer becomes these 8 bytes enciphered with the
    // session key the core holds.
    bool ReplaceConfirmation = false;
    std::array<uint8_t, 8> Confirmation{};
};

class CFakeMiscDevice : public IMiscDevice {
public:
    // The driver's side when not the core: gets the request, fills the
    // answer, returns the call's result (setting the error itself).
    using Responder =
        std::function<BOOL(const RecordedRequest& request, uint8_t* output, DWORD outputSize, DWORD* bytesReturned)>;

    explicit CFakeMiscDevice(uint32_t randomSeed = 0x1234567u);
    ~CFakeMiscDevice() override;

    MiscFindResult FindFirstInterface(wchar_t* versionText, DWORD versionBytes) override;
    HANDLE OpenFoundInterface() override;
    BOOL Control(HANDLE device, DWORD code, const void* input, DWORD inputSize, void* output, DWORD outputSize,
                 DWORD* bytesReturned) override;
    void Close(HANDLE device) override;

    // Lookup script.
    MiscFindResult FindFailure = kFindOk;
    DWORD FindError = 0;
    std::wstring VersionText = L"1.0.8.0";
    bool OpenFails = false;
    DWORD OpenError = 0;

    // What the core serves registry requests from, and its faults.
    MiscDriver::CMemoryBackend Registry;

    // Request script.
    bool RefuseSessions = false;
    std::map<RequestKind, StepScript> Scripts;
    Responder Respond; // replaces the core when set

    // What happened.
    int FindCalls = 0;
    int VersionReads = 0;
    DWORD LastVersionBytes = 0;
    int OpenCalls = 0;
    int CloseCalls = 0;
    std::vector<RecordedRequest> Requests;

    HANDLE Handle() const;
    MiscDriver::CMiscDriverCore& Core() { return *_core; }
    std::vector<const RecordedRequest*> RequestsOf(RequestKind kind) const;

    static RequestKind Classify(DWORD code, const uint8_t* input, DWORD inputSize);

private:
    static uint32_t NextRandom(void* context);

    std::unique_ptr<MiscDriver::CMiscDriverCore> _core;
    uint32_t _randomState;
    bool _found = false;
    bool _open = false;
};

} // namespace MiscCommon
