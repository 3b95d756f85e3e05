#include "MiscDriverStatus.h"

namespace MiscDriver {

uint32_t MiscDriverNtStatus(MiscDriverStatus status, uint32_t injectedStatus)
{
    switch (status) {
    case kStatusSuccess:
        return 0x00000000;
    case kStatusInvalidParameter:
        return 0xC000000D; // STATUS_INVALID_PARAMETER
    case kStatusBufferTooSmall:
        return 0xC0000023; // STATUS_BUFFER_TOO_SMALL
    case kStatusAccessDenied:
        return 0xC0000022; // STATUS_ACCESS_DENIED
    case kStatusNoFreeSession:
        return 0xC000009A; // STATUS_INSUFFICIENT_RESOURCES
    case kStatusInvalidRequest:
        return 0xC0000010; // STATUS_INVALID_DEVICE_REQUEST
    case kStatusNotSupported:
        return 0xC00000BB; // STATUS_NOT_SUPPORTED
    case kStatusMoreData:
        return 0x80000005; // STATUS_BUFFER_OVERFLOW: a warning, so the data travels
    case kStatusNotFound:
        return 0xC0000034; // STATUS_OBJECT_NAME_NOT_FOUND
    case kStatusInjectedFailure:
        return injectedStatus;
    case kStatusInternalError:
    default:
        return 0xC00000E5; // STATUS_INTERNAL_ERROR
    }
}

uint32_t MiscDriverWin32Error(MiscDriverStatus status)
{
    switch (status) {
    case kStatusSuccess:
        return 0;
    case kStatusInvalidParameter:
        return 87; // ERROR_INVALID_PARAMETER
    case kStatusBufferTooSmall:
        return 122; // ERROR_INSUFFICIENT_BUFFER
    case kStatusAccessDenied:
        return 5; // ERROR_ACCESS_DENIED
    case kStatusNoFreeSession:
        return 1450; // ERROR_NO_SYSTEM_RESOURCES
    case kStatusInvalidRequest:
        return 1; // ERROR_INVALID_FUNCTION
    case kStatusNotSupported:
        return 50; // ERROR_NOT_SUPPORTED
    case kStatusMoreData:
        return 234; // ERROR_MORE_DATA
    case kStatusNotFound:
        return 2; // ERROR_FILE_NOT_FOUND
    case kStatusInternalError:
    default:
        return 1359; // ERROR_INTERNAL_ERROR
    }
}

} // namespace MiscDriver
