// Start-up, the message loop and the orderly end.
#include "app/Brindle.h"

#include "app/OsCheck.h"
#include "app/RegSettingsStore.h"
#include "app/StartupChecks.h"
#include "app/WinVersion.h"
#include "misccommon/RegAccess.h"
#include "modem/SimService.h"
#include "res/resource.h"
#include "common/win/MutexLock.h"

#include <new>

namespace {

// One instance per logon session (no namespace prefix) and one per machine.
const wchar_t kSessionMutexName[] = L"B52C5327_26CF_407B_8A7D_1CAB83A83D11";
const wchar_t kGlobalMutexName[] = L"Global\\9C6A5858_5A22_4EF0_B91D_6CF8EDE0AC5E";

const int kExitNormal = 0;
const int kExitFailed = 1;

const RECT kMainWindowRect = {0, 0, 320, 240};

// The process-wide registry layer for one run, with the dialogs' view of it
// installed for exactly as long as the layer is open.
class CRegistryLayer : private CUncopyable {
public:
    ~CRegistryLayer() { Close(); }

    bool Open()
    {
        m_registry = new (std::nothrow) CRegAccess();
        if (m_registry == nullptr)
            return false;
        if (m_registry->Initialize(HKEY_LOCAL_MACHINE, Settings::kBasePath) != RegResult::kOk) {
            Close();
            return false;
        }
        SetSettingsStore(&m_store);
        return true;
    }

    void Close()
    {
        if (m_registry == nullptr)
            return;
        if (GetSettingsStore() == &m_store)
            SetSettingsStore(nullptr);
        m_registry->Terminate();
        delete m_registry;
        m_registry = nullptr;
    }

private:
    CRegAccess* m_registry = nullptr;
    CRegSettingsStore m_store;
};

} // namespace

CBrindle::CBrindle(HINSTANCE instance) : m_hInstance(instance) {}

CBrindle::~CBrindle()
{
    CSimService::Instance().DisconnectModem();
    m_smallIcon.Reset();
    // The members go in reverse order of declaration: the session
    // registration, the menu, then the dialogs; the base lets go of the window.
}

INT_PTR CBrindle::ShowMessage(UINT stringId)
{
    return m_msgDialog.ShowString(m_hWnd, m_hInstance, stringId);
}

INT_PTR CBrindle::ShowErrorMessage(int result, int detail)
{
    return m_msgDialog.ShowError(m_hWnd, m_hInstance, result, detail);
}

INT_PTR CBrindle::ShowClosingMessage(UINT stringId)
{
    CloseAllDialogs();
    return m_closingMsgDialog.ShowString(m_hWnd, m_hInstance, stringId);
}

BOOL CBrindle::LoadSmallIcon()
{
    if (m_smallIcon.IsNull())
        m_smallIcon.Reset(static_cast<HICON>(::LoadImageW(m_hInstance, MAKEINTRESOURCEW(IDI_BRINDLE), IMAGE_ICON,
                                                          ::GetSystemMetrics(SM_CXSMICON),
                                                          ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
    return !m_smallIcon.IsNull();
}

void CBrindle::ReadSettings()
{
    ::ReadSettings(CRegAccess::Instance(), &m_settings);
}

void CBrindle::ReadDebugSwitch()
{
    ::ReadDebugSwitch(CRegAccess::Instance());
}

int CBrindle::Run()
{
    if (m_hInstance == nullptr)
        return kExitFailed;

    // Leaving releases the global mutex first, then the session mutex.
    CMutexLock sessionMutex(kSessionMutexName, 0);
    CMutexLock globalMutex(kGlobalMutexName, 0);
    CWinVersion version;
    wchar_t caption[kResStringChars];
    wchar_t question[kResStringChars];
    LoadText(IDS_PRODUCT_TITLE, caption);
    LoadText(IDS_FUTURE_OS_QUESTION, question);

    if (version.Code() == kFutureOsVersionCode && AskFutureOsQuestion(question, caption) == 0)
        return kExitNormal;

    // Two starts at once must not both complain: only the one that gets the
    // session mutex shows its message.
    if (!IsSupportedOs()) {
        if (sessionMutex.Lock() == CMutexLock::kAcquired)
            ShowMessage(IDS_OS_UNSUPPORTED);
        return kExitFailed;
    }
    if (IsGuestUser()) {
        if (sessionMutex.Lock() == CMutexLock::kAcquired)
            ShowMessage(IDS_GUEST_REFUSED);
        return kExitFailed;
    }

    wchar_t className[kResStringChars];
    wchar_t title[kResStringChars];
    LoadText(IDS_WINDOW_CLASS, className);
    LoadText(IDS_WINDOW_TITLE, title);
    if (sessionMutex.Lock() != CMutexLock::kAcquired) {
        HWND running = ::FindWindowW(className, title);
        if (running != nullptr)
            ::SetForegroundWindow(running);
        return kExitFailed;
    }
    if (globalMutex.Lock() != CMutexLock::kAcquired) {
        ShowMessage(IDS_OTHER_USER);
        return kExitFailed;
    }

    if (!CheckPlatformSupport())
        return kExitFailed;

    CRegistryLayer registry;
    if (!registry.Open())
        return kExitFailed;
    ReadDebugSwitch();

    if (!RegisterAndCreateWindow(className, title))
        return kExitFailed;

    const int exitCode = MessageLoop();
    registry.Close();
    return exitCode;
}

bool CBrindle::RegisterAndCreateWindow(const wchar_t* className, const wchar_t* title)
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.hInstance = m_hInstance;
    windowClass.hIcon = ::LoadIconW(m_hInstance, MAKEINTRESOURCEW(IDI_BRINDLE));
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = className;
    LoadSmallIcon();
    windowClass.hIconSm = m_smallIcon.Get();
    // The window is never shown: the tray icon is the program's face.
    return Create(windowClass, title, WS_OVERLAPPEDWINDOW, 0, &kMainWindowRect, nullptr, nullptr) != FALSE;
}

int CBrindle::MessageLoop()
{
    MSG message = {};
    for (;;) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1)
            break;
        // The About dialog is modeless: its keyboard handling needs the loop.
        HWND about = m_aboutDialog.m_hWnd;
        if (about != nullptr && ::IsDialogMessageW(about, &message))
            continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
