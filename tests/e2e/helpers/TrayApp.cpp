// A small stand-in for a tray program, for proving the end-to-end harness
// before the real program exists: it adds an icon with a chosen tooltip,
// re-adds it on "TaskbarCreated", shows a popup menu and a code dialog, logs
// what it receives in the real program's log format, and exits with a
// chosen code. Everything is chosen on the command line.
#include <windows.h>
#include <shellapi.h>

#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <string>

#include "tests/e2e/helpers/TrayAppIds.h"

namespace {

struct Options {
    std::wstring windowClass = L"E2eTrayApp";
    std::wstring title = L"E2eTrayApp";
    std::wstring tip = L"Helper\nReady";
    std::wstring mutexName;
    int exitCode = 0;
    int exitAtStart = -1;
    int addTries = 1;
    bool noWindow = false;
};

Options g_options;
HINSTANCE g_instance;
HWND g_dialog;
UINT g_taskbarCreated;
std::wstring g_tip;
std::wstring g_enteredCode;

// Same line format as the real program's debug log, so that the harness's
// log reader is proven on the real thing's shape.
void Log(const char* format, ...)
{
    char message[512];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);
    wchar_t path[MAX_PATH];
    if (!ExpandEnvironmentStringsW(L"%HOMEDRIVE%%HOMEPATH%\\BRINDLELOG.txt", path, MAX_PATH))
        return;
    FILE* f = _wfopen(path, L"a");
    if (!f)
        return;
    SYSTEMTIME t;
    GetLocalTime(&t);
    fprintf(f, "%04d/%02d/%02d %02d:%02d:%02d.%03d [PID:%lu]%s", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
            t.wSecond, t.wMilliseconds, GetCurrentProcessId(), message);
    fclose(f);
}

std::string Narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

// A command line cannot carry a line break, so the tip's "\n" is spelt out.
std::wstring Unescape(const wchar_t* text)
{
    std::wstring out;
    for (const wchar_t* p = text; *p; ++p) {
        if (p[0] == L'\\' && p[1] == L'n') {
            out += L'\n';
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

void ParseOptions()
{
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; args && i < count; ++i) {
        std::wstring name = args[i];
        const wchar_t* value = i + 1 < count ? args[i + 1] : L"";
        if (name == L"--no-window") {
            g_options.noWindow = true;
            continue;
        }
        ++i;
        if (name == L"--class")
            g_options.windowClass = value;
        else if (name == L"--title")
            g_options.title = value;
        else if (name == L"--tip")
            g_options.tip = Unescape(value);
        else if (name == L"--mutex")
            g_options.mutexName = value;
        else if (name == L"--exit-code")
            g_options.exitCode = _wtoi(value);
        else if (name == L"--exit-at-start")
            g_options.exitAtStart = _wtoi(value);
        else if (name == L"--add-tries")
            g_options.addTries = _wtoi(value);
    }
    LocalFree(args);
}

BOOL NotifyTray(HWND window, DWORD action)
{
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = 0;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = TRAYAPP_TRAY_NOTIFY;
    data.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    lstrcpynW(data.szTip, g_tip.c_str(), ARRAYSIZE(data.szTip));
    return Shell_NotifyIconW(action, &data);
}

// The real program's way: retry the add, and take an accepted modify as
// proof that the icon is already there.
BOOL AddIcon(HWND window)
{
    for (int attempt = 0; attempt < g_options.addTries; ++attempt) {
        if (NotifyTray(window, NIM_ADD))
            return TRUE;
        Log("Shell_NotifyIcon(NIM_ADD): FAIL \n");
        if (NotifyTray(window, NIM_MODIFY)) {
            Log("Shell_NotifyIcon(NIM_MODIFY): TRUE\n");
            return TRUE;
        }
        Sleep(200);
    }
    return FALSE;
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        g_dialog = dialog;
        SendDlgItemMessageW(dialog, TRAYAPP_EDIT, EM_LIMITTEXT, TRAYAPP_EDIT_LIMIT, 0);
        EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == TRAYAPP_EDIT && HIWORD(wParam) == EN_CHANGE) {
            EnableWindow(GetDlgItem(dialog, IDOK), GetWindowTextLengthW(GetDlgItem(dialog, TRAYAPP_EDIT)) > 0);
        } else if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            wchar_t code[64] = L"";
            GetDlgItemTextW(dialog, TRAYAPP_EDIT, code, ARRAYSIZE(code));
            g_enteredCode = code;
            EndDialog(dialog, LOWORD(wParam));
        }
        return TRUE;
    }
    return FALSE;
}

void OpenDialog(HWND window)
{
    if (g_dialog) {
        SetForegroundWindow(g_dialog);
        return;
    }
    INT_PTR result = DialogBoxParamW(g_instance, MAKEINTRESOURCEW(TRAYAPP_DIALOG), window, DialogProc, 0);
    g_dialog = nullptr;
    if (result != IDOK) {
        Log("Dialog:CANCEL\n");
        return;
    }
    // The code typed in from another process comes back through the tray.
    Log("Dialog:OK %s\n", Narrow(g_enteredCode).c_str());
    g_tip = L"Helper\nEntered " + g_enteredCode;
    NotifyTray(window, NIM_MODIFY);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == g_taskbarCreated && g_taskbarCreated != 0) {
        Log("TaskbarCreated\n");
        if (!AddIcon(window))
            DestroyWindow(window);
        return 0;
    }
    switch (message) {
    case WM_CREATE:
        return AddIcon(window) ? 0 : -1;
    case WM_DESTROY:
        NotifyTray(window, NIM_DELETE);
        PostQuitMessage(g_options.exitCode);
        return 0;
    case TRAYAPP_TRAY_NOTIFY:
        if (lParam == WM_LBUTTONDBLCLK) {
            OpenDialog(window);
        } else if (lParam == WM_LBUTTONUP || lParam == WM_RBUTTONUP) {
            HMENU menu = LoadMenuW(g_instance, MAKEINTRESOURCEW(TRAYAPP_MENU));
            POINT at;
            GetCursorPos(&at);
            SetForegroundWindow(window);
            TrackPopupMenu(GetSubMenu(menu, 0), 0, at.x, at.y, 0, window, nullptr);
            DestroyMenu(menu);
        }
        return 0;
    case WM_COMMAND:
        Log("Command:%u\n", LOWORD(wParam));
        if (LOWORD(wParam) == TRAYAPP_CMD_OPEN)
            OpenDialog(window);
        else if (LOWORD(wParam) == TRAYAPP_CMD_EXIT)
            DestroyWindow(window);
        return 0;
    case TRAYAPP_DEVICE_REFRESH:
        Log("Message:DeviceRefresh %u\n", static_cast<unsigned>(wParam));
        return 0;
    case WM_POWERBROADCAST:
        Log("Message:PowerBroadcast %u\n", static_cast<unsigned>(wParam));
        return TRUE;
    case WM_WTSSESSION_CHANGE:
        Log("Message:SessionChange %u\n", static_cast<unsigned>(wParam));
        return 0;
    case WM_QUERYENDSESSION:
        Log("Message:QueryEndSession %u\n", static_cast<unsigned>(wParam));
        return TRUE;
    case WM_ENDSESSION:
        Log("Message:EndSession %u\n", static_cast<unsigned>(wParam));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    g_instance = instance;
    ParseOptions();
    Log("Start\n");
    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) {
        Log("Version:%lu.%lu.%lu product %u\n", version.dwMajorVersion, version.dwMinorVersion, version.dwBuildNumber,
            version.wProductType);
    }
    if (g_options.exitAtStart >= 0)
        return g_options.exitAtStart;

    HANDLE mutex = nullptr;
    if (!g_options.mutexName.empty()) {
        mutex = CreateMutexW(nullptr, FALSE, g_options.mutexName.c_str());
        if (!mutex || WaitForSingleObject(mutex, 0) != WAIT_OBJECT_0) {
            Log("Mutex:HELD %s\n", Narrow(g_options.mutexName).c_str());
            return 1;
        }
        Log("Mutex:TAKEN %s\n", Narrow(g_options.mutexName).c_str());
    }
    if (g_options.noWindow) {
        Sleep(INFINITE);
        return 0;
    }

    g_tip = g_options.tip;
    g_taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = g_options.windowClass.c_str();
    if (!RegisterClassExW(&windowClass))
        return 2;
    HWND window = CreateWindowExW(0, g_options.windowClass.c_str(), g_options.title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0,
                                  320, 240, nullptr, nullptr, instance, nullptr);
    if (!window) {
        Log("Create:FAIL\n");
        return 3;
    }
    MSG msg;
    int result;
    while ((result = GetMessageW(&msg, nullptr, 0, 0)) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (mutex) {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }
    Log("Exit:%d\n", static_cast<int>(msg.wParam));
    return result == 0 ? static_cast<int>(msg.wParam) : 4;
}
