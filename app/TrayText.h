// What the tray tooltip says. Portable: no Windows types.
#pragma once

#include <cstddef>

// Capacity of the tooltip, terminator included, as the shell takes it.
const std::size_t kTooltipChars = 128;

// The PIN line for a SIM status and the unblock attempts left, first match
// wins: no card (15), status unknown (6 or more; also what a failed attempts
// or protection query counts as), no unblock attempts left, unblock code
// needed (3), verification needed (2), usable.
unsigned TrayPinStatusStringId(int status, int unblockLeft);

// The tooltip's format: two lines without the GPS option, three with it.
unsigned TooltipStringId(bool gpsOption);

// Fills tip (count characters) from format (TooltipStringId's string) with
// the PIN text and, for the GPS format, the GPS text; cut at the end of tip.
void FormatTooltip(wchar_t* tip, std::size_t count, const wchar_t* format, const wchar_t* pinText,
                   const wchar_t* gpsText);
