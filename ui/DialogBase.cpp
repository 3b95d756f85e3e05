#include "ui/DialogBase.h"

#include "common/win/ProcAddress.h"
#include "common/win/WindowBinding.h"

const wchar_t kDialogObjectProperty[] = L"IDIALOGBASE_CLASS";

namespace {

LONG_PTR AsWindowLong(DLGPROC proc)
{
    return reinterpret_cast<LONG_PTR>(ProcCast<FARPROC>(proc));
}

} // namespace

IDialogBase::~IDialogBase()
{
    if (m_hWnd != nullptr)
        Detach();
    m_lInitParam = 0;
}

INT_PTR CALLBACK IDialogBase::StaticDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = static_cast<IDialogBase*>(::GetPropW(hDlg, kDialogObjectProperty));
    if (self == nullptr) {
        // WM_SETFONT and the like come before WM_INITDIALOG, when nothing is
        // bound yet; only WM_INITDIALOG carries the object.
        if (message != WM_INITDIALOG || lParam == 0)
            return FALSE;
        self = reinterpret_cast<IDialogBase*>(lParam);
        self->Attach(hDlg);
        lParam = self->m_lInitParam;
        self->m_lInitParam = 0;
    }

    INT_PTR result = FALSE;
    try {
        result = self->DialogProc(hDlg, message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the system's dispatch code.
        result = FALSE;
    }

    // Unbinding here is what marks the dialog closed, so it must happen even
    // when the handler threw.
    if (message == WM_DESTROY && self->m_hWnd != nullptr)
        self->Detach();
    return result;
}

BOOL IDialogBase::Attach(HWND hDlg)
{
    if (m_hWnd != nullptr)
        return FALSE;
    LONG_PTR previous = 0;
    if (!BindToWindow(hDlg, kDialogObjectProperty, this, DWLP_DLGPROC, AsWindowLong(&IDialogBase::StaticDialogProc),
                      previous))
        return FALSE;
    m_hWnd = hDlg;
    m_pfnPrevDlgProc = previous != 0 ? ProcCast<DLGPROC>(reinterpret_cast<FARPROC>(previous)) : nullptr;
    return TRUE;
}

void IDialogBase::Detach()
{
    LONG_PTR previous = m_pfnPrevDlgProc != nullptr ? AsWindowLong(m_pfnPrevDlgProc) : 0;
    UnbindFromWindow(m_hWnd, kDialogObjectProperty, DWLP_DLGPROC, previous);
    m_pfnPrevDlgProc = nullptr;
    m_hWnd = nullptr;
}

bool IDialogBase::EndOnOkOrCancel(HWND hDlg, WPARAM wParam)
{
    const int id = LOWORD(wParam);
    if (id != IDOK && id != IDCANCEL)
        return false;
    ::EndDialog(hDlg, id);
    return true;
}

INT_PTR IDialogBase::DefaultDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnPrevDlgProc != nullptr)
        return ::CallWindowProcW(ProcCast<WNDPROC>(m_pfnPrevDlgProc), hDlg, message, wParam, lParam);
    return FALSE;
}
