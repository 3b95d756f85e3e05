// The product key's values that the modem service reads or writes through
// the registry layer, with the defaults used when a read fails.
#pragma once

// DWORD, non-zero: the machine has the GPS option.
constexpr const wchar_t* kGpsOptionValue = L"GPSOption";
// DWORD, the user's GPS choice and the last state read from the module.
constexpr const wchar_t* kGpsStatusValue = L"GPSStatus";
// DWORD, non-zero: GPS is enabled without the confirmation dialog.
constexpr const wchar_t* kDontShowConfirmDialogValue = L"DontShowConfirmDialog";

// Strings naming the modem's serial ports as Plug and Play reports them.
constexpr const wchar_t* kServiceNameValue = L"ServiceName";
constexpr const wchar_t* kPortNameValue = L"PortName";
constexpr const wchar_t* kGpsPortNameValue = L"GPSPortName";
constexpr const wchar_t* kDefaultServiceName = L"qcusbserps2k";
constexpr const wchar_t* kDefaultPortName = L"Sierra Wireless DM Port (COM";
constexpr const wchar_t* kDefaultGpsPortName = L"Sierra Wireless NMEA Port (COM";
