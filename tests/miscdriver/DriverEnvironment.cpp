#include "DriverEnvironment.h"

namespace MiscDriverTest {

BOOL CSessionCloseDropper::Control(HANDLE device, DWORD code, const void* input, DWORD inputSize, void* output,
                                   DWORD outputSize, DWORD* bytesReturned)
{
    const DWORD kSessionClose = 0x222004;
    if (DropSessionClose && code == kSessionClose) {
        if (bytesReturned != nullptr)
            *bytesReturned = 0;
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    return _inner->Control(device, code, input, inputSize, output, outputSize, bytesReturned);
}

} // namespace MiscDriverTest
