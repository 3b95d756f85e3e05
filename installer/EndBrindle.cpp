// The MSI's custom action that ends a running Brindle before files are
// checked for use: the same road as the setup program's uninstaller, the
// tray menu's exit command posted to the main window, so GPS is switched off
// and the tray icon removed, and the program file is free to be replaced or
// deleted without a reboot.
#include <windows.h>
#include <msi.h>

namespace {

constexpr WPARAM kMenuExit = 40005;
// Brindle disconnects the modem after its window has gone; only then is its
// file free.
constexpr DWORD kExitWaitMs = 30000;
constexpr DWORD kPollMs = 500;

} // namespace

extern "C" __declspec(dllexport) UINT __stdcall EndBrindle(MSIHANDLE)
{
    HWND window = ::FindWindowW(L"Brindle", L"Brindle");
    if (window == nullptr)
        return ERROR_SUCCESS;
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    // Opened before the command is posted, so the end can still be watched.
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, processId);
    // Posted, not sent: a program still starting handles it once its message
    // loop runs instead of making the installation wait on a send.
    ::PostMessageW(window, WM_COMMAND, kMenuExit, 0);
    if (process != nullptr) {
        ::WaitForSingleObject(process, kExitWaitMs);
        ::CloseHandle(process);
        return ERROR_SUCCESS;
    }
    for (DWORD waited = 0; waited < kExitWaitMs && ::IsWindow(window); waited += kPollMs)
        ::Sleep(kPollMs);
    return ERROR_SUCCESS;
}
