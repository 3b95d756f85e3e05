#include "tests/e2e/MessagePump.h"

namespace e2e {
namespace {

constexpr DWORD kPollMs = 20;

// Waits up to ms for a message or for handle (may be null); pumps whatever came.
// Returns true when handle was signalled.
bool PumpOnce(HANDLE handle, DWORD ms)
{
    const DWORD count = handle ? 1 : 0;
    const DWORD rc =
        MsgWaitForMultipleObjectsEx(count, handle ? &handle : nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    PumpMessages();
    return handle && rc == WAIT_OBJECT_0;
}

} // namespace

void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void PumpFor(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= milliseconds)
            break;
        PumpOnce(nullptr, milliseconds - spent);
    }
    PumpMessages();
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        PumpMessages();
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return condition();
        PumpOnce(nullptr, kPollMs);
    }
}

bool WaitForHandle(HANDLE handle, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (WaitForSingleObject(handle, 0) == WAIT_OBJECT_0)
            return true;
        const DWORD spent = GetTickCount() - start;
        if (spent >= timeoutMs)
            return false;
        if (PumpOnce(handle, timeoutMs - spent < kPollMs ? timeoutMs - spent : kPollMs))
            return true;
    }
}

} // namespace e2e
