// Protocol entry of the stand-in driver. Until the session core is wired in,
// the driver behaves like a platform driver that takes no sessions.
#include "MiscDriverDispatch.h"

namespace {
const unsigned long kIoctlMiscSession = 0x222000;
const long kStatusNotSupported = static_cast<long>(0xC00000BBu);
const long kStatusInvalidDeviceRequest = static_cast<long>(0xC0000010u);
}

extern "C" long MiscDriverDispatch(unsigned long code, void* buffer, unsigned long inLength,
                                   unsigned long outCapacity, unsigned long* outLength)
{
    (void)buffer;
    (void)inLength;
    (void)outCapacity;
    *outLength = 0;
    if (code == kIoctlMiscSession)
        return kStatusNotSupported;
    return kStatusInvalidDeviceRequest;
}
