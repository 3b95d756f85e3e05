#include "tests/support/ProcessHandles.h"

#include <vector>

namespace testsupport {

// The handles processId holds now, from the system's handle list (Wine
// fills it; its process list gives only the size of the handle table).
DWORD ProcessHandleCount(DWORD processId)
{
    struct Entry {
        ULONG processId;
        UCHAR type;
        UCHAR flags;
        USHORT handle;
        void* object;
        ACCESS_MASK access;
    };
    using QueryFunction = LONG(WINAPI*)(int, void*, ULONG, ULONG*);
    static const auto query = reinterpret_cast<QueryFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    constexpr int kSystemHandleInformation = 16;
    if (!query)
        return 0;
    std::vector<BYTE> buffer(4 << 20);
    ULONG needed = 0;
    if (query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed) != 0)
        return 0;
    const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
    const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG_PTR));
    DWORD held = 0;
    for (ULONG i = 0; i < count && sizeof(ULONG_PTR) + (i + 1) * sizeof(Entry) <= buffer.size(); ++i)
        held += entries[i].processId == processId;
    return held;
}

} // namespace testsupport
