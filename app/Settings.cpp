#include "app/Settings.h"

#include "common/DebugLog.h"
#include "misccommon/RegAccess.h"

namespace Settings {

const wchar_t kBasePath[] = L"SOFTWARE\\Norvane";

const wchar_t kPinMin[] = L"PinMin";
const wchar_t kPinMax[] = L"PinMax";
const wchar_t kPukMin[] = L"PukMin";
const wchar_t kPukMax[] = L"PukMax";
const wchar_t kResumeDelay[] = L"ResumeDelay";
const wchar_t kResumeTryCount[] = L"ResumeTryCount";
const wchar_t kDebugPrintEnable[] = L"BRINDLEReleaseDebugPrintEnable";
const wchar_t kGpsOption[] = L"GPSOption";
const wchar_t kGpsStatus[] = L"GPSStatus";
const wchar_t kDontShowConfirmDialog[] = L"DontShowConfirmDialog";
const wchar_t kServiceName[] = L"ServiceName";
const wchar_t kPortName[] = L"PortName";
const wchar_t kGpsPortName[] = L"GPSPortName";
const wchar_t kVersion[] = L"Version";
const wchar_t kCopyright[] = L"Copyright";

const wchar_t kDefaultServiceName[] = L"qcusbserps2k";
const wchar_t kDefaultPortName[] = L"Sierra Wireless DM Port (COM";
const wchar_t kDefaultGpsPortName[] = L"Sierra Wireless NMEA Port (COM";

} // namespace Settings

namespace {

struct TuningEntry {
    const wchar_t* Name;
    DWORD TuningSettings::*Destination;
    DWORD Default;
};

const TuningEntry kTuningTable[] = {
    {Settings::kPinMin, &TuningSettings::PinMin, Settings::kDefaultPinMin},
    {Settings::kPinMax, &TuningSettings::PinMax, Settings::kDefaultPinMax},
    {Settings::kPukMin, &TuningSettings::PukMin, Settings::kDefaultPukMin},
    {Settings::kPukMax, &TuningSettings::PukMax, Settings::kDefaultPukMax},
    {Settings::kResumeDelay, &TuningSettings::ResumeDelay, Settings::kDefaultResumeDelay},
    {Settings::kResumeTryCount, &TuningSettings::ResumeTryCount,
     Settings::kDefaultResumeTryCount},
};

} // namespace

void ReadSettings(CRegAccess* registry, TuningSettings* settings)
{
    if (settings == nullptr)
        return;
    for (const TuningEntry& entry : kTuningTable) {
        DWORD value = 0;
        const bool read =
            registry != nullptr && registry->QueryDword(entry.Name, &value) == RegResult::kOk;
        settings->*entry.Destination = read ? value : entry.Default;
    }
}

void ReadDebugSwitch(CRegAccess* registry)
{
    DWORD value = 0;
    if (registry != nullptr &&
        registry->QueryDword(Settings::kDebugPrintEnable, &value) == RegResult::kOk &&
        value == 1)
        g_debugPrintEnabled = 1;
}
