// Strings, menu, icon, header pictures and manifest as the code expects them.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "tests/support/BrindleTexts.h"

namespace {

HINSTANCE Module()
{
    return GetModuleHandleW(nullptr);
}

using brindletext::StringEntry;

std::string Utf8(const std::wstring& w)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

// Ids are the numbers the code and the other processes rely on, not the
// names in resource.h, so a renumbered define shows up here.
class StringTableTest : public ::testing::TestWithParam<StringEntry> {};

TEST_P(StringTableTest, LoadsTheExactText)
{
    const StringEntry& c = GetParam();
    // The program loads every string into a 256-character buffer.
    wchar_t buf[256];
    int len = LoadStringW(Module(), c.id, buf, 256);
    EXPECT_EQ(static_cast<int>(wcslen(c.text)), len) << "string " << c.id;
    EXPECT_EQ(Utf8(c.text), Utf8(std::wstring(buf, len > 0 ? len : 0))) << "string " << c.id;
}

INSTANTIATE_TEST_SUITE_P(AllStrings, StringTableTest, ::testing::ValuesIn(brindletext::kStringTable),
                         [](const ::testing::TestParamInfo<StringEntry>& info) {
                             return "Ids" + std::to_string(info.param.id);
                         });

TEST(StringTableExtentTest, NoEntriesBesideTheKnownOnes)
{
    std::set<UINT> known;
    for (const StringEntry& c : brindletext::kStringTable)
        known.insert(c.id);
    // The four string blocks (16 ids each) that hold the table: a stray or
    // transposed id (140 for 104) shows up as an extra entry here.
    for (UINT id = 96; id < 160; ++id) {
        if (known.count(id))
            continue;
        wchar_t buf[256];
        EXPECT_EQ(0, LoadStringW(Module(), id, buf, 256)) << "unexpected string " << id;
    }
}

TEST(TrayMenuTest, HasTheFourCommandsInOrder)
{
    HMENU menu = LoadMenuW(Module(), MAKEINTRESOURCEW(106));
    ASSERT_NE(nullptr, menu);
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(nullptr, popup) << "the tray shows submenu 0";

    const auto& expected = brindletext::kTrayMenu;
    ASSERT_EQ(5, GetMenuItemCount(popup));
    for (UINT pos = 0; pos < 5; ++pos) {
        wchar_t text[64] = {};
        MENUITEMINFOW mii = {};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING | MIIM_STATE;
        mii.dwTypeData = text;
        mii.cch = 64;
        ASSERT_TRUE(GetMenuItemInfoW(popup, pos, TRUE, &mii)) << "position " << pos;
        if (!expected[pos].text) {
            EXPECT_TRUE(mii.fType & MFT_SEPARATOR) << "position " << pos;
            continue;
        }
        EXPECT_EQ(expected[pos].id, mii.wID) << "position " << pos;
        EXPECT_EQ(Utf8(expected[pos].text), Utf8(text)) << "position " << pos;
        // The code greys items itself; the resource starts with all enabled.
        EXPECT_EQ(0u, mii.fState & (MFS_DISABLED | MFS_GRAYED)) << "position " << pos;
    }
    DestroyMenu(menu);
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST(AppIconTest, GroupHas16To48PixelImagesWithAlpha)
{
    HRSRC res = FindResourceW(Module(), MAKEINTRESOURCEW(103), RT_GROUP_ICON);
    ASSERT_NE(nullptr, res);
    auto* dir = static_cast<const BYTE*>(LockResource(LoadResource(Module(), res)));
    ASSERT_NE(nullptr, dir);
    WORD count;
    std::memcpy(&count, dir + 4, sizeof count);
    std::set<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        GroupIconEntry e;
        std::memcpy(&e, dir + 6 + i * sizeof(GroupIconEntry), sizeof e);
        sizes.insert(e.width);
        EXPECT_EQ(e.width, e.height);
        EXPECT_EQ(32, e.bitCount) << e.width << " px image";
    }
    EXPECT_EQ((std::set<int>{16, 32, 48}), sizes);
}

class AppIconSizeTest : public ::testing::TestWithParam<int> {};

TEST_P(AppIconSizeTest, LoadsAtTheAskedSize)
{
    int px = GetParam();
    auto icon = static_cast<HICON>(LoadImageW(Module(), MAKEINTRESOURCEW(103), IMAGE_ICON, px, px, 0));
    ASSERT_NE(nullptr, icon) << px << " px";
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bm = {};
    ASSERT_TRUE(GetObjectW(info.hbmColor, sizeof bm, &bm));
    EXPECT_EQ(px, bm.bmWidth);
    EXPECT_EQ(px, bm.bmHeight);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
}

INSTANTIATE_TEST_SUITE_P(TrayAndWindowSizes, AppIconSizeTest, ::testing::Values(16, 32));

struct HeaderCase {
    UINT id;
    int width, height;
};

class HeaderBitmapTest : public ::testing::TestWithParam<HeaderCase> {};

// 274 x 33 dialog units at 96 DPI with the 8 pt shell font's 6 x 13 base
// units, then 1.25 and 1.5 times that (rounded half up) for 120 and 144 DPI.
TEST_P(HeaderBitmapTest, HasThePixelSizeForItsDpi)
{
    const HeaderCase& c = GetParam();
    auto bmp =
        static_cast<HBITMAP>(LoadImageW(Module(), MAKEINTRESOURCEW(c.id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(nullptr, bmp) << "bitmap " << c.id;
    BITMAP bm = {};
    ASSERT_TRUE(GetObjectW(bmp, sizeof bm, &bm));
    EXPECT_EQ(c.width, bm.bmWidth) << "bitmap " << c.id;
    EXPECT_EQ(c.height, bm.bmHeight) << "bitmap " << c.id;
    DeleteObject(bmp);
}

INSTANTIATE_TEST_SUITE_P(Dpi96To144, HeaderBitmapTest,
                         ::testing::Values(HeaderCase{110, 411, 54}, HeaderCase{147, 514, 68},
                                           HeaderCase{148, 617, 81}));

TEST(ManifestTest, AsksForCommonControls6AsInvokerDpiAwareVistaAnd7)
{
    HRSRC res = FindResourceW(Module(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(nullptr, res) << "RT_MANIFEST 1";
    auto* data = static_cast<const char*>(LockResource(LoadResource(Module(), res)));
    std::string xml(data, SizeofResource(Module(), res));

    for (const char* needle : {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                               "processorArchitecture=\"x86\" publicKeyToken=\"6595b64144ccf1df\"",
                               "level=\"asInvoker\"", ">true</dpiAware>",
                               "{e2011457-1546-43c5-a5fe-008deee3d3f0}",    // Vista
                               "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"}) { // 7
        EXPECT_NE(std::string::npos, xml.find(needle)) << needle;
    }
    // Declaring a newer system would change what GetVersionExW reports there.
    size_t declared = 0;
    for (size_t at = xml.find("<supportedOS"); at != std::string::npos; at = xml.find("<supportedOS", at + 1)) {
        ++declared;
    }
    EXPECT_EQ(2u, declared);
}

} // namespace
