#include "app/TrayText.h"

#include "common/FormatW.h"
#include "modem/SimCodes.h"
#include "res/resource.h"

namespace {

// Results from here on are failures, not card states.
const int kFirstFailedStatus = 6;

} // namespace

unsigned TrayPinStatusStringId(int status, int unblockLeft)
{
    if (status == SIM_NOT_INITIALIZED)
        return IDS_CARD_ABSENT;
    if (status >= kFirstFailedStatus)
        return IDS_STATUS_UNKNOWN;
    if (unblockLeft == 0)
        return IDS_CARD_LOCKED;
    if (status == SIM_PUK_REQUIRED)
        return IDS_PUK_NEEDED;
    if (status == SIM_PIN_VERIFY_REQUIRED)
        return IDS_PIN_NEEDED;
    return IDS_CARD_USABLE;
}

unsigned TooltipStringId(bool gpsOption)
{
    return gpsOption ? IDS_TOOLTIP_GPS : IDS_TOOLTIP;
}

void FormatTooltip(wchar_t* tip, std::size_t count, const wchar_t* format, const wchar_t* pinText,
                   const wchar_t* gpsText)
{
    if (tip == nullptr || count == 0)
        return;
    // The two-line format has one placeholder; the extra argument is unused.
    FormatW(tip, count, format != nullptr ? format : L"", pinText != nullptr ? pinText : L"",
            gpsText != nullptr ? gpsText : L"");
}
