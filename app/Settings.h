#pragma once
// Every value the program keeps under its product key
// (HKEY_LOCAL_MACHINE\SOFTWARE\Norvane\brindle), with the defaults that apply
// whenever a value cannot be read, and the shell's reading of the tuning
// values and of the debug-log switch.

#include <windows.h>

class CRegAccess;

namespace Settings {

// The base path the registry layer is opened on; it appends "brindle".
extern const wchar_t kBasePath[];

extern const wchar_t kPinMin[];
extern const wchar_t kPinMax[];
extern const wchar_t kPukMin[];
extern const wchar_t kPukMax[];
extern const wchar_t kResumeDelay[];
extern const wchar_t kResumeTryCount[];
extern const wchar_t kDebugPrintEnable[];
extern const wchar_t kGpsOption[];
extern const wchar_t kGpsStatus[];
extern const wchar_t kDontShowConfirmDialog[];
extern const wchar_t kServiceName[];
extern const wchar_t kPortName[];
extern const wchar_t kGpsPortName[];
extern const wchar_t kVersion[];
extern const wchar_t kCopyright[];

const DWORD kDefaultPinMin = 4;
const DWORD kDefaultPinMax = 8;
const DWORD kDefaultPukMin = 8;
const DWORD kDefaultPukMax = 8;
const DWORD kDefaultResumeDelay = 5000;
const DWORD kDefaultResumeTryCount = 12;
const DWORD kDefaultGpsOption = 0;
extern const wchar_t kDefaultServiceName[];
extern const wchar_t kDefaultPortName[];
extern const wchar_t kDefaultGpsPortName[];

} // namespace Settings

// The six tuning values the application object keeps, used as read: no
// range check, no clamping.
struct TuningSettings {
    DWORD PinMin;
    DWORD PinMax;
    DWORD PukMin;
    DWORD PukMax;
    DWORD ResumeDelay;     // milliseconds
    DWORD ResumeTryCount;
};

// Reads each tuning value on its own; a value that cannot be read (missing,
// wrong type, driver failure, no registry layer) gets its default.
void ReadSettings(CRegAccess* registry, TuningSettings* settings);

// Switches the debug log on when BRINDLEReleaseDebugPrintEnable is exactly 1;
// anything else leaves the switch as it is.
void ReadDebugSwitch(CRegAccess* registry);
