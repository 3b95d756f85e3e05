// Every dialog template: its frame, and each control's id, class, key styles,
// text and place, checked on a real window created from the template.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <ostream>
#include <string>
#include <vector>

#include "BrindleVersion.h"
#include "tests/support/BrindleTexts.h"
#include "tests/support/WindowPicture.h"

namespace {

HINSTANCE Module()
{
    return GetModuleHandleW(nullptr);
}

enum class Kind { DefButton, Button, CheckBox, GroupBox, Label, EdgeLabel, PinEdit, Bitmap, Icon };

struct Control {
    int id;
    Kind kind;
    const wchar_t* text; // nullptr: not checked (image statics)
    int x, y, cx, cy;    // dialog units
};

// A runtime text put into a control before the screenshot, so the picture
// shows whether the longest real texts fit.
struct RuntimeText {
    int control;
    UINT stringId;
    int arg;
};

struct Dialog {
    const char* name;
    UINT id;
    const wchar_t* caption;
    int cx, cy;
    DWORD visibleAndForeground; // which of WS_VISIBLE | DS_SETFOREGROUND the template sets
    DWORD exStyle;
    std::vector<Control> controls;
    std::vector<RuntimeText> runtimeTexts;
};

const int S = -1; // IDC_STATIC

const std::vector<Control> kPinGroup = {
    {S, Kind::GroupBox, L"PIN制御", 9, 46, 238, 124},        {S, Kind::Label, L"状態:", 14, 61, 24, 12},
    {1001, Kind::EdgeLabel, L"", 37, 61, 158, 12},           {S, Kind::Label, L"PIN1セキュリティ:", 13, 81, 62, 12},
    {1004, Kind::Button, L"有効", 84, 78, 69, 14},           {1006, Kind::Button, L"無効", 157, 78, 69, 14},
    {S, Kind::Label, L"PIN1コードの変更:", 13, 103, 62, 12}, {1002, Kind::Button, L"変更", 84, 100, 69, 14},
    {S, Kind::Label, L"PIN1照合:", 13, 125, 62, 12},         {1005, Kind::Button, L"照合", 84, 122, 69, 14},
    {S, Kind::Label, L"PINロックの解除:", 13, 147, 62, 12},  {1003, Kind::Button, L"解除", 84, 144, 69, 14},
};

void PrintTo(const Dialog& d, std::ostream* os)
{
    *os << "template " << d.id;
}

std::vector<Control> Concat(std::vector<Control> a, const std::vector<Control>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<Dialog> AllDialogs()
{
    return {
        {"About",
         108,
         brindletext::kAboutCaption,
         288,
         106,
         0,
         0,
         {{1, Kind::DefButton, L"OK", 118, 85, 50, 14},
          {1023, Kind::Label, L"" BRINDLE_ABOUT_VERSION, 75, 51, 198, 13},
          {1024, Kind::Label, L"Copyright (C) Norvane", 75, 66, 198, 11},
          {S, Kind::Icon, nullptr, 41, 51, 20, 20},
          {1027, Kind::Bitmap, nullptr, 7, 7, 274, 33}},
         {}},
        {"Settings",
         112,
         L"Brindle",
         254,
         196,
         WS_VISIBLE | DS_SETFOREGROUND,
         WS_EX_APPWINDOW,
         Concat({{1, Kind::DefButton, L"閉じる", 197, 178, 50, 14}, {1026, Kind::Bitmap, nullptr, 7, 7, 240, 33}},
                kPinGroup),
         {{1001, 130, 0}}},
        {"SettingsWithGps",
         140,
         L"Brindle",
         254,
         257,
         WS_VISIBLE | DS_SETFOREGROUND,
         WS_EX_APPWINDOW,
         Concat(
             Concat({{1, Kind::DefButton, L"閉じる", 197, 240, 50, 14}, {1026, Kind::Bitmap, nullptr, 7, 7, 240, 33}},
                    kPinGroup),
             {{S, Kind::GroupBox, L"GPS制御", 9, 179, 238, 54},
              {S, Kind::Label, L"状態:", 14, 193, 62, 12},
              {1009, Kind::EdgeLabel, L"", 37, 192, 158, 12},
              {S, Kind::Label, L"GPS機能:", 13, 213, 62, 12},
              {1007, Kind::Button, L"有効", 84, 212, 69, 14},
              {1008, Kind::Button, L"無効", 157, 212, 69, 14}}),
         {{1001, 130, 0}, {1009, 123, 5}}},
        {"VerifyPin",
         114,
         brindletext::kVerifyCaption,
         134,
         95,
         WS_VISIBLE | DS_SETFOREGROUND,
         0,
         {{1, Kind::DefButton, L"OK", 12, 74, 50, 14},
          {2, Kind::Button, L"キャンセル", 70, 74, 50, 14},
          {S, Kind::Label, L"PIN1コードを入力してください。", 16, 7, 104, 11},
          {1007, Kind::PinEdit, L"", 13, 17, 106, 12},
          {1008, Kind::EdgeLabel, L"", 13, 36, 106, 31}},
         {{1008, 104, 3}}},
        {"ChangePin",
         116,
         brindletext::kChangeCaption,
         205,
         114,
         0,
         0,
         {{1, Kind::DefButton, L"OK", 40, 93, 50, 14},
          {2, Kind::Button, L"キャンセル", 115, 93, 50, 14},
          {S, Kind::Label, L"現在のPIN1コード", 14, 9, 95, 12},
          {1009, Kind::PinEdit, L"", 113, 7, 78, 12},
          {1010, Kind::EdgeLabel, L"", 14, 26, 177, 23},
          {S, Kind::Label, L"新しいPIN1コード", 14, 57, 95, 12},
          {1011, Kind::PinEdit, L"", 113, 56, 78, 12},
          {S, Kind::Label, L"新しいPIN1コード（確認）", 14, 73, 95, 12},
          {1012, Kind::PinEdit, L"", 113, 70, 78, 12}},
         {{1010, 104, 3}}},
        {"UnblockPin",
         118,
         brindletext::kUnblockCaption,
         205,
         114,
         0,
         0,
         {{1, Kind::DefButton, L"OK", 40, 93, 50, 14},
          {2, Kind::Button, L"キャンセル", 115, 93, 50, 14},
          {S, Kind::Label, L"PINロック解除コード", 14, 9, 95, 12},
          {1013, Kind::PinEdit, L"", 113, 7, 78, 12},
          {1014, Kind::EdgeLabel, L"", 14, 26, 177, 23},
          {S, Kind::Label, L"新しいPIN1コード", 14, 57, 95, 12},
          {1015, Kind::PinEdit, L"", 113, 56, 78, 12},
          {S, Kind::Label, L"新しいPIN1コード（確認）", 14, 73, 95, 12},
          {1016, Kind::PinEdit, L"", 113, 70, 78, 12}},
         {{1014, 124, 10}}},
        {"Message", 123, L"Brindle", 274, 60, 0, 0, {{1, Kind::DefButton, L"OK", 106, 39, 61, 14}}, {}},
        {"GpsConfirm",
         131,
         L"Brindle",
         357,
         102,
         0,
         0,
         {{1, Kind::DefButton, L"OK", 243, 83, 50, 14},
          {2, Kind::Button, L"キャンセル", 301, 83, 50, 14},
          {1020, Kind::CheckBox, L"次回からこの画面を表示しない", 12, 71, 226, 10},
          {S, Kind::Label, L"GPSを有効にします。", 5, 6, 334, 8},
          {S, Kind::Label, L"- GPSを有効にすると、通信環境によってはデータ通信速度が落ちる場合があります。", 7, 20, 333,
           13},
          {S, Kind::Label,
           L"- GPSの有効/無効は、無線切り替えスイッチおよび無線切り替えユーティリティのオン/オ"
           L"フと連動しません。",
           7, 34, 346, 12},
          {S, Kind::Label, L"本ユーティリティからGPS 有効/無効を設定して下さい。", 12, 42, 333, 8},
          {S, Kind::Label, L"- 本ユーティリティを終了すると、GPSは無効になります。", 7, 55, 344, 8}},
         {}},
    };
}

std::string Utf8(const std::wstring& w)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

const char* KindName(Kind k)
{
    switch (k) {
    case Kind::DefButton:
        return "default button";
    case Kind::Button:
        return "button";
    case Kind::CheckBox:
        return "check box";
    case Kind::GroupBox:
        return "group box";
    case Kind::Label:
        return "label";
    case Kind::EdgeLabel:
        return "status static";
    case Kind::PinEdit:
        return "PIN edit";
    case Kind::Bitmap:
        return "bitmap static";
    case Kind::Icon:
        return "icon static";
    }
    return "?";
}

// What a template's header says, read straight from the DLGTEMPLATEEX
// resource: the window's own style no longer shows every DS_ bit.
struct TemplateHeader {
    DWORD style = 0, exStyle = 0;
    int items = 0, cx = 0, cy = 0;
    std::wstring caption, typeface;
    int pointSize = 0;
};

const WORD* SkipSzOrOrd(const WORD* p)
{
    if (*p == 0xFFFF)
        return p + 2;
    while (*p)
        ++p;
    return p + 1;
}

bool ReadTemplateHeader(UINT id, TemplateHeader* out)
{
    HRSRC res = FindResourceW(Module(), MAKEINTRESOURCEW(id), RT_DIALOG);
    if (!res)
        return false;
    auto* p = static_cast<const WORD*>(LockResource(LoadResource(Module(), res)));
    if (!p || p[0] != 1 || p[1] != 0xFFFF)
        return false; // DIALOGEX only
    auto dword = [](const WORD* w) {
        DWORD d;
        std::memcpy(&d, w, sizeof d);
        return d;
    };
    out->exStyle = dword(p + 4);
    out->style = dword(p + 6);
    out->items = p[8];
    out->cx = static_cast<short>(p[11]);
    out->cy = static_cast<short>(p[12]);
    const WORD* q = SkipSzOrOrd(SkipSzOrOrd(p + 13)); // menu, class
    out->caption = reinterpret_cast<const wchar_t*>(q);
    q = SkipSzOrOrd(q);
    if (out->style & DS_SETFONT) {
        out->pointSize = q[0];
        out->typeface = reinterpret_cast<const wchar_t*>(q + 3); // after weight, italic+charset
    }
    return true;
}

INT_PTR CALLBACK MinimalProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// Lets Wine map, paint and settle the window before it is looked at.
void Pump()
{
    for (int round = 0; round < 10; ++round) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(20);
    }
}

// Creates the dialog from a copy of its template with WS_VISIBLE cleared:
// mapping a window under Wine without a window manager costs about two
// seconds, and only the screenshot needs the window on screen.
HWND CreateHidden(UINT id)
{
    HRSRC res = FindResourceW(Module(), MAKEINTRESOURCEW(id), RT_DIALOG);
    if (!res)
        return nullptr;
    auto* data = static_cast<const BYTE*>(LockResource(LoadResource(Module(), res)));
    std::vector<BYTE> copy(data, data + SizeofResource(Module(), res));
    const size_t styleOffset = 12; // dlgVer, signature, helpID, exStyle
    DWORD style;
    std::memcpy(&style, &copy[styleOffset], sizeof style);
    style &= ~static_cast<DWORD>(WS_VISIBLE);
    std::memcpy(&copy[styleOffset], &style, sizeof style);
    return CreateDialogIndirectParamW(Module(), reinterpret_cast<LPCDLGTEMPLATEW>(copy.data()), nullptr, MinimalProc,
                                      0);
}

class DialogTemplateTest : public ::testing::TestWithParam<Dialog> {
protected:
    void SetUp() override
    {
        dialog_ = CreateHidden(GetParam().id);
        ASSERT_NE(nullptr, dialog_) << "template " << GetParam().id << " error " << GetLastError();
    }
    void TearDown() override
    {
        if (dialog_)
            DestroyWindow(dialog_);
    }

    HWND dialog_ = nullptr;
};

TEST_P(DialogTemplateTest, FrameIsAModalShellFontPopup)
{
    const Dialog& d = GetParam();
    TemplateHeader h;
    ASSERT_TRUE(ReadTemplateHeader(d.id, &h)) << "template " << d.id << " is no DIALOGEX";

    const DWORD frame = DS_SHELLFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    EXPECT_EQ(frame, h.style & frame) << "template " << d.id << " style " << std::hex << h.style;
    EXPECT_EQ(d.visibleAndForeground, h.style & (WS_VISIBLE | DS_SETFOREGROUND)) << "template " << d.id;
    EXPECT_EQ(d.exStyle, h.exStyle & WS_EX_APPWINDOW) << "template " << d.id;
    EXPECT_EQ(d.cx, h.cx) << "template " << d.id;
    EXPECT_EQ(d.cy, h.cy) << "template " << d.id;
    EXPECT_EQ(8, h.pointSize) << "template " << d.id;
    EXPECT_EQ(Utf8(L"MS Shell Dlg"), Utf8(h.typeface)) << "template " << d.id;
    EXPECT_EQ(Utf8(d.caption), Utf8(h.caption)) << "template " << d.id;
    EXPECT_EQ(static_cast<int>(d.controls.size()), h.items) << "template " << d.id;

    wchar_t title[128] = {};
    GetWindowTextW(dialog_, title, 128);
    EXPECT_EQ(Utf8(d.caption), Utf8(title)) << "template " << d.id;
}

void CheckKind(HWND child, Kind kind, const std::string& where)
{
    wchar_t cls[64] = {};
    GetClassNameW(child, cls, 64);
    const DWORD style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
    const DWORD ex = static_cast<DWORD>(GetWindowLongW(child, GWL_EXSTYLE));
    const std::wstring want =
        (kind == Kind::PinEdit) ? L"Edit"
        : (kind == Kind::DefButton || kind == Kind::Button || kind == Kind::CheckBox || kind == Kind::GroupBox)
            ? L"Button"
            : L"Static";
    EXPECT_EQ(0, _wcsicmp(want.c_str(), cls)) << where << ": class " << Utf8(cls);

    switch (kind) {
    case Kind::DefButton:
        EXPECT_EQ(static_cast<DWORD>(BS_DEFPUSHBUTTON), style & BS_TYPEMASK) << where;
        EXPECT_TRUE(style & WS_TABSTOP) << where;
        break;
    case Kind::Button:
        EXPECT_EQ(static_cast<DWORD>(BS_PUSHBUTTON), style & BS_TYPEMASK) << where;
        EXPECT_TRUE(style & WS_TABSTOP) << where;
        break;
    case Kind::CheckBox:
        EXPECT_EQ(static_cast<DWORD>(BS_AUTOCHECKBOX), style & BS_TYPEMASK) << where;
        EXPECT_TRUE(style & WS_TABSTOP) << where;
        break;
    case Kind::GroupBox:
        EXPECT_EQ(static_cast<DWORD>(BS_GROUPBOX), style & BS_TYPEMASK) << where;
        break;
    case Kind::Label:
    case Kind::EdgeLabel:
        EXPECT_EQ(static_cast<DWORD>(SS_LEFT), style & SS_TYPEMASK) << where;
        EXPECT_EQ(kind == Kind::EdgeLabel, (ex & WS_EX_STATICEDGE) != 0) << where;
        break;
    case Kind::PinEdit: {
        // A PIN is digits only and never shown.
        const DWORD pin = ES_NUMBER | ES_PASSWORD | ES_AUTOHSCROLL | WS_TABSTOP;
        EXPECT_EQ(pin, style & pin) << where << " style " << std::hex << style;
        EXPECT_TRUE((style & WS_BORDER) || (ex & WS_EX_CLIENTEDGE)) << where << ": no border";
        EXPECT_NE(0, SendMessageW(child, EM_GETPASSWORDCHAR, 0, 0)) << where;
        break;
    }
    case Kind::Bitmap: {
        EXPECT_EQ(static_cast<DWORD>(SS_BITMAP), style & SS_TYPEMASK) << where;
        EXPECT_TRUE(style & SS_CENTERIMAGE) << where;
        // "#110" in the template must have found the 96 DPI header.
        auto bmp = reinterpret_cast<HBITMAP>(SendMessageW(child, STM_GETIMAGE, IMAGE_BITMAP, 0));
        BITMAP bm = {};
        ASSERT_TRUE(bmp && GetObjectW(bmp, sizeof bm, &bm)) << where << ": no picture";
        EXPECT_EQ(411, bm.bmWidth) << where;
        EXPECT_EQ(54, bm.bmHeight) << where;
        break;
    }
    case Kind::Icon:
        EXPECT_EQ(static_cast<DWORD>(SS_ICON), style & SS_TYPEMASK) << where;
        EXPECT_TRUE(style & SS_CENTERIMAGE) << where;
        EXPECT_NE(0, SendMessageW(child, STM_GETICON, 0, 0)) << where << ": no icon";
        break;
    }
}

TEST_P(DialogTemplateTest, ControlsComeInTemplateOrderWithIdsClassesStylesAndPlaces)
{
    const Dialog& d = GetParam();
    std::vector<HWND> children;
    for (HWND c = GetWindow(dialog_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        children.push_back(c);
    }
    ASSERT_EQ(d.controls.size(), children.size()) << "template " << d.id;

    for (size_t i = 0; i < children.size(); ++i) {
        const Control& want = d.controls[i];
        HWND child = children[i];
        const std::string where = "template " + std::to_string(d.id) + " control #" + std::to_string(i) + " (" +
                                  KindName(want.kind) + " " + std::to_string(want.id) + ")";
        EXPECT_EQ(want.id, static_cast<int>(static_cast<short>(GetDlgCtrlID(child)))) << where;
        CheckKind(child, want.kind, where);
        if (want.text) {
            wchar_t text[256] = {};
            GetWindowTextW(child, text, 256);
            EXPECT_EQ(Utf8(want.text), Utf8(text)) << where;
        }

        // The dialog manager converts origin and size separately, so the
        // far edge is not the converted far edge.
        RECT expected = {want.x, want.y, want.cx, want.cy};
        MapDialogRect(dialog_, &expected);
        expected.right += expected.left;
        expected.bottom += expected.top;
        RECT actual;
        GetWindowRect(child, &actual);
        MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_TRUE(EqualRect(&expected, &actual))
            << where << ": at " << actual.left << "," << actual.top << "-" << actual.right << "," << actual.bottom
            << ", expected " << expected.left << "," << expected.top << "-" << expected.right << "," << expected.bottom;
    }
}

// Fixed texts must fit their controls in the dialog font; a label that wraps
// or runs past its box loses characters on screen. The layout is made for a
// proportional Japanese UI font (MS UI Gothic); a fixed-pitch stand-in sets
// kana a third wider and overflows the narrow labels, which says nothing
// about the templates.
TEST_P(DialogTemplateTest, FixedTextsFitTheirControls)
{
    const Dialog& d = GetParam();
    HDC dc = GetDC(dialog_);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(dialog_, WM_GETFONT, 0, 0)));
    TEXTMETRICW tm = {};
    GetTextMetricsW(dc, &tm);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    // TMPF_FIXED_PITCH set means variable pitch.
    const bool proportional = (tm.tmPitchAndFamily & TMPF_FIXED_PITCH) != 0;
    if (proportional) {
        for (const Control& c : d.controls) {
            if (!c.text || !*c.text)
                continue;
            RECT box = {0, 0, c.cx, c.cy};
            MapDialogRect(dialog_, &box);
            int room = box.right;
            if (c.kind == Kind::CheckBox)
                room -= GetSystemMetrics(SM_CXMENUCHECK) + 4;
            if (c.kind == Kind::DefButton || c.kind == Kind::Button)
                room -= 8;
            if (c.kind == Kind::GroupBox)
                room -= 16;
            SIZE extent = {};
            GetTextExtentPoint32W(dc, c.text, static_cast<int>(wcslen(c.text)), &extent);
            EXPECT_LE(extent.cx, room) << "template " << d.id << " \"" << Utf8(c.text) << "\"";
            EXPECT_LE(extent.cy, box.bottom) << "template " << d.id << " \"" << Utf8(c.text) << "\"";
        }
    }
    SelectObject(dc, oldFont);
    ReleaseDC(dialog_, dc);
    // The prepared prefix maps the dialog font to a proportional face; a fixed
    // pitch one here means the prefix is not what the tests were made for.
    EXPECT_TRUE(proportional) << "the dialog font here is " << Utf8(face) << ", fixed pitch";
}

// A picture of every template for a person to look at; tools/screenshots
// draws them, the test run does not.
TEST_P(DialogTemplateTest, DISABLED_RendersForInspection)
{
    const Dialog& d = GetParam();
    // The template as the program uses it, visible or not by its own style.
    DestroyWindow(dialog_);
    dialog_ = CreateDialogParamW(Module(), MAKEINTRESOURCEW(d.id), nullptr, MinimalProc, 0);
    ASSERT_NE(nullptr, dialog_) << "template " << d.id;
    for (const RuntimeText& t : d.runtimeTexts)
        SetDlgItemTextW(dialog_, t.control, Format(ResString(t.stringId), t.arg).c_str());
    ShowWindow(dialog_, SW_SHOWNORMAL);
    // The frame is drawn only on request: without RDW_FRAME the capture has
    // no caption.
    RedrawWindow(dialog_, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();

    CreateDirectoryW(L"screenshots", nullptr);
    std::wstring path = L"screenshots\\dialog" + std::to_wstring(d.id) + L".png";
    EXPECT_TRUE(WriteWindowPng(dialog_, path)) << "template " << d.id;
}

INSTANTIATE_TEST_SUITE_P(AllTemplates, DialogTemplateTest, ::testing::ValuesIn(AllDialogs()),
                         [](const ::testing::TestParamInfo<Dialog>& info) { return std::string(info.param.name); });

} // namespace
