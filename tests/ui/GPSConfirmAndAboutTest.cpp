#include "BrindleVersion.h"
#include "res/resource.h"
#include "tests/ui/DialogScript.h"
#include "tests/ui/FakeSettingsStore.h"
#include "tests/ui/HeaderBitmapLog.h"
#include "ui/AboutDialog.h"
#include "ui/GPSConfirmDialog.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

HINSTANCE Module()
{
    return ::GetModuleHandleW(nullptr);
}

struct ConfirmCase {
    const char* name;
    int button;
    bool checked;
    bool withStore;
    INT_PTR result;
    bool writes;
};

void PrintTo(const ConfirmCase& c, std::ostream* os)
{
    *os << c.name;
}

class GPSConfirmDialogTest : public testing::TestWithParam<ConfirmCase> {};

TEST_P(GPSConfirmDialogTest, WritesTheSuppressionOnlyOnOkWithTheBoxChecked)
{
    const ConfirmCase& c = GetParam();
    CFakeSettingsStore store;
    CStoreInstallation installed(c.withStore ? &store : nullptr);
    CGPSConfirmDialog dialog;
    CDialogScript script;
    script.Then([&] {
        if (c.checked)
            Click(dialog.m_hWnd, IDC_DONT_SHOW_AGAIN);
        if (c.button == IDOK && c.checked)
            SaveScreenshot(dialog.m_hWnd, L"gps_confirm");
        Click(dialog.m_hWnd, c.button);
    });
    INT_PTR result =
        script.RunModal([&] { return dialog.DoModal(Module(), MAKEINTRESOURCEW(IDD_GPS_CONFIRM), nullptr, 0); });
    EXPECT_EQ(c.result, result) << c.name;
    if (c.writes) {
        EXPECT_EQ(1, store.writes) << c.name;
        EXPECT_EQ(1u, store.dwords[L"DontShowConfirmDialog"]) << c.name;
    } else {
        EXPECT_EQ(0, store.writes) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Buttons, GPSConfirmDialogTest,
                         testing::Values(ConfirmCase{"OkChecked", IDOK, true, true, IDOK, true},
                                         ConfirmCase{"OkUnchecked", IDOK, false, true, IDOK, false},
                                         ConfirmCase{"CancelChecked", IDCANCEL, true, true, IDCANCEL, false},
                                         ConfirmCase{"OkCheckedWithoutStore", IDOK, true, false, IDOK, false}),
                         [](const testing::TestParamInfo<ConfirmCase>& info) { return std::string(info.param.name); });

// Opens About modeless, reads its two lines and closes it with OK.
struct AboutLines {
    std::wstring version;
    std::wstring copyright;
};

AboutLines ShowAbout(const std::wstring& screenshot = L"")
{
    CAboutDialog about;
    AboutLines lines;
    EXPECT_TRUE(about.Open(Module(), nullptr));
    HWND hDlg = about.m_hWnd;
    CDialogScript script;
    script.Then([&] {
        lines.version = ItemText(hDlg, IDC_ABOUT_VERSION);
        lines.copyright = ItemText(hDlg, IDC_ABOUT_COPYRIGHT);
        EXPECT_TRUE(::IsWindowVisible(hDlg));
        if (!screenshot.empty())
            SaveScreenshot(hDlg, screenshot);
        Click(hDlg, IDOK);
    });
    script.RunModeless();
    EXPECT_FALSE(::IsWindow(hDlg)) << "OK must destroy the modeless window";
    EXPECT_EQ(nullptr, about.m_hWnd);
    return lines;
}

TEST(AboutDialogTest, ShowsTheTitleWithVersionAndTheCopyrightFromTheStore)
{
    CFakeSettingsStore store;
    store.strings[L"Version"] = L"Version 2.3.4";
    store.strings[L"Copyright"] = L"Copyright (C) 2011 Norvane Corporation";
    CStoreInstallation installed(&store);
    AboutLines lines = ShowAbout(L"about");
    EXPECT_EQ(L"Brindle Version 2.3.4", lines.version);
    EXPECT_EQ(L"Copyright (C) 2011 Norvane Corporation", lines.copyright);
}

TEST(AboutDialogTest, KeepsTheTemplateTextsWhenTheValuesAreMissing)
{
    CFakeSettingsStore empty;
    CFakeSettingsStore onlyVersion;
    onlyVersion.strings[L"Version"] = L"3.0";
    for (ISettingsStore* store : {static_cast<ISettingsStore*>(&empty), static_cast<ISettingsStore*>(nullptr),
                                  static_cast<ISettingsStore*>(&onlyVersion)}) {
        CStoreInstallation installed(store);
        AboutLines lines = ShowAbout();
        EXPECT_EQ(store == &onlyVersion ? L"Brindle 3.0" : L"" BRINDLE_ABOUT_VERSION, lines.version);
        EXPECT_EQ(L"Copyright (C) Norvane", lines.copyright);
    }
}

TEST(AboutDialogTest, AnUnterminatedValueIsCutAtTheBuffer)
{
    CFakeSettingsStore store;
    store.strings[L"Copyright"] = std::wstring(300, L'c');
    CStoreInstallation installed(&store);
    AboutLines lines = ShowAbout();
    EXPECT_EQ(std::wstring(260, L'c'), lines.copyright);
}

class CWatchedAboutDialog : public CAboutDialog {
public:
    explicit CWatchedAboutDialog(CHeaderBitmapLog& log) : m_log(log) {}
    INT_PTR DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) override
    {
        m_log.Record(hDlg, message);
        const INT_PTR result = CAboutDialog::DialogProc(hDlg, message, wParam, lParam);
        m_log.Record(hDlg, message);
        return result;
    }

private:
    CHeaderBitmapLog& m_log;
};

// Each opening shows the template's header and then the DPI's own; a
// hundred openings leave none of them behind.
TEST(AboutDialogTest, AHundredOpeningsLeaveNoPictureBehind)
{
    CHeaderBitmapLog log(IDC_ABOUT_HEADER);
    CWatchedAboutDialog about(log);
    for (int opening = 0; opening < 100; ++opening) {
        ASSERT_TRUE(about.Open(Module(), nullptr)) << "opening " << opening;
        HWND hDlg = about.m_hWnd;
        CDialogScript script;
        script.Then([&] { Click(hDlg, IDOK); });
        script.RunModeless();
        ASSERT_FALSE(::IsWindow(hDlg)) << "opening " << opening;
    }
    EXPECT_GE(log.Recorded(), 2u);
    EXPECT_EQ(0u, log.Alive());
}

TEST(AboutDialogTest, OpeningTwiceBringsTheFirstWindowForward)
{
    CAboutDialog about;
    ASSERT_TRUE(about.Open(Module(), nullptr));
    HWND first = about.m_hWnd;
    HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                                   nullptr, nullptr);
    ::SetForegroundWindow(other);

    EXPECT_TRUE(about.Open(Module(), nullptr));
    EXPECT_EQ(first, about.m_hWnd);
    EXPECT_EQ(1u, ThreadDialogs().size());
    EXPECT_EQ(first, ::GetForegroundWindow());

    // At exit the owner closes it with 0.
    about.Close(0);
    EXPECT_FALSE(::IsWindow(first));
    EXPECT_EQ(nullptr, about.m_hWnd);
    ::DestroyWindow(other);
}

} // namespace
