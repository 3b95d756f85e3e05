// Waiting without blocking the test thread's windows. The fake tray and the
// other windows of the test process answer only while the thread pumps, and
// a program that sends to them (Shell_NotifyIconW does, synchronously) waits
// until they answer: every wait of the harness goes through here.
#pragma once

#include <windows.h>

#include <functional>

namespace e2e {

// Dispatches every message waiting for this thread, sent ones included.
void PumpMessages();

// Pumps for milliseconds.
void PumpFor(DWORD milliseconds);

// Pumps until condition() holds or timeoutMs has passed; condition is tested
// at least every 20 ms. Returns condition's last answer.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs);

// Pumps until handle is signalled; false when time ran out first.
bool WaitForHandle(HANDLE handle, DWORD timeoutMs);

} // namespace e2e
