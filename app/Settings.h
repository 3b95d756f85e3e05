#pragma once
// The shell's reading of the tuning values and of the debug-log switch. The
// value names and defaults are in misccommon/RegValueNames.h.

#include "misccommon/RegValueNames.h"

#include <windows.h>

class CRegAccess;

// The six tuning values the application object keeps, used as read: no
// clamping. Only a code-length pair that no code could satisfy is replaced,
// whole, by its defaults.
struct TuningSettings {
    DWORD PinMin;
    DWORD PinMax;
    DWORD PukMin;
    DWORD PukMax;
    DWORD ResumeDelay; // milliseconds
    DWORD ResumeTryCount;
};

// Reads each tuning value on its own; a value that cannot be read (missing,
// wrong type, driver failure, no registry layer) gets its default. A PIN1 or
// unblock-code length pair that no code can satisfy (see IsUsableLengthPair)
// takes both its defaults, with one log line naming the values read.
void ReadSettings(CRegAccess* registry, TuningSettings* settings);

// Switches the debug log on when BRINDLEReleaseDebugPrintEnable is exactly 1;
// anything else leaves the switch as it is.
void ReadDebugSwitch(CRegAccess* registry);
