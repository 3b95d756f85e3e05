// Switching the modem's GPS (its automatic tracking) on and off, and keeping
// the user's choice in GPSStatus. Each operation opens and closes its own
// link with the modem and takes no service lock: every caller is on the main
// window's thread. Failures go to the debug log only.
#pragma once

#include <cstdint>

// Values of GPSStatus and of every status out parameter below.
const std::uint32_t GPS_STATUS_DISABLE = 0;
const std::uint32_t GPS_STATUS_ENABLE = 2;
// Cannot be read, or the last change failed.
const std::uint32_t GPS_STATUS_INVALID = 5;
// Shown by the settings dialog while it works; never stored or returned here.
const std::uint32_t GPS_STATUS_CHECKING = 3;
const std::uint32_t GPS_STATUS_CHANGING = 4;

// Reads the module's state over a link the caller has opened (10 tries,
// 500 ms apart). 1 read, 0 not (status then GPS_STATUS_INVALID). persist:
// store what was read (or the invalid state) in GPSStatus.
int GetGPSModule(std::uint32_t& status, int persist);

// Opens a link and reads the state, storing it in GPSStatus. 1 read, 0 not.
int GetGPSStatus(std::uint32_t& status);

// Switches the module to status (GPS_STATUS_ENABLE or GPS_STATUS_DISABLE)
// and reads it back, three rounds at most. 1 the module reports status, 0
// not. persist: GPSStatus follows every state read, accepted or refused.
int SetGPSStatus(int persist, std::uint32_t status);

// Applies the stored choice to the module (start-up, resume): stored
// GPS_STATUS_ENABLE switches GPS on, anything else switches it off.
int GetGPSStatusRegAndSetModule();

// Exit: switches GPS off unless the stored choice already is off, leaving
// the stored choice as it is for the next start. 1 done or nothing to do.
int SetGPSModuleDisable();

// Creates the GPS values the first start finds missing. 0 when there is no
// registry layer.
int InitGPSSettings();
