#pragma once
// What a request to the stand-in driver came to. The kernel host turns each
// into an NTSTATUS, the in-process hosts of the tests into a Win32 error.

#include <stdint.h>

namespace MiscDriver {

enum MiscDriverStatus : uint32_t {
    kStatusSuccess = 0,
    kStatusInvalidParameter, // malformed request, unknown session, replayed capsule
    kStatusBufferTooSmall,   // the answer does not fit the caller's buffer at all
    kStatusAccessDenied,     // wrong proof, capsule without a session, path refused
    kStatusNoFreeSession,    // the session table is full
    kStatusInvalidRequest,   // a control code or inner function the core does not serve
    kStatusInternalError,    // arithmetic failed; the session is gone
    kStatusNotSupported,     // sessions refused, or no registry behind the core
    kStatusMoreData,         // a partial answer: bytes are returned all the same
    kStatusNotFound,         // the registry key or value does not exist
    kStatusInjectedFailure,  // a configured fault: see CMiscDriverCore::InjectedStatus
};

// The NTSTATUS a kernel host completes the request with. `injectedStatus` is
// the core's InjectedStatus(), used for kStatusInjectedFailure.
uint32_t MiscDriverNtStatus(MiscDriverStatus status, uint32_t injectedStatus);

// The error user mode reads from GetLastError() after the kernel host
// answered with MiscDriverNtStatus(status). Not defined for
// kStatusInjectedFailure, whose error depends on the configured NTSTATUS.
uint32_t MiscDriverWin32Error(MiscDriverStatus status);

// Whether the request's answer bytes reach the caller: on success, and on a
// partial answer (NTSTATUS warning) as well.
inline bool MiscDriverReturnsData(MiscDriverStatus status)
{
    return status == kStatusSuccess || status == kStatusMoreData;
}

} // namespace MiscDriver
