// Brindle's hidden main window as other programs reach it: found by class
// and title (both "Brindle"), and sent what Windows, the shell or another
// program would deliver to it.
#pragma once

#include <windows.h>

#include "common/Uncopyable.h"
#include "sim/simctl/SimctlCommand.h"

namespace simctl {

// Null when no instance runs in this prefix.
HWND FindBrindleWindow();

// Posts what the event consists of; false when a post failed.
bool DeliverSignal(HWND window, Signal signal);

// The process that owns a window, opened before anything is sent to it so
// that its end can still be watched (and its exit code read) afterwards.
class CWindowOwner : CUncopyable {
public:
    explicit CWindowOwner(HWND window);
    ~CWindowOwner();

    bool IsOpen() const { return m_process != nullptr; }
    DWORD Id() const { return m_processId; }
    // False when it still runs after timeoutMs; exitCode is then untouched.
    bool WaitForExit(DWORD timeoutMs, DWORD& exitCode) const;

private:
    DWORD m_processId = 0;
    HANDLE m_process = nullptr;
};

} // namespace simctl
