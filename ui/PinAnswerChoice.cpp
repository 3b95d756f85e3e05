#include "ui/PinAnswerChoice.h"

#include "modem/SimCodes.h"
#include "res/resource.h"

PinAnswerChoice ChoosePinAnswer(int result)
{
    switch (result) {
    case SIM_OK:
        return {0, PinAnswerNext::Finish, true, SIM_PIN_READY, false};
    case SIM_PIN_BLOCKED:
        // Only the unblock code helps now: the group offers that alone.
        return {IDS_PIN_BLOCKED, PinAnswerNext::Finish, true, SIM_PUK_REQUIRED, true};
    case SIM_WRONG_CODE:
        return {IDS_PIN_WRONG, PinAnswerNext::AskAgain, true, 0, false};
    default:
        return {0, PinAnswerNext::Fail, false, 0, false};
    }
}
