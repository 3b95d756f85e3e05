// Every value the program keeps under its product key
// (HKEY_LOCAL_MACHINE\SOFTWARE\Norvane\brindle), by name, with the defaults
// that apply whenever a value cannot be read. Every layer that reads or
// writes one takes its name from here.
#pragma once

#include <cstdint>

namespace Settings {

// The base path the registry layer is opened on; it appends "brindle".
inline constexpr wchar_t kBasePath[] = L"SOFTWARE\\Norvane";

// DWORD tuning values of the shell.
inline constexpr wchar_t kPinMin[] = L"PinMin";
inline constexpr wchar_t kPinMax[] = L"PinMax";
inline constexpr wchar_t kPukMin[] = L"PukMin";
inline constexpr wchar_t kPukMax[] = L"PukMax";
inline constexpr wchar_t kResumeDelay[] = L"ResumeDelay";
inline constexpr wchar_t kResumeTryCount[] = L"ResumeTryCount";
// DWORD, exactly 1: the debug log is on.
inline constexpr wchar_t kDebugPrintEnable[] = L"BRINDLEReleaseDebugPrintEnable";
// DWORD, non-zero: the machine has the GPS option.
inline constexpr wchar_t kGpsOption[] = L"GPSOption";
// DWORD, the user's GPS choice and the last state read from the module.
inline constexpr wchar_t kGpsStatus[] = L"GPSStatus";
// DWORD, non-zero: GPS is enabled without the confirmation dialog.
inline constexpr wchar_t kDontShowConfirmDialog[] = L"DontShowConfirmDialog";
// Strings naming the modem's serial ports as Plug and Play reports them.
inline constexpr wchar_t kServiceName[] = L"ServiceName";
inline constexpr wchar_t kPortName[] = L"PortName";
inline constexpr wchar_t kGpsPortName[] = L"GPSPortName";
// Strings the About dialog shows.
inline constexpr wchar_t kVersion[] = L"Version";
inline constexpr wchar_t kCopyright[] = L"Copyright";

inline constexpr std::uint32_t kDefaultPinMin = 4;
inline constexpr std::uint32_t kDefaultPinMax = 8;
inline constexpr std::uint32_t kDefaultPukMin = 8;
inline constexpr std::uint32_t kDefaultPukMax = 8;
inline constexpr std::uint32_t kDefaultResumeDelay = 5000;
inline constexpr std::uint32_t kDefaultResumeTryCount = 12;
inline constexpr std::uint32_t kDefaultGpsOption = 0;
inline constexpr wchar_t kDefaultServiceName[] = L"qcusbserps2k";
inline constexpr wchar_t kDefaultPortName[] = L"Sierra Wireless DM Port (COM";
inline constexpr wchar_t kDefaultGpsPortName[] = L"Sierra Wireless NMEA Port (COM";

} // namespace Settings
