// What can be counted of another process from outside under Wine: its
// windows and the messages it shows (its handles: tests/support/ProcessHandles.h).
#pragma once

#include <windows.h>

#include <cstddef>

namespace soak {

// The visible dialogs of processId that show only an OK button under the
// product's caption: the program's messages.
size_t CountMessageWindows(DWORD processId);
// Its windows, top-level and children.
DWORD CountWindows(DWORD processId);

} // namespace soak
