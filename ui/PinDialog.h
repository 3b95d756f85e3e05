// What the three PIN code dialogs share: their own message dialog for input
// complaints, the attempt note, the input check and the reset after a
// complaint.
#pragma once

#include "common/SecureWipe.h"
#include "ui/DialogHelper.h"
#include "ui/MessageDialog.h"
#include "ui/PinEntryCheck.h"

#include <cstddef>

// Capacity of every code field, terminator included.
constexpr int kPinChars = kMaxCodeLength + 1;

class IPinDialog : public IDialogHelper {
public:
    IPinDialog() = default;
    ~IPinDialog() override = default;

    // Ends an open complaint first (with DLG_CLOSED_BY_OWNER), so that this
    // dialog's own modal loop can return the owner's result.
    void Close(INT_PTR result) override;

    // Init, OK (check the entries) and Cancel, alike for the three dialogs.
    INT_PTR DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) override;

    // The owner calls this as soon as it has used the codes, on every path.
    virtual void WipeCodes() = 0;

protected:
    virtual void OnInitDialog(HWND hDlg, LPARAM attemptsLeft) = 0;
    // Ends the dialog with IDOK when the entries pass, else complains.
    virtual void OnOk(HWND hDlg) = 0;

    // String stringId formatted with count into the static controlId.
    void SetAttemptNote(HWND hDlg, int controlId, UINT stringId, LPARAM count);

    // Runs the check over the entries in order. On failure fills complaint
    // and returns false: the length complaint (with the entry's name, string
    // nameIds[i]) for the first failing entry, else the mismatch complaint
    // when confirmation is given and differs from newCode.
    bool CheckEntries(const PinEntryRule* rules, const UINT* nameIds, std::size_t count, const wchar_t* newCode,
                      const wchar_t* confirmation, wchar_t (&complaint)[kResStringChars]) const;

    // The opening of the change and unblock dialogs: the attempt note, both
    // codes wiped, the three edits limited (the first to codeMax, the new
    // PIN1 and its confirmation to pinMax), the focus on the first.
    void InitCodeAndNewPin(HWND hDlg, int noteId, UINT noteStringId, LPARAM attemptsLeft, const int (&edits)[3],
                           wchar_t (&code)[kPinChars], unsigned codeMax, wchar_t (&newPin)[kPinChars], unsigned pinMax);

    // The OK step of the change and unblock dialogs: edits[0] holds the code
    // that authorises the change (into code, checked as codeRule with the
    // name string codeName), edits[1] and edits[2] the new PIN1 and its
    // confirmation (into newPin). Ends with IDOK when all pass; else wipes
    // both codes, complains, and unless the owner closed the dialog meanwhile
    // empties the edits for another try.
    void CheckCodeAndNewPin(HWND hDlg, const int (&edits)[3], wchar_t (&code)[kPinChars], unsigned codeMin,
                            unsigned codeMax, UINT codeName, wchar_t (&newPin)[kPinChars], unsigned pinMin,
                            unsigned pinMax);

    // Shows complaint over hDlg (caption: the product title) and returns the
    // message dialog's result.
    INT_PTR ShowComplaint(HWND hDlg, const wchar_t* complaint);

    // Empties the edits and puts the focus on the first one.
    static void ResetEdits(HWND hDlg, const int* editIds, std::size_t count);
    static void ReadEdit(HWND hDlg, int editId, wchar_t (&buffer)[kPinChars]);
    static void LimitEdit(HWND hDlg, int editId, unsigned maxLength);

    CMessageDialog m_msgDialog;
};
