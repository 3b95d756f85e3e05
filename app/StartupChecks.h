// Start-up checks that stand between the program and the platform.
#pragma once

#include <windows.h>

namespace MiscCommon {
class IMiscDevice;
}

// True when the caller's token is in the built-in Guests alias. A SID that
// cannot be built or a membership test that fails counts as no guest.
bool IsGuestUser();

// The platform probe: the misc driver opens, takes a session when it is
// 1.0.8 or later, and reports both required feature bits. On a channel of
// its own, closed again in every case. device: the driver route to use
// (null: the system's).
bool CheckPlatformSupport(MiscCommon::IMiscDevice* device = nullptr);

// Tests answer in place of the token check and of the system's platform probe:
// Wine's user is never a guest, and a test must see whether start-up reached
// the driver at all. Null restores the system's; the previous one is returned.
typedef bool (*StartupCheckFunction)();
StartupCheckFunction SetGuestCheckFunction(StartupCheckFunction check);
StartupCheckFunction SetPlatformCheckFunction(StartupCheckFunction check);
