#include "ui/PinDialog.h"

#include "common/FormatW.h"
#include "res/resource.h"

#include <cwchar>

INT_PTR IPinDialog::DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(hDlg, lParam);
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            OnOk(hDlg);
            return TRUE;
        }
        if (EndOnOkOrCancel(hDlg, wParam))
            return TRUE;
        break;
    }
    return DefaultDialogProc(hDlg, message, wParam, lParam);
}

void IPinDialog::Close(INT_PTR result)
{
    m_msgDialog.Close(DLG_CLOSED_BY_OWNER);
    IDialogHelper::Close(result);
}

void IPinDialog::SetAttemptNote(HWND hDlg, int controlId, UINT stringId, LPARAM count)
{
    wchar_t format[kResStringChars];
    LoadResString(format, stringId);
    wchar_t note[kResStringChars];
    FormatW(note, kResStringChars, format, static_cast<int>(count));
    ::SetDlgItemTextW(hDlg, controlId, note);
}

bool IPinDialog::CheckEntries(const PinEntryRule* rules, const UINT* nameIds, std::size_t count, const wchar_t* newCode,
                              const wchar_t* confirmation, wchar_t (&complaint)[kResStringChars]) const
{
    complaint[0] = L'\0';
    std::size_t failing = FindFailingEntry(rules, count);
    if (failing < count) {
        const PinEntryRule& rule = rules[failing];
        wchar_t format[kResStringChars];
        wchar_t name[kResStringChars];
        LoadResString(format, LengthMessageId(rule));
        LoadResString(name, nameIds[failing]);
        if (LengthMessageId(rule) == IDS_LENGTH_EXACT)
            FormatW(complaint, kResStringChars, format, name, rule.maxLength);
        else
            FormatW(complaint, kResStringChars, format, name, MinimumLength(rule), rule.maxLength);
        return false;
    }
    if (confirmation != nullptr && std::wcscmp(newCode, confirmation) != 0) {
        LoadResString(complaint, IDS_PIN_MISMATCH);
        return false;
    }
    return true;
}

void IPinDialog::InitCodeAndNewPin(HWND hDlg, int noteId, UINT noteStringId, LPARAM attemptsLeft, const int (&edits)[3],
                                   wchar_t (&code)[kPinChars], unsigned codeMax, wchar_t (&newPin)[kPinChars],
                                   unsigned pinMax)
{
    SetAttemptNote(hDlg, noteId, noteStringId, attemptsLeft);
    SecureWipe(code);
    SecureWipe(newPin);
    LimitEdit(hDlg, edits[0], codeMax);
    LimitEdit(hDlg, edits[1], pinMax);
    LimitEdit(hDlg, edits[2], pinMax);
    ::SetFocus(::GetDlgItem(hDlg, edits[0]));
}

void IPinDialog::CheckCodeAndNewPin(HWND hDlg, const int (&edits)[3], wchar_t (&code)[kPinChars], unsigned codeMin,
                                    unsigned codeMax, UINT codeName, wchar_t (&newPin)[kPinChars], unsigned pinMin,
                                    unsigned pinMax)
{
    wchar_t confirmation[kPinChars];
    ReadEdit(hDlg, edits[0], code);
    ReadEdit(hDlg, edits[1], newPin);
    ReadEdit(hDlg, edits[2], confirmation);
    const PinEntryRule rules[] = {{code, codeMin, codeMax}, {newPin, pinMin, pinMax}, {confirmation, pinMin, pinMax}};
    const UINT names[] = {codeName, IDS_PIN1_NAME, IDS_PIN1_NAME};
    wchar_t complaint[kResStringChars];
    const bool passed = CheckEntries(rules, names, 3, newPin, confirmation, complaint);
    SecureWipe(confirmation);
    if (passed) {
        ::EndDialog(hDlg, IDOK);
        return;
    }

    const INT_PTR result = ShowComplaint(hDlg, complaint);
    SecureWipe(code);
    SecureWipe(newPin);
    if (result == DLG_CLOSED_BY_OWNER || m_hWnd == nullptr)
        return;
    ResetEdits(hDlg, edits, 3);
}

INT_PTR IPinDialog::ShowComplaint(HWND hDlg, const wchar_t* complaint)
{
    wchar_t caption[kResStringChars];
    LoadResString(caption, IDS_PRODUCT_TITLE);
    return m_msgDialog.Show(hDlg, complaint, caption);
}

void IPinDialog::ResetEdits(HWND hDlg, const int* editIds, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        ::SetDlgItemTextW(hDlg, editIds[i], L"");
    if (count > 0)
        ::SetFocus(::GetDlgItem(hDlg, editIds[0]));
}

void IPinDialog::ReadEdit(HWND hDlg, int editId, wchar_t (&buffer)[kPinChars])
{
    buffer[0] = L'\0';
    ::GetDlgItemTextW(hDlg, editId, buffer, kPinChars);
    buffer[kPinChars - 1] = L'\0';
}

void IPinDialog::LimitEdit(HWND hDlg, int editId, unsigned maxLength)
{
    ::SendDlgItemMessageW(hDlg, editId, EM_LIMITTEXT, maxLength, 0);
}
