// Loaded into brindle.exe by the soak (CreateRemoteThread on LoadLibraryW):
// counts the busy blocks of every heap of the process, writes the counts to
// kHeapCensusFile and refuses to stay loaded. Every heap, because Wine 8's
// msvcrt gives the C runtime (new, malloc, std::wstring) a heap of its own.
// Plain Win32 only: no C++ runtime that would leave anything behind in the
// program it measures.
#include <windows.h>

#include "tests/soak/HeapCensusFile.h"

namespace {

// Wine 8's static control keeps a 12-byte block for every control given a
// new font, in one of two forms: {font, 0, 0} or {0, handle, 0}, the handle
// of GDI type 9. The forms are told apart by the type bits of Wine's handles.
bool IsWineStaticBlock(const PROCESS_HEAP_ENTRY& entry)
{
    if (entry.cbData != 12)
        return false;
    const DWORD* d = static_cast<const DWORD*>(entry.lpData);
    const DWORD type0 = (d[0] >> 16) & 0xff, type1 = (d[1] >> 16) & 0xff;
    return d[2] == 0 && ((type0 == 0x0a && d[1] == 0) || (d[0] == 0 && type1 == 0x09));
}

void TakeCensus()
{
    // Fixed room: GetProcessHeaps fills nothing when it is too small, and
    // then no counts are written rather than the counts of some heaps.
    HANDLE heaps[64];
    const DWORD heapCount = GetProcessHeaps(64, heaps);
    if (heapCount == 0 || heapCount > 64)
        return;
    DWORD blocks = 0, bytes = 0, wineBlocks = 0;
    for (DWORD i = 0; i < heapCount; ++i) {
        HeapLock(heaps[i]);
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heaps[i], &entry)) {
            if (!(entry.wFlags & PROCESS_HEAP_ENTRY_BUSY))
                continue;
            ++blocks;
            bytes += entry.cbData;
            wineBlocks += IsWineStaticBlock(entry) ? 1 : 0;
        }
        HeapUnlock(heaps[i]);
    }

    char line[96];
    const int length = wsprintfA(line, "%lu %lu %lu %lu\r\n", blocks, bytes, wineBlocks, heapCount);
    const HANDLE file = CreateFileW(kHeapCensusFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(file);
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    TakeCensus();
    return FALSE; // measured; nothing of it stays
}
