// The handles a process holds, counted the one way Wine 8 answers: its
// GetProcessHandleCount is a stub that gives 0.
#pragma once

#include <windows.h>

namespace testsupport {

// The handles processId holds now, or 0 when the list cannot be read.
DWORD ProcessHandleCount(DWORD processId);

} // namespace testsupport
