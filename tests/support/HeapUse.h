// What the heaps of this process hold in use, walked block by block: the
// exact figure of a process's own memory that Wine 8 gives (its
// GetProcessMemoryInfo has no private usage). Every heap counts: Wine 8's
// msvcrt gives the C runtime (new, malloc, std::wstring) a heap of its own,
// so the process heap alone misses most of what a program allocates.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>

namespace testsupport {

struct HeapUse {
    std::size_t blocks = 0;
    std::size_t bytes = 0;
    bool complete = false; // every heap walked
};

// Signed: a run that frees more than it takes shows as less, not as a
// wrapped count of billions.
struct HeapChange {
    long long blocks = 0;
    long long bytes = 0;
};

inline HeapChange operator-(const HeapUse& after, const HeapUse& before)
{
    return {static_cast<long long>(after.blocks) - static_cast<long long>(before.blocks),
            static_cast<long long>(after.bytes) - static_cast<long long>(before.bytes)};
}

inline HeapUse ProcessHeapUse()
{
    HeapUse use;
    // Fixed room on the stack: counting must not allocate what it counts.
    // GetProcessHeaps fills nothing when the room is too small.
    HANDLE heaps[64];
    const DWORD count = ::GetProcessHeaps(64, heaps);
    if (count == 0 || count > 64)
        return use;
    for (DWORD i = 0; i < count; ++i) {
        ::HeapLock(heaps[i]);
        PROCESS_HEAP_ENTRY entry = {};
        while (::HeapWalk(heaps[i], &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                ++use.blocks;
                use.bytes += entry.cbData;
            }
        }
        ::HeapUnlock(heaps[i]);
    }
    use.complete = true;
    return use;
}

// What times runs of action leave in the heaps, after a few runs that may
// fill caches once. Stops at the first run that fails (ok false); ok is
// false too when a count could not walk every heap.
inline HeapChange HeapGrowth(const std::function<bool()>& action, int times, bool& ok)
{
    ok = true;
    for (int run = 0; run < 3 && ok; ++run)
        ok = action();
    const HeapUse before = ProcessHeapUse();
    for (int run = 0; run < times && ok; ++run)
        ok = action();
    const HeapUse after = ProcessHeapUse();
    ok = ok && before.complete && after.complete;
    return after - before;
}

} // namespace testsupport
