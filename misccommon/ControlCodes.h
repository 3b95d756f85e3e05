#pragma once
// The misc driver's control codes: device type 0x22 (FILE_DEVICE_UNKNOWN),
// FILE_ANY_ACCESS, METHOD_BUFFERED. Also used by code that has no Windows
// headers, hence plain integers rather than CTL_CODE.

#include <stdint.h>

namespace MiscCommon {

constexpr uint32_t IOCTL_MISC_SESSION = 0x222000;
constexpr uint32_t IOCTL_MISC_SESSION_CLOSE = 0x222004;
constexpr uint32_t IOCTL_MISC_CAPSULE = 0x222008;

// Inner function codes, carried inside a capsule.
constexpr uint32_t MISC_FUNC_CALL = 0x222944;
constexpr uint32_t MISC_FUNC_REG_WRITE = 0x222948;
constexpr uint32_t MISC_FUNC_REG_QUERY = 0x22294C;

} // namespace MiscCommon
