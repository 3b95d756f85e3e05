// What the settings dialog shows for a SIM or GPS state, and which message a
// failed request gets. Portable: no Windows types.
#pragma once

#include <cstdint>

// The five PIN1 buttons of the settings dialog.
struct PinButtons {
    bool protectOn;
    bool protectOff;
    bool change;
    bool verify;
    bool unblock;
};

struct PinControlsChoice {
    unsigned stringId; // the PIN status line
    PinButtons buttons;
};

// status: a status query's result (or what an operation's success implies);
// protection: a protection query's result; unblockLeft: unblock attempts
// left. The first matching state wins: no card, no unblock attempts,
// unblock needed, verification needed, protection on, usable.
PinControlsChoice ChoosePinControls(int status, int protection, int unblockLeft);

struct GpsControlsChoice {
    unsigned stringId; // the GPS status line; only the port line has a placeholder
    bool onEnabled;
    bool offEnabled;
};

// state: a GPS status value or one of the dialog's display states;
// nmeaPort: the NMEA COM port number, -1 when unknown.
GpsControlsChoice ChooseGpsControls(std::uint32_t state, std::int32_t nmeaPort);

// The message for a failed SIM request: communication failed for busy and
// unreadable status, no device for a modem that cannot be opened, else the
// error-code text (formatted with the code and the detail).
unsigned ErrorMessageId(int code);
