// What the process heap holds in use, walked block by block: the exact figure
// of a process's own memory that Wine 8 gives (its GetProcessMemoryInfo has
// no private usage).
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>

namespace testsupport {

struct HeapUse {
    std::size_t blocks = 0;
    std::size_t bytes = 0;
};

inline HeapUse ProcessHeapUse()
{
    HeapUse use;
    const HANDLE heap = ::GetProcessHeap();
    ::HeapLock(heap);
    PROCESS_HEAP_ENTRY entry = {};
    while (::HeapWalk(heap, &entry)) {
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
            ++use.blocks;
            use.bytes += entry.cbData;
        }
    }
    ::HeapUnlock(heap);
    return use;
}

// What times runs of action leave in the heap, after a few runs that may
// fill caches once. Stops at the first run that fails (ok false).
inline HeapUse HeapGrowth(const std::function<bool()>& action, int times, bool& ok)
{
    ok = true;
    for (int run = 0; run < 3 && ok; ++run)
        ok = action();
    const HeapUse before = ProcessHeapUse();
    for (int run = 0; run < times && ok; ++run)
        ok = action();
    const HeapUse after = ProcessHeapUse();
    return {after.blocks - before.blocks, after.bytes - before.bytes};
}

} // namespace testsupport
