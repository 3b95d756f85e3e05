#include "tests/soak/RemoteHeapCensus.h"

#include <cstdio>
#include <cwchar>

#include "tests/soak/HeapCensusFile.h"

namespace soak {

bool TakeHeapCensus(HANDLE process, HeapCensus& census)
{
    const wchar_t* const library = SOAK_HEAP_CENSUS_DLL;
    const SIZE_T size = (std::wcslen(library) + 1) * sizeof(wchar_t);
    DeleteFileW(kHeapCensusFile);
    void* remote = VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    if (!remote)
        return false;
    bool taken = false;
    const auto loadLibrary = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
    if (WriteProcessMemory(process, remote, library, size, nullptr)) {
        if (HANDLE thread = CreateRemoteThread(process, nullptr, 0, loadLibrary, remote, 0, nullptr)) {
            taken = WaitForSingleObject(thread, 30000) == WAIT_OBJECT_0;
            CloseHandle(thread);
        }
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    if (!taken)
        return false;
    FILE* file = _wfopen(kHeapCensusFile, L"r");
    if (!file)
        return false;
    const bool read = std::fscanf(file, "%lu %lu %lu %lu", &census.blocks, &census.bytes, &census.wineStaticBlocks,
                                  &census.heaps) == 4;
    std::fclose(file);
    DeleteFileW(kHeapCensusFile);
    return read;
}

} // namespace soak
