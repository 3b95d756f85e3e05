// The WMI result codes and constants the stand-in's portable logic answers
// with, as plain numbers so that it needs no Windows header (the COM glue
// checks them against the SDK's names).
#pragma once

#include <cstdint>

namespace simwmi {

constexpr std::uint32_t kWbemNoError = 0x00000000;          // WBEM_S_NO_ERROR
constexpr std::uint32_t kWbemFalse = 0x00000001;            // WBEM_S_FALSE
constexpr std::uint32_t kWbemTimedOut = 0x00040004;         // WBEM_S_TIMEDOUT
constexpr std::uint32_t kWbemFailed = 0x80041001;           // WBEM_E_FAILED
constexpr std::uint32_t kWbemNotFound = 0x80041002;         // WBEM_E_NOT_FOUND
constexpr std::uint32_t kWbemInvalidParameter = 0x80041008; // WBEM_E_INVALID_PARAMETER
constexpr std::uint32_t kWbemInvalidNamespace = 0x8004100E; // WBEM_E_INVALID_NAMESPACE
constexpr std::uint32_t kWbemInvalidQueryType = 0x80041011; // WBEM_E_INVALID_QUERY_TYPE
constexpr std::uint32_t kWbemInvalidQuery = 0x80041017;     // WBEM_E_INVALID_QUERY
constexpr std::uint32_t kWbemNotSupported = 0x8004100C;     // WBEM_E_NOT_SUPPORTED

// IEnumWbemClassObject::Next's "wait as long as it takes" (WBEM_INFINITE).
constexpr std::int32_t kWbemInfinite = -1;

// A failure HRESULT has its top bit set.
constexpr bool IsFailure(std::uint32_t result)
{
    return (result & 0x80000000u) != 0;
}

} // namespace simwmi
