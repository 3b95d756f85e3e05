#include "ui/ConfigStatusChoice.h"

#include "modem/GpsControl.h"
#include "modem/SimCodes.h"
#include "res/resource.h"

PinControlsChoice ChoosePinControls(int status, int protection, int unblockLeft)
{
    const PinButtons none = {false, false, false, false, false};
    if (status == SIM_NOT_INITIALIZED)
        return {IDS_CARD_ABSENT, none};
    // A permanently blocked card reports itself usable; only the used-up
    // unblock attempts tell it apart, so they are checked before the status.
    if (unblockLeft == 0)
        return {IDS_CARD_LOCKED, none};
    if (status == SIM_PUK_REQUIRED)
        return {IDS_PUK_NEEDED, {false, false, false, false, true}};
    if (status == SIM_PIN_VERIFY_REQUIRED)
        return {IDS_PIN_NEEDED, {false, false, false, true, false}};
    if (protection == SIM_PROTECTION_ON)
        return {IDS_CARD_USABLE, {false, true, true, false, false}};
    return {IDS_CARD_USABLE, {true, false, false, false, false}};
}

GpsControlsChoice ChooseGpsControls(std::uint32_t state, std::int32_t nmeaPort)
{
    switch (state) {
    case GPS_STATUS_ENABLE:
        return {nmeaPort == -1 ? unsigned{IDS_GPS_ENABLED} : unsigned{IDS_GPS_ENABLED_PORT}, false, true};
    case GPS_STATUS_DISABLE:
        return {IDS_GPS_DISABLED, true, false};
    case GPS_STATUS_CHECKING:
        return {IDS_GPS_CHECKING, false, false};
    case GPS_STATUS_CHANGING:
        return {IDS_GPS_CHANGING, false, false};
    default:
        return {IDS_STATUS_UNKNOWN, false, false};
    }
}

unsigned ErrorMessageId(int code)
{
    switch (code) {
    case SIM_BUSY:
    case SIM_STATUS_FAILED:
        return IDS_COMM_FAILED;
    case SIM_NOT_CONNECTED:
        return IDS_NO_DEVICE;
    default:
        return IDS_ERROR_CODE;
    }
}
