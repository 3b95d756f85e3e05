#include "app/Settings.h"

#include "common/DebugLog.h"
#include "misccommon/RegAccess.h"

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
    {Settings::kResumeTryCount, &TuningSettings::ResumeTryCount, Settings::kDefaultResumeTryCount},
};

} // namespace

void ReadSettings(CRegAccess* registry, TuningSettings* settings)
{
    if (settings == nullptr)
        return;
    for (const TuningEntry& entry : kTuningTable) {
        DWORD value = 0;
        const bool read = registry != nullptr && registry->QueryDword(entry.Name, &value) == RegResult::kOk;
        settings->*entry.Destination = read ? value : entry.Default;
    }
}

void ReadDebugSwitch(CRegAccess* registry)
{
    DWORD value = 0;
    if (registry != nullptr && registry->QueryDword(Settings::kDebugPrintEnable, &value) == RegResult::kOk &&
        value == 1)
        g_debugPrintEnabled = 1;
}
