// What to do with the card's answer to a PIN1 request (verify, switch
// protection, change): the one decision behind the tray's verify flow and
// the settings dialog. Each caller keeps only its own window handling; where
// the two react differently, the difference is a column here. Portable: no
// Windows types.
#pragma once

enum class PinAnswerNext {
    Finish,   // the flow is over; the caller tidies up
    AskAgain, // read the attempts left again and reopen the PIN dialog
    Fail,     // show the error message for the result; the flow is over
};

struct PinAnswerChoice {
    // The message shown before going on (string id), 0 for none. For Fail
    // the caller shows the error message for the result instead.
    unsigned messageId;
    PinAnswerNext next;
    // Tray: the verify menu item is greyed before the message.
    bool greyVerifyItem;
    // Settings dialog: the SIM status its PIN group shows afterwards (0: the
    // group stays as it is), and whether protection is then on whatever the
    // request set.
    // Fail ends the settings dialog after the message; the tray goes on to
    // its closing steps.
    int pinStatusAfter;
    bool protectionOnAfter;
};

// result: what the SIM service answered to the PIN1 request.
PinAnswerChoice ChoosePinAnswer(int result);
