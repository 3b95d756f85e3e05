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
// The settings dialog (templates 112 and 140): the PIN1 status line, its
// buttons and the GPS line.
constexpr int kSettingsPinLine = 1001;
constexpr int kChange = 1002;
constexpr int kUnblock = 1003;
constexpr int kProtectOn = 1004;
constexpr int kSettingsVerify = 1005;
constexpr int kProtectOff = 1006;
constexpr int kGpsOn = 1007;
constexpr int kGpsOff = 1008;
constexpr int kGpsLine = 1009;
// The change and unblock dialogs it opens.
constexpr int kChangeOldPin = 1009;
constexpr int kChangeNote = 1010;
constexpr int kChangeNewPin = 1011;
constexpr int kChangeConfirm = 1012;
constexpr int kUnblockPuk = 1013;
constexpr int kUnblockNote = 1014;
constexpr int kUnblockNewPin = 1015;
constexpr int kUnblockConfirm = 1016;
// The GPS confirmation's "do not ask again" (template 131).
constexpr int kDontShowAgain = 1020;
// The About dialog's version line.
constexpr int kAboutVersion = 1023;

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
