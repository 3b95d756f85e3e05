#pragma once
// The driver channel the whole process shares: one authenticated session,
// opened by the first registry layer that needs it and closed when the last
// reference goes. Every function here runs under the registry lock.

#include <windows.h>

#include <memory>

#include "misccommon/MiscDevice.h"

namespace MiscCommon {

class CMiscCommon;

// Where a new shared channel gets its device. The default builds the
// system's SetupAPI device; tests hand in their own. Returns the factory it
// replaced; null restores the default.
using ChannelDeviceFactory = std::unique_ptr<IMiscDevice> (*)();
ChannelDeviceFactory SetChannelDeviceFactory(ChannelDeviceFactory factory);

// Takes one reference, opening the channel (and its session) when there is
// none. False, with nothing left behind, when it cannot be opened or the
// session fails. A driver older than 1.0.8 still gives a channel, without a
// session: every request on it then answers 10.
bool AcquireSharedChannel();
// Gives one reference back; the last one closes the session and the device.
void ReleaseSharedChannel();

// The open channel, or null.
CMiscCommon* SharedChannel();
LONG SharedChannelReferences();

} // namespace MiscCommon
