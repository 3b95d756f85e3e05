#include "res/resource.h"
#include "tests/ui/DialogScript.h"
#include "ui/ChangePinDialog.h"
#include "ui/CheckPinDialog.h"
#include "ui/UnlockPukDialog.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

namespace {

HINSTANCE Module()
{
    return ::GetModuleHandleW(nullptr);
}

// Lets a test read the complaint, which the message dialog draws itself.
template <class Dialog>
class Exposed : public Dialog {
public:
    std::wstring ComplaintText() const
    {
        return this->m_msgDialog.m_pszText != nullptr ? this->m_msgDialog.m_pszText : L"";
    }
    HWND ComplaintWindow() const { return this->m_msgDialog.m_hWnd; }
};

std::wstring RangeComplaint(UINT nameId, unsigned min, unsigned max)
{
    return Format(ResString(IDS_LENGTH_RANGE).c_str(), ResString(nameId).c_str(), min, max);
}

std::wstring ExactComplaint(UINT nameId, unsigned length)
{
    return Format(ResString(IDS_LENGTH_EXACT).c_str(), ResString(nameId).c_str(), length);
}

// What one press of OK led to.
struct Outcome {
    INT_PTR result = 0;
    std::wstring complaint; // empty when none came up
    std::wstring complaintCaption;
    bool editsEmptied = false; // after the complaint was closed
    bool focusOnFirstEdit = false;
};

// Pastes entries into the edits and presses OK. When a complaint is
// expected it is read and closed, the reset checked, and the dialog cancelled.
template <class Dialog>
Outcome Submit(Exposed<Dialog>& dialog, UINT templateId, const std::vector<int>& edits,
               const std::vector<std::wstring>& entries, bool expectComplaint, const std::wstring& screenshot = L"")
{
    Outcome out;
    CDialogScript script;
    script.Then([&] {
        for (size_t i = 0; i < edits.size(); ++i)
            PasteInto(dialog.m_hWnd, edits[i], entries[i].c_str());
        Click(dialog.m_hWnd, IDOK);
    });
    if (expectComplaint) {
        script.WaitFor([&] { return dialog.ComplaintWindow() != nullptr; })
            .Then([&] {
                out.complaint = dialog.ComplaintText();
                out.complaintCaption = WindowText(dialog.ComplaintWindow());
                if (!screenshot.empty())
                    SaveScreenshot(dialog.ComplaintWindow(), screenshot);
                Click(dialog.ComplaintWindow(), IDOK);
            })
            .Then([&] {
                out.editsEmptied = true;
                for (int edit : edits)
                    out.editsEmptied = out.editsEmptied && ItemText(dialog.m_hWnd, edit).empty();
                out.focusOnFirstEdit = ::GetFocus() == ::GetDlgItem(dialog.m_hWnd, edits[0]);
                Click(dialog.m_hWnd, IDCANCEL);
            });
    }
    out.result = script.RunModal([&] { return dialog.DoModal(Module(), MAKEINTRESOURCEW(templateId), nullptr, 5); });
    return out;
}

const std::vector<int> kCheckEdits = {IDC_CHECK_PIN};
const std::vector<int> kChangeEdits = {IDC_CHANGE_OLD_PIN, IDC_CHANGE_NEW_PIN, IDC_CHANGE_NEW_PIN_CONFIRM};
const std::vector<int> kUnlockEdits = {IDC_UNLOCK_PUK, IDC_UNLOCK_NEW_PIN, IDC_UNLOCK_NEW_PIN_CONFIRM};

struct CheckCase {
    const char* name;
    const wchar_t* pin;
    bool passes;
};

void PrintTo(const CheckCase& c, std::ostream* os)
{
    *os << c.name;
}

class CheckPinEntryTest : public testing::TestWithParam<CheckCase> {};

TEST_P(CheckPinEntryTest, AcceptsOnlyDigitsWithinTheConfiguredLength)
{
    const CheckCase& c = GetParam();
    Exposed<CCheckPinDialog> dialog;
    Outcome out =
        Submit(dialog, IDD_CHECK_PIN, kCheckEdits, {c.pin}, !c.passes, c.passes ? L"" : L"complaint_pin_range");
    if (c.passes) {
        EXPECT_EQ(IDOK, out.result) << c.name;
        EXPECT_EQ(std::wstring(c.pin), dialog.m_szPin) << c.name;
        EXPECT_TRUE(out.complaint.empty()) << c.name;
    } else {
        EXPECT_EQ(IDCANCEL, out.result) << c.name;
        EXPECT_EQ(RangeComplaint(IDS_PIN1_NAME, 4, 8), out.complaint) << c.name;
        EXPECT_EQ(ResString(IDS_PRODUCT_TITLE), out.complaintCaption) << c.name;
        EXPECT_TRUE(out.editsEmptied) << c.name;
        EXPECT_TRUE(out.focusOnFirstEdit) << c.name;
        EXPECT_STREQ(L"", dialog.m_szPin) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Entries, CheckPinEntryTest,
                         testing::Values(CheckCase{"empty", L"", false}, CheckCase{"three digits", L"123", false},
                                         CheckCase{"four digits", L"1234", true},
                                         CheckCase{"eight digits", L"12345678", true},
                                         CheckCase{"pasted letter", L"12a45", false},
                                         CheckCase{"full-width digits", L"\xFF11\xFF12\xFF13\xFF14", false}),
                         [](const testing::TestParamInfo<CheckCase>& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             return name;
                         });

TEST(PinEntryTest, ANinthDigitCannotBeTyped)
{
    Exposed<CCheckPinDialog> dialog;
    std::wstring typed;
    CDialogScript script;
    script.Then([&] {
        TypeInto(dialog.m_hWnd, IDC_CHECK_PIN, L"123456789");
        typed = ItemText(dialog.m_hWnd, IDC_CHECK_PIN);
        Click(dialog.m_hWnd, IDOK);
    });
    EXPECT_EQ(IDOK,
              script.RunModal([&] { return dialog.DoModal(Module(), MAKEINTRESOURCEW(IDD_CHECK_PIN), nullptr, 3); }));
    EXPECT_EQ(L"12345678", typed);
    EXPECT_STREQ(L"12345678", dialog.m_szPin);
}

TEST(PinEntryTest, NonDigitsFailEvenWhenNoMinimumIsConfigured)
{
    Exposed<CCheckPinDialog> dialog;
    dialog.m_nPinMin = 0;
    Outcome out = Submit(dialog, IDD_CHECK_PIN, kCheckEdits, {L"12#4"}, true);
    EXPECT_EQ(IDCANCEL, out.result);
    EXPECT_EQ(RangeComplaint(IDS_PIN1_NAME, 1, 8), out.complaint) << "an empty code is never right";
}

struct ChangeCase {
    const char* name;
    std::vector<std::wstring> entries;
    UINT complaintId; // 0: passes; IDS_PIN_MISMATCH; else the length complaint
};

void PrintTo(const ChangeCase& c, std::ostream* os)
{
    *os << c.name;
}

class ChangePinDialogTest : public testing::TestWithParam<ChangeCase> {};

TEST_P(ChangePinDialogTest, ChecksLengthsInFieldOrderBeforeTheConfirmation)
{
    const ChangeCase& c = GetParam();
    Exposed<CChangePinDialog> dialog;
    Outcome out = Submit(dialog, IDD_CHANGE_PIN, kChangeEdits, c.entries, c.complaintId != 0,
                         c.complaintId == IDS_PIN_MISMATCH ? L"complaint_mismatch" : L"");
    if (c.complaintId == 0) {
        EXPECT_EQ(IDOK, out.result) << c.name;
        EXPECT_EQ(c.entries[0], dialog.m_szOldPin) << c.name;
        EXPECT_EQ(c.entries[1], dialog.m_szNewPin) << c.name;
        return;
    }
    const std::wstring expected =
        c.complaintId == IDS_PIN_MISMATCH ? ResString(IDS_PIN_MISMATCH) : RangeComplaint(IDS_PIN1_NAME, 4, 8);
    EXPECT_EQ(expected, out.complaint) << c.name;
    EXPECT_TRUE(out.editsEmptied) << c.name;
    EXPECT_TRUE(out.focusOnFirstEdit) << c.name;
    EXPECT_STREQ(L"", dialog.m_szOldPin) << c.name;
    EXPECT_STREQ(L"", dialog.m_szNewPin) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ChangePinDialogTest,
    testing::Values(ChangeCase{"matching", {L"1234", L"567890", L"567890"}, 0},
                    ChangeCase{"shortCurrent", {L"123", L"5678", L"5678"}, IDS_LENGTH_RANGE},
                    ChangeCase{"shortConfirmationBeforeMismatch", {L"1234", L"5678", L"567"}, IDS_LENGTH_RANGE},
                    ChangeCase{"mismatch", {L"1234", L"5678", L"5679"}, IDS_PIN_MISMATCH}),
    [](const testing::TestParamInfo<ChangeCase>& info) { return std::string(info.param.name); });

TEST(UnlockPukDialogTest, UnblockCodeOfOneLengthUsesTheOneLengthWording)
{
    Exposed<CUnlockPukDialog> dialog;
    Outcome shortPuk =
        Submit(dialog, IDD_UNLOCK_PUK, kUnlockEdits, {L"1234567", L"1234", L"1234"}, true, L"complaint_puk_exact");
    EXPECT_EQ(ExactComplaint(IDS_PUK_NAME, 8), shortPuk.complaint);

    Outcome shortPin = Submit(dialog, IDD_UNLOCK_PUK, kUnlockEdits, {L"12345678", L"123", L"123"}, true);
    EXPECT_EQ(RangeComplaint(IDS_PIN1_NAME, 4, 8), shortPin.complaint);

    Outcome mismatch = Submit(dialog, IDD_UNLOCK_PUK, kUnlockEdits, {L"12345678", L"1234", L"4321"}, true);
    EXPECT_EQ(ResString(IDS_PIN_MISMATCH), mismatch.complaint);

    Outcome good = Submit(dialog, IDD_UNLOCK_PUK, kUnlockEdits, {L"87654321", L"2468", L"2468"}, false);
    EXPECT_EQ(IDOK, good.result);
    EXPECT_STREQ(L"87654321", dialog.m_szPuk);
    EXPECT_STREQ(L"2468", dialog.m_szNewPin);
}

// The three dialogs behind one interface for the behaviours they share.
struct PinDialogKind {
    const char* name;
    UINT templateId;
    int noteId;
    UINT noteStringId;
    std::vector<int> edits;
    IPinDialog* (*make)();
    HWND (*complaintWindow)(IPinDialog*);
    std::wstring (*complaintText)(IPinDialog*);
    void (*dropMinimums)(IPinDialog*);
    UINT firstName; // the name the first field's complaint uses
};

template <class Dialog>
void DropMinimums(Dialog& dialog)
{
    dialog.m_nPinMin = 0;
    if constexpr (std::is_same_v<Dialog, CUnlockPukDialog>)
        dialog.m_nPukMin = 0;
}

template <class Dialog>
PinDialogKind Kind(const char* name, UINT templateId, int noteId, UINT noteStringId, std::vector<int> edits)
{
    return PinDialogKind{name,
                         templateId,
                         noteId,
                         noteStringId,
                         std::move(edits),
                         []() -> IPinDialog* { return new Exposed<Dialog>; },
                         [](IPinDialog* d) { return static_cast<Exposed<Dialog>*>(d)->ComplaintWindow(); },
                         [](IPinDialog* d) { return static_cast<Exposed<Dialog>*>(d)->ComplaintText(); },
                         [](IPinDialog* d) { DropMinimums<Dialog>(*static_cast<Exposed<Dialog>*>(d)); },
                         std::is_same_v<Dialog, CUnlockPukDialog> ? UINT(IDS_PUK_NAME) : UINT(IDS_PIN1_NAME)};
}

void PrintTo(const PinDialogKind& k, std::ostream* os)
{
    *os << k.name;
}

class PinDialogTest : public testing::TestWithParam<PinDialogKind> {
protected:
    void SetUp() override { m_dialog.reset(GetParam().make()); }
    INT_PTR Open(const std::function<void()>& step, LPARAM attempts = 3)
    {
        CDialogScript script;
        script.Then(step);
        return script.RunModal(
            [&] { return m_dialog->DoModal(Module(), MAKEINTRESOURCEW(GetParam().templateId), nullptr, attempts); });
    }
    std::unique_ptr<IPinDialog> m_dialog;
};

TEST_P(PinDialogTest, TheNoteShowsTheAttemptsPassedIncludingZero)
{
    const std::string kind = GetParam().name;
    for (LPARAM attempts : {LPARAM(0), LPARAM(2)}) {
        std::wstring note;
        bool focusOnFirstEdit = false;
        Open(
            [&] {
                note = ItemText(m_dialog->m_hWnd, GetParam().noteId);
                focusOnFirstEdit = ::GetFocus() == ::GetDlgItem(m_dialog->m_hWnd, GetParam().edits[0]);
                if (attempts != 0)
                    SaveScreenshot(m_dialog->m_hWnd, L"pin_" + std::wstring(kind.begin(), kind.end()));
                m_dialog->Close(IDCANCEL);
            },
            attempts);
        EXPECT_EQ(Format(ResString(GetParam().noteStringId).c_str(), static_cast<int>(attempts)), note);
        EXPECT_NE(std::wstring::npos, note.find(std::to_wstring(attempts))) << "attempts " << attempts;
        EXPECT_TRUE(focusOnFirstEdit) << "attempts " << attempts;
    }
}

TEST_P(PinDialogTest, CancelEscapeAndTheCloseBoxAllCancel)
{
    EXPECT_EQ(IDCANCEL, Open([&] { Click(m_dialog->m_hWnd, IDCANCEL); }));
    EXPECT_EQ(IDCANCEL, Open([&] { PressEscape(m_dialog->m_hWnd); }));
    EXPECT_EQ(IDCANCEL, Open([&] { ::PostMessageW(m_dialog->m_hWnd, WM_CLOSE, 0, 0); }));
}

TEST_P(PinDialogTest, OwnerCloseEndsAnOpenComplaintFirst)
{
    HWND complaint = nullptr;
    CDialogScript script;
    script
        .Then([&] { Click(m_dialog->m_hWnd, IDOK); }) // everything empty: a complaint
        .WaitFor([&] { return (complaint = GetParam().complaintWindow(m_dialog.get())) != nullptr; })
        .Then([&] { m_dialog->Close(DLG_CLOSED_BY_OWNER); });
    // Were the complaint left up, the script would run out of time instead.
    INT_PTR result = script.RunModal(
        [&] { return m_dialog->DoModal(Module(), MAKEINTRESOURCEW(GetParam().templateId), nullptr, 3); });
    EXPECT_EQ(DLG_CLOSED_BY_OWNER, result);
    EXPECT_FALSE(::IsWindow(complaint));
    EXPECT_EQ(nullptr, m_dialog->m_hWnd);
}

// With no minimum configured an empty field is still too short, in every
// field of every dialog: an empty code would cost an attempt at the card.
TEST_P(PinDialogTest, WithoutAMinimumEveryEmptyFieldIsTooShort)
{
    const PinDialogKind& kind = GetParam();
    kind.dropMinimums(m_dialog.get());
    for (size_t empty = 0; empty < kind.edits.size(); ++empty) {
        std::wstring complaint;
        CDialogScript script;
        script
            .Then([&] {
                for (size_t i = 0; i < kind.edits.size(); ++i)
                    PasteInto(m_dialog->m_hWnd, kind.edits[i], i == empty ? L"" : L"12345678");
                Click(m_dialog->m_hWnd, IDOK);
            })
            .WaitFor([&] { return kind.complaintWindow(m_dialog.get()) != nullptr; })
            .Then([&] {
                complaint = kind.complaintText(m_dialog.get());
                m_dialog->Close(IDCANCEL);
            });
        const INT_PTR result =
            script.RunModal([&] { return m_dialog->DoModal(Module(), MAKEINTRESOURCEW(kind.templateId), nullptr, 3); });
        EXPECT_EQ(IDCANCEL, result) << "field " << empty;
        EXPECT_EQ(RangeComplaint(empty == 0 ? kind.firstName : IDS_PIN1_NAME, 1, 8), complaint) << "field " << empty;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, PinDialogTest,
    testing::Values(
        Kind<CCheckPinDialog>("check", IDD_CHECK_PIN, IDC_CHECK_PIN_NOTE, IDS_PIN_RETRIES_NOTE, kCheckEdits),
        Kind<CChangePinDialog>("change", IDD_CHANGE_PIN, IDC_CHANGE_PIN_NOTE, IDS_PIN_RETRIES_NOTE, kChangeEdits),
        Kind<CUnlockPukDialog>("unlock", IDD_UNLOCK_PUK, IDC_UNLOCK_PUK_NOTE, IDS_PUK_RETRIES_NOTE, kUnlockEdits)),
    [](const testing::TestParamInfo<PinDialogKind>& info) { return std::string(info.param.name); });

TEST(CheckPinDialogTest, TrayOpeningShowsOnTheTaskbarWithTheIcon)
{
    Exposed<CCheckPinDialog> dialog;
    HICON icon =
        static_cast<HICON>(::LoadImageW(Module(), MAKEINTRESOURCEW(IDI_BRINDLE), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    ASSERT_NE(nullptr, icon);
    dialog.m_hIcon = icon;
    dialog.m_bAppWindow = TRUE;
    LONG exStyle = 0;
    LRESULT shownIcon = 0;
    CDialogScript script;
    script.Then([&] {
        exStyle = ::GetWindowLongW(dialog.m_hWnd, GWL_EXSTYLE);
        shownIcon = ::SendMessageW(dialog.m_hWnd, WM_GETICON, ICON_SMALL, 0);
        dialog.Close(IDCANCEL);
    });
    script.RunModal([&] { return dialog.DoModal(Module(), MAKEINTRESOURCEW(IDD_CHECK_PIN), nullptr, 3); });
    EXPECT_NE(0, exStyle & WS_EX_APPWINDOW);
    EXPECT_EQ(reinterpret_cast<LRESULT>(icon), shownIcon);
    ::DestroyIcon(icon);
}

} // namespace
