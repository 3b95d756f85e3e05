// The heaps of another process, counted from inside it: the one exact
// figure of brindle.exe's own memory under Wine 8, whose process memory
// counters do not give private usage.
#pragma once

#include <windows.h>

namespace soak {

struct HeapCensus {
    unsigned long blocks = 0;
    unsigned long bytes = 0;
    unsigned long wineStaticBlocks = 0; // Wine 8's static control's, see HeapCensus.cpp
    unsigned long heaps = 0;
};

// Loads the census library into process (a handle with full access) for a
// moment and reads what it counted. False when any part of that fails.
bool TakeHeapCensus(HANDLE process, HeapCensus& census);

} // namespace soak
