#include "app/Settings.h"

#include "common/DebugLog.h"
#include "misccommon/RegAccess.h"
#include "ui/PinEntryCheck.h"

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

// A length pair no code can satisfy would lock the user out of every PIN1
// operation; it counts as missing, as a whole, so that the defaults that
// belong together apply together.
void KeepUsableLengthPair(const wchar_t* minName, DWORD& minLength, DWORD defaultMin, const wchar_t* maxName,
                          DWORD& maxLength, DWORD defaultMax)
{
    if (IsUsableLengthPair(minLength, maxLength))
        return;
    DebugPrint(L"ReadSettings:FAIL (%s %u %s %u)\n", minName, static_cast<unsigned>(minLength), maxName,
               static_cast<unsigned>(maxLength));
    minLength = defaultMin;
    maxLength = defaultMax;
}

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
    KeepUsableLengthPair(Settings::kPinMin, settings->PinMin, Settings::kDefaultPinMin, Settings::kPinMax,
                         settings->PinMax, Settings::kDefaultPinMax);
    KeepUsableLengthPair(Settings::kPukMin, settings->PukMin, Settings::kDefaultPukMin, Settings::kPukMax,
                         settings->PukMax, Settings::kDefaultPukMax);
}

void ReadDebugSwitch(CRegAccess* registry)
{
    DWORD value = 0;
    if (registry != nullptr && registry->QueryDword(Settings::kDebugPrintEnable, &value) == RegResult::kOk &&
        value == 1)
        g_debugPrintEnabled = 1;
}
