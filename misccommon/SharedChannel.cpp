#include "misccommon/SharedChannel.h"

#include <new>

#include "common/Uncopyable.h"
#include "misccommon/MiscCommon.h"
#include "misccommon/SetupApiDevice.h"

namespace MiscCommon {

namespace {

std::unique_ptr<IMiscDevice> MakeSystemDevice()
{
    return std::unique_ptr<IMiscDevice>(new (std::nothrow) CSetupApiDevice());
}

// The device outlives the channel that talks through it.
class CSharedChannelHolder : private CUncopyable {
public:
    explicit CSharedChannelHolder(std::unique_ptr<IMiscDevice> device)
        : _device(std::move(device)), _channel(_device.get())
    {
    }

    CMiscCommon& Channel() { return _channel; }

private:
    std::unique_ptr<IMiscDevice> _device;
    CMiscCommon _channel;
};

ChannelDeviceFactory g_deviceFactory = &MakeSystemDevice;
CSharedChannelHolder* g_channel = nullptr;
LONG g_references = 0;

} // namespace

ChannelDeviceFactory SetChannelDeviceFactory(ChannelDeviceFactory factory)
{
    const ChannelDeviceFactory previous = g_deviceFactory;
    g_deviceFactory = factory != nullptr ? factory : &MakeSystemDevice;
    return previous;
}

bool AcquireSharedChannel()
{
    if (g_channel != nullptr) {
        ++g_references;
        return true;
    }
    std::unique_ptr<IMiscDevice> device = g_deviceFactory();
    if (!device)
        return false;
    std::unique_ptr<CSharedChannelHolder> holder(new (std::nothrow) CSharedChannelHolder(std::move(device)));
    if (!holder)
        return false;
    CMiscCommon& channel = holder->Channel();
    if (channel.OpenDriver() != ChannelResult::kOk)
        return false;
    if (channel.IsDriverVersionSupported() && channel._Initialize() != ChannelResult::kOk)
        return false;
    g_channel = holder.release();
    // Releases without references may have driven the count below zero; a
    // new channel starts with exactly the one reference taken here, or the
    // last release would miss zero and leave the session open.
    g_references = 1;
    return true;
}

void ReleaseSharedChannel()
{
    --g_references;
    if (g_references != 0 || g_channel == nullptr)
        return;
    g_channel->Channel().CloseDriver();
    delete g_channel;
    g_channel = nullptr;
}

CMiscCommon* SharedChannel()
{
    return g_channel != nullptr ? &g_channel->Channel() : nullptr;
}

LONG SharedChannelReferences()
{
    return g_references;
}

} // namespace MiscCommon
