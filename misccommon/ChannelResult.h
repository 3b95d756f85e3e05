// The results of the driver channel's operations (CMiscCommon). Each
// operation says in its header which of them it answers; every failure also
// leaves its text in the channel's last-error buffer and the failing call's
// error for GetLastError().
#pragma once

#include <cstdint>

namespace ChannelResult {
const std::uint32_t kOk = 0;
// A system call, the transport or the driver failed.
const std::uint32_t kFailed = 2;
// A null or oversized argument, or a request the driver refused as malformed.
const std::uint32_t kInvalidArgument = 3;
const std::uint32_t kNoMemory = 5;
// No device interface present, or the driver failed the authentication.
const std::uint32_t kRefused = 6;
// No device or no session cipher to send with.
const std::uint32_t kNotReady = 8;
// The value is longer than the caller's buffer.
const std::uint32_t kMoreData = 9;
// A driver older than 1.0.8, or a key other than HKEY_LOCAL_MACHINE.
const std::uint32_t kDriverTooOld = 10;
// The device was found but could not be opened.
const std::uint32_t kOpenFailed = 11;
} // namespace ChannelResult
