#include "ui/AboutDialog.h"

#include "common/FormatW.h"
#include "misccommon/RegValueNames.h"
#include "res/resource.h"
#include "ui/SettingsStore.h"

namespace {

constexpr int kValueChars = MAX_PATH + 1;

// Reads a string value into buffer (kValueChars); false when it cannot be read.
bool QueryStringValue(const wchar_t* name, wchar_t (&buffer)[kValueChars])
{
    ISettingsStore* store = GetSettingsStore();
    if (store == nullptr)
        return false;
    ZeroMemory(buffer, sizeof(buffer));
    std::uint32_t size = sizeof(buffer);
    if (store->QueryString(name, buffer, size) != 0)
        return false;
    // A value that fills the buffer comes back without a terminator.
    buffer[kValueChars - 1] = L'\0';
    return true;
}

} // namespace

BOOL CAboutDialog::Open(HINSTANCE hInstance, HWND hParent)
{
    if (m_hWnd != nullptr) {
        ::SetForegroundWindow(m_hWnd);
        return TRUE;
    }
    return Create(hInstance, MAKEINTRESOURCEW(IDD_ABOUT), hParent, 0);
}

INT_PTR CAboutDialog::DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(hDlg);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            m_headerBitmap.Reset();
            Close(0);
            return TRUE;
        }
        break;
    }
    return DefaultDialogProc(hDlg, message, wParam, lParam);
}

void CAboutDialog::OnInitDialog(HWND hDlg)
{
    wchar_t value[kValueChars];

    wchar_t title[kResStringChars];
    if (LoadResString(title, IDS_WINDOW_TITLE) > 0 && QueryStringValue(Settings::kVersion, value)) {
        wchar_t line[kValueChars];
        FormatW(line, kValueChars, L"%s %s", title, value);
        ::SetDlgItemTextW(hDlg, IDC_ABOUT_VERSION, line);
    }
    if (QueryStringValue(Settings::kCopyright, value))
        ::SetDlgItemTextW(hDlg, IDC_ABOUT_COPYRIGHT, value);

    LoadHeaderBitmap(hDlg, IDC_ABOUT_HEADER, m_headerBitmap);
    ::ShowWindow(hDlg, SW_SHOW);
}
