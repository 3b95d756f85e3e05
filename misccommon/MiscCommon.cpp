#include "misccommon/MiscCommon.h"

#include "common/SecureWipe.h"
#include "common/FormatW.h"
#include "misccommon/ControlCodes.h"
#include "misccommon/DriverVersion.h"
#include "common/win/HeapBlock.h"

namespace MiscCommon {

namespace {

// At most 128 characters of "DriverVersion" are read into the 256-character
// buffer; the zero-filled rest keeps the text terminated.
constexpr DWORD kDriverVersionReadBytes = 256;

const wchar_t kClassDevsFailed[] = L"MiscCommon::CMiscCommon::OpenDriver: SetupDiGetClassDevs failed.";
const wchar_t kEnumFailed[] = L"MiscCommon::CMiscCommon::OpenDriver: SetupDiEnumDeviceInterfaces failed.";
const wchar_t kDetailFirstFailed[] =
    L"MiscCommon::CMiscCommon::OpenDriver: SetupDiGetDeviceInterfaceDetail (First time) failed.";
const wchar_t kHeapAllocFailed[] = L"MiscCommon::CMiscCommon::OpenDriver: HeapAlloc failed.";
const wchar_t kDetailSecondFailed[] =
    L"MiscCommon::CMiscCommon::OpenDriver: SetupDiGetDeviceInterfaceDetail (Second time) failed.";
const wchar_t kOpenDevRegKeyFailed[] = L"MiscCommon::CMiscCommon::OpenDriver: SetupDiOpenDevRegKey failed.";
const wchar_t kVersionArrayFailed[] = L"MiscCommon::CMiscCommon::OpenDriver: _szVersion array initialize failed.";
const wchar_t kQueryValueFailed[] = L"MiscCommon::CMiscCommon::OpenDriver: RegQueryValueEx failed.";
const wchar_t kCreateFileFailed[] = L"MiscCommon::CMiscCommon::OpenDriver: CreateFile failed.";

} // namespace

CMiscCommon::CMiscCommon() : CMiscCommon(nullptr) {}

CMiscCommon::CMiscCommon(IMiscDevice* device)
    : _hDevice(INVALID_HANDLE_VALUE),
      _dwSessionId(0),
      _dwSequence(0),
      _pBlowfish(nullptr),
      _bSecureSession(TRUE),
      _dwVersionMajor(0),
      _dwVersionMinor(0),
      _dwVersionBuild(0),
      _dwVersionRevision(0),
      _pDevice(device != nullptr ? device : &_systemDevice)
{
    // Without its buffer the channel still works; it only cannot say why.
    _szLastError.Allocate(kTextChars);
}

CMiscCommon::~CMiscCommon()
{
    CloseDriver();
}

void CMiscCommon::SetLastErrorText(const wchar_t* text)
{
    // Without its buffer the channel still works; it only cannot say why.
    if (_szLastError != nullptr)
        FormatW(_szLastError, kTextChars, L"%s", text);
}

void CMiscCommon::ClearLastErrorText()
{
    if (_szLastError != nullptr)
        _szLastError[0] = L'\0';
}

bool CMiscCommon::IsDriverVersionSupported() const
{
    return MiscCommon::IsDriverVersionSupported(_dwVersionMajor, _dwVersionMinor, _dwVersionBuild);
}

DWORD CMiscCommon::OpenDriver()
{
    // The version is read once per object; a buffer taken here is given back
    // if the lookup fails, so the next attempt reads it again.
    const bool readVersion = _szVersion == nullptr;
    if (readVersion) {
        if (!_szVersion.Allocate(kTextChars)) {
            SetLastErrorText(kVersionArrayFailed);
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return ChannelResult::kFailed;
        }
    }

    const MiscFindResult found =
        _pDevice->FindFirstInterface(readVersion ? _szVersion.Get() : nullptr, kDriverVersionReadBytes);
    const DWORD error = GetLastError();
    if (found != kFindOk) {
        if (readVersion) {
            _szVersion.Free();
        }
        DWORD result = ChannelResult::kFailed;
        switch (found) {
        case kFindNoClassList:
            SetLastErrorText(kClassDevsFailed);
            break;
        case kFindNoInterface:
            SetLastErrorText(kEnumFailed);
            result = ChannelResult::kRefused;
            break;
        case kFindDetailSize:
            SetLastErrorText(kDetailFirstFailed);
            break;
        case kFindDetailMemory:
            SetLastErrorText(kHeapAllocFailed);
            result = ChannelResult::kNoMemory;
            break;
        case kFindDetail:
            SetLastErrorText(kDetailSecondFailed);
            break;
        case kFindDriverKey:
            SetLastErrorText(kOpenDevRegKeyFailed);
            break;
        default:
            SetLastErrorText(kQueryValueFailed);
            break;
        }
        SetLastError(error);
        return result;
    }

    if (readVersion) {
        const DriverVersion version = ParseDriverVersion(_szVersion);
        _dwVersionMajor = version.Major;
        _dwVersionMinor = version.Minor;
        _dwVersionBuild = version.Build;
        _dwVersionRevision = version.Revision;
    }

    // A second open would leak the first handle.
    if (_hDevice != INVALID_HANDLE_VALUE)
        CloseDriver();
    HANDLE device = _pDevice->OpenFoundInterface();
    if (device == INVALID_HANDLE_VALUE) {
        const DWORD openError = GetLastError();
        SetLastErrorText(kCreateFileFailed);
        SetLastError(openError);
        return ChannelResult::kOpenFailed;
    }
    _hDevice = device;
    ClearLastErrorText();
    return ChannelResult::kOk;
}

void CMiscCommon::EndSession(DWORD sessionId)
{
    const DWORD error = GetLastError();
    BYTE input[4];
    input[0] = static_cast<BYTE>(sessionId);
    input[1] = static_cast<BYTE>(sessionId >> 8);
    input[2] = static_cast<BYTE>(sessionId >> 16);
    input[3] = static_cast<BYTE>(sessionId >> 24);
    DWORD returned = 0;
    _pDevice->Control(_hDevice, IOCTL_MISC_SESSION_CLOSE, input, sizeof(input), nullptr, 0, &returned);
    SetLastError(error);
}

void CMiscCommon::CloseDriver()
{
    if (_hDevice == INVALID_HANDLE_VALUE)
        return;
    if (_pBlowfish != nullptr) {
        EndSession(_dwSessionId);
        _dwSessionId = 0;
        _dwSequence = 0;
        CHeapBlock::WipeAndFree(_pBlowfish, sizeof(BlowfishContext));
        _pBlowfish = nullptr;
    }
    _pDevice->Close(_hDevice);
    _hDevice = INVALID_HANDLE_VALUE;
}

} // namespace MiscCommon
