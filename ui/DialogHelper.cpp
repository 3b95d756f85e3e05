#include "ui/DialogHelper.h"

#include "ui/ScreenDpi.h"

IDialogHelper::~IDialogHelper()
{
    m_hInstance = nullptr;
}

INT_PTR IDialogHelper::DoModal(HINSTANCE hInstance, LPCWSTR templateName, HWND hParent, LPARAM initParam)
{
    CMutexLockHolder hold(m_lock);
    if (!hold.Acquired())
        return -1;
    // The thread that runs a modal loop owns the mutex and may take it again,
    // so a nested DoModal on the same object gets this far and is refused here.
    if (m_hWnd != nullptr)
        return -1;
    m_lInitParam = initParam;
    m_bModal = TRUE;
    m_hInstance = hInstance;

    // The mutex stays held for the whole modal loop.
    INT_PTR result = ::DialogBoxParamW(hInstance, templateName, hParent, &IDialogBase::StaticDialogProc,
                                       reinterpret_cast<LPARAM>(static_cast<IDialogBase*>(this)));

    // A template that failed to load never reached WM_INITDIALOG.
    m_lInitParam = 0;
    m_hInstance = nullptr;
    return result;
}

BOOL IDialogHelper::Create(HINSTANCE hInstance, LPCWSTR templateName, HWND hParent, LPARAM initParam)
{
    CMutexLockHolder hold(m_lock);
    if (!hold.Acquired() || m_hWnd != nullptr)
        return FALSE;
    m_lInitParam = initParam;
    m_bModal = FALSE;
    m_hInstance = hInstance;

    HWND hDlg = ::CreateDialogParamW(hInstance, templateName, hParent, &IDialogBase::StaticDialogProc,
                                     reinterpret_cast<LPARAM>(static_cast<IDialogBase*>(this)));
    m_lInitParam = 0;
    if (hDlg == nullptr) {
        m_hInstance = nullptr;
        return FALSE;
    }
    return TRUE;
}

void IDialogHelper::Close(INT_PTR result)
{
    {
        CMutexLockHolder hold(m_lock);
        if (hold.Acquired()) {
            if (m_hWnd != nullptr) {
                if (m_bModal) {
                    ::EndDialog(m_hWnd, result);
                } else {
                    ::DestroyWindow(m_hWnd);
                    m_hInstance = nullptr;
                }
            }
            return;
        }
    }

    // Another thread holds the mutex (or it could not be made). A modal loop
    // only needs its end flag set; destroying a modeless window is worth a
    // short wait for the other thread to finish.
    if (m_bModal) {
        if (m_hWnd != nullptr)
            ::EndDialog(m_hWnd, result);
        return;
    }
    CMutexLockHolder hold(m_lock, 2000);
    if (!hold.Acquired())
        return;
    if (m_hWnd != nullptr)
        ::DestroyWindow(m_hWnd);
    m_hInstance = nullptr;
}

BOOL IDialogHelper::BringToForeground()
{
    HWND hForeground = ::GetForegroundWindow();
    if (hForeground == nullptr)
        return ::SetForegroundWindow(m_hWnd);

    // The system grants the foreground only to the thread that has the input;
    // sharing the input state with that thread makes this one eligible.
    DWORD thisThread = ::GetCurrentThreadId();
    DWORD foregroundThread = ::GetWindowThreadProcessId(hForeground, nullptr);
    if (!::AttachThreadInput(thisThread, foregroundThread, TRUE))
        return ::SetForegroundWindow(m_hWnd);

    BOOL result;
    DWORD lockTimeout = 0;
    if (::SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &lockTimeout, 0)) {
        ::SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<PVOID>(static_cast<UINT_PTR>(0)), 0);
        result = ::SetForegroundWindow(m_hWnd);
        ::SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                                reinterpret_cast<PVOID>(static_cast<UINT_PTR>(lockTimeout)), 0);
    } else {
        result = ::SetForegroundWindow(m_hWnd);
    }
    ::AttachThreadInput(thisThread, foregroundThread, FALSE);
    return result;
}

BOOL IDialogHelper::LoadHeaderBitmap(HWND hDlg, int controlId, CBitmapHandle& bitmap)
{
    int dpi = ReadScreenDpi();
    if (dpi <= 0)
        return FALSE;
    HBITMAP loaded = ::LoadBitmapW(m_hInstance, MAKEINTRESOURCEW(HeaderBitmapIdForDpi(dpi)));
    if (loaded != nullptr) {
        HWND hControl = ::GetDlgItem(hDlg, controlId);
        if (hControl != nullptr) {
            // The control hands back what it showed: the picture it loaded
            // from the template, which nothing else would ever delete, or
            // ours from an earlier call, deleted below.
            HBITMAP shown = reinterpret_cast<HBITMAP>(
                ::SendMessageW(hControl, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(loaded)));
            if (shown != nullptr && shown != bitmap.Get() && shown != loaded)
                ::DeleteObject(shown);
        }
    }
    // A dialog closed by its owner rather than by the user still holds the
    // picture of its last opening.
    bitmap.Reset(loaded);
    return bitmap.IsNull() ? FALSE : TRUE;
}
