#include "res/resource.h"
#include "tests/common/LogCapture.h"
#include "tests/ui/DialogScript.h"
#include "ui/MessageDialog.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace {

// What the opened message dialog looked like.
struct Shown {
    RECT client = {};
    RECT window = {};
    RECT text = {};
    RECT button = {};
    std::wstring caption;
};

Shown ShowAndMeasure(const wchar_t* text, HWND owner = nullptr, const std::wstring& screenshot = L"")
{
    CMessageDialog dialog;
    Shown shown;
    CDialogScript script;
    script.Then([&] {
        HWND hDlg = dialog.m_hWnd;
        ::GetClientRect(hDlg, &shown.client);
        ::GetWindowRect(hDlg, &shown.window);
        shown.text = dialog.TextRect();
        shown.button = ItemRect(hDlg, IDOK);
        shown.caption = WindowText(hDlg);
        if (!screenshot.empty())
            SaveScreenshot(hDlg, screenshot);
        Click(hDlg, IDOK);
    });
    EXPECT_EQ(IDOK, script.RunModal([&] { return dialog.Show(owner, text, L"Brindle"); }));
    return shown;
}

int Height(const RECT& rc)
{
    return rc.bottom - rc.top;
}
int Width(const RECT& rc)
{
    return rc.right - rc.left;
}

// Height of one line of the system's message font.
int MessageFontLineHeight()
{
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    HFONT font = ::CreateFontIndirectW(&metrics.lfMessageFont);
    HDC hdc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(hdc, font);
    RECT rc = {0, 0, 1000, 0};
    ::DrawTextW(hdc, L"Ag", 2, &rc, DT_CALCRECT | DT_WORDBREAK);
    ::SelectObject(hdc, old);
    ::ReleaseDC(nullptr, hdc);
    ::DeleteObject(font);
    return Height(rc);
}

const wchar_t kLongLine[] = L"デバイスとの通信に失敗しました。もう一度お試しください。";
const wchar_t kTwoLines[] = L"短い行\nデバイスとの通信に失敗しました。もう一度お試しください。";

TEST(MessageDialogTest, TextAndButtonKeepTwelvePixelMargins)
{
    Shown s = ShowAndMeasure(kTwoLines, nullptr, L"message_two_lines");
    EXPECT_EQ(12, s.text.left);
    EXPECT_EQ(12, s.text.top);
    // Sizes count both edges (right - left + 1), as the dialog measures them.
    EXPECT_EQ(Height(s.client) - 12, s.button.bottom + 1) << "button bottom must be 12 px above the client bottom";
    EXPECT_EQ(s.text.bottom + 1 + 12, s.button.top) << "12 px between text and button";
    EXPECT_EQ(Width(s.client), (s.text.right + 1) + 12) << "12 px right of the text";
    EXPECT_EQ(L"Brindle", s.caption);
}

TEST(MessageDialogTest, LinesAreAsHighAsTheFontAndAsWideAsTheLongestLine)
{
    const int line = MessageFontLineHeight();
    Shown one = ShowAndMeasure(kLongLine);
    Shown two = ShowAndMeasure(kTwoLines);
    EXPECT_EQ(line, Height(one.text));
    EXPECT_EQ(2 * line, Height(two.text));
    EXPECT_EQ(Width(one.text), Width(two.text)) << "two lines must be as wide as the longer one";
    EXPECT_EQ(Width(one.client), Width(two.client));
    EXPECT_EQ(Height(two.client) - Height(one.client), line);
}

TEST(MessageDialogTest, ShortTextGetsTheButtonWidthWithTheButtonCentred)
{
    Shown s = ShowAndMeasure(L"!");
    const int buttonWidth = Width(s.button) + 1;
    EXPECT_EQ(buttonWidth + 24, Width(s.client));
    EXPECT_EQ((Width(s.client) - buttonWidth) / 2, s.button.left);
}

TEST(MessageDialogTest, ComesUpCentredOnTheScreenNotOverItsOwner)
{
    HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 160, 90, nullptr, nullptr,
                                   nullptr, nullptr);
    ASSERT_NE(nullptr, owner);
    Shown s = ShowAndMeasure(kLongLine, owner);
    ::DestroyWindow(owner);
    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ((screenWidth - Width(s.window) - 1) / 2, s.window.left);
    EXPECT_EQ((screenHeight - Height(s.window) - 1) / 2, s.window.top);
}

TEST(MessageDialogTest, EscapeCancelsAndTheOwnerEndsItWithItsResult)
{
    CMessageDialog dialog;
    CDialogScript escape;
    escape.Then([&] { PressEscape(dialog.m_hWnd); });
    EXPECT_EQ(IDCANCEL, escape.RunModal([&] { return dialog.Show(nullptr, L"text", L"Brindle"); }));

    CDialogScript owner;
    owner.Then([&] { dialog.Close(DLG_CLOSED_BY_OWNER); });
    EXPECT_EQ(DLG_CLOSED_BY_OWNER, owner.RunModal([&] { return dialog.Show(nullptr, L"text", L"Brindle"); }));
}

// A timer or a nested loop may report while a message is open: the one on
// screen keeps its texts and the refused one leaves a line in the log, by its
// id only: a Japanese text would cut the line (no locale) and run the next
// entry into it.
TEST(MessageDialogTest, ASecondMessageWhileOneIsOpenLeavesItIntactAndIsLogged)
{
    LogCapture log;
    CMessageDialog dialog;
    const wchar_t first[] = L"first";
    const wchar_t firstCaption[] = L"Brindle";
    INT_PTR second = 0;
    CDialogScript script;
    script.Then([&] {
        second = dialog.ShowString(nullptr, ::GetModuleHandleW(nullptr), IDS_PIN_WRONG);
        EXPECT_EQ(first, dialog.m_pszText);
        EXPECT_EQ(firstCaption, dialog.m_pszCaption);
        EXPECT_EQ(L"Brindle", WindowText(dialog.m_hWnd));
        Click(dialog.m_hWnd, IDOK);
    });
    EXPECT_EQ(IDOK, script.RunModal([&] { return dialog.Show(nullptr, first, firstCaption); }));
    EXPECT_EQ(-1, second);
    DebugPrint(L"next\n");
    const std::regex lines(R"([^\r\n]*\]ShowMessage:FAIL \(Open\) \()" + std::to_string(IDS_PIN_WRONG) +
                           R"(\)\r\n[^\r\n]*\]next\r\n)");
    EXPECT_TRUE(std::regex_match(log.Raw(), lines)) << "file holds: [" << log.Raw() << "]";
}

} // namespace
