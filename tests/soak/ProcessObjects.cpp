#include "tests/soak/ProcessObjects.h"

#include <vector>

#include "tests/e2e/RemoteDialog.h"
#include "tests/e2e/TestProcess.h"
#include "tests/support/BrindleTexts.h"

namespace soak {

using e2e::TextOf;
using e2e::TopLevelWindows;
using e2e::VisibleDialogs;

size_t CountMessageWindows(DWORD processId)
{
    size_t count = 0;
    for (HWND dialog : VisibleDialogs(processId)) {
        const HWND ok = GetDlgItem(dialog, IDOK);
        if (ok && GetWindow(dialog, GW_CHILD) == ok && !GetWindow(ok, GW_HWNDNEXT) &&
            TextOf(dialog) == brindletext::kCaption)
            ++count;
    }
    return count;
}

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

namespace {

BOOL CALLBACK CountChild(HWND, LPARAM count)
{
    ++*reinterpret_cast<DWORD*>(count);
    return TRUE;
}

} // namespace

DWORD CountWindows(DWORD processId)
{
    DWORD count = 0;
    for (HWND window : TopLevelWindows(processId)) {
        ++count;
        EnumChildWindows(window, CountChild, reinterpret_cast<LPARAM>(&count));
    }
    return count;
}

} // namespace soak
