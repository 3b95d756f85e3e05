// What brindle.exe shows beyond its texts: the dialogs' control ids the
// scenarios drive, the tray menu as a popup reads back, and the notes put
// together from the texts.
#pragma once

#include <string>
#include <vector>

#include "tests/e2e/RemotePopupMenu.h"
#include "tests/support/BrindleTexts.h"

namespace brindletext {
// The GPS line with the stand-in modem's NMEA port.
inline const std::wstring kGpsOnCom7 = Format(kGpsOnPort, 7);
// String 129 with its code and detail filled in.
inline std::wstring ErrorCode(int code, int detail)
{
    return Format(kErrorCode, code, detail);
}
// The length rule's message for PIN1, for a range and for one length.
inline std::wstring Pin1Length(unsigned shortest, unsigned longest)
{
    return shortest == longest ? Format(kLengthExact, kPin1Name, shortest)
                               : Format(kLengthRange, kPin1Name, shortest, longest);
}
} // namespace brindletext

namespace e2e {

using brindletext::kAboutCaption;
using brindletext::kVerifyCaption;
using brindletext::TipText;

// The PIN1 verify dialog (template 114), the same from the tray and from
// the settings dialog.
constexpr int kVerifyPin = 1007;
constexpr int kVerifyNote = 1008;
// The settings dialog's PIN1 status line (templates 112 and 140).
constexpr int kSettingsPinLine = 1001;

// Menu 106 as a popup reads it back. Only the separator's state counts for
// choosing by position; which items are greyed depends on the card.
extern const std::vector<MenuItem> kTrayMenu;
constexpr unsigned kMenuOpenSettings = 0;
constexpr unsigned kMenuVerifyPin = 1;
constexpr unsigned kMenuAbout = 3;
constexpr unsigned kMenuExit = 4;

// The verify and change dialogs' whole note for the PIN1 attempts left.
std::wstring PinAttemptsNote(int attemptsLeft);
// The part that every attempts note (PIN1 or unblock code) has: "あとN回".
std::wstring AttemptsLeft(int attemptsLeft);

} // namespace e2e
