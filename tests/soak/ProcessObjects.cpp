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
