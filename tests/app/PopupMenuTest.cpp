// The tray menu over menu 106 of the resources linked into this test.
#include "app/PopupMenu.h"
#include "res/resource.h"
#include "tests/app/TestWindow.h"

#include <gtest/gtest.h>

namespace {

UINT StateOf(HMENU menu, UINT id)
{
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STATE;
    if (!GetMenuItemInfoW(menu, id, FALSE, &info))
        return 0xFFFFFFFF;
    return info.fState;
}

class PopupMenuTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, owner.Get()); }

    HINSTANCE instance = GetModuleHandleW(nullptr);
    TestWindow owner;
    CPopupMenu menu;
};

TEST_F(PopupMenuTest, LoadNeedsInstanceAndOwnerAndHappensOnce)
{
    EXPECT_FALSE(menu.Load(nullptr, owner.Get()));
    EXPECT_FALSE(menu.Load(instance, nullptr));
    EXPECT_FALSE(menu.IsLoaded());
    ASSERT_TRUE(menu.Load(instance, owner.Get()));
    HMENU first = menu.SubMenu();
    EXPECT_FALSE(menu.Load(instance, owner.Get())) << "a second menu would leak the first";
    EXPECT_EQ(first, menu.SubMenu());
    EXPECT_EQ(owner.Get(), menu.Owner());
    EXPECT_EQ(5, GetMenuItemCount(menu.SubMenu()));
}

TEST_F(PopupMenuTest, GreyingOutSetsBothStatesAndEnablingClearsThem)
{
    ASSERT_TRUE(menu.Load(instance, owner.Get()));
    for (UINT id : {IDM_OPEN_SETTINGS, IDM_VERIFY_PIN, IDM_ABOUT, IDM_EXIT}) {
        EXPECT_TRUE(menu.IsItemEnabled(id)) << id << " starts enabled";
        ASSERT_TRUE(menu.EnableItem(id, FALSE)) << id;
        EXPECT_EQ(static_cast<UINT>(MFS_DISABLED | MFS_GRAYED),
                  StateOf(menu.SubMenu(), id) & (MFS_DISABLED | MFS_GRAYED))
            << id;
        EXPECT_FALSE(menu.IsItemEnabled(id)) << id;
        ASSERT_TRUE(menu.EnableItem(id, TRUE)) << id;
        EXPECT_EQ(0u, StateOf(menu.SubMenu(), id) & (MFS_DISABLED | MFS_GRAYED)) << id;
        EXPECT_TRUE(menu.IsItemEnabled(id)) << id;
    }
}

TEST_F(PopupMenuTest, EnablingKeepsTheDefaultItemBold)
{
    ASSERT_TRUE(menu.Load(instance, owner.Get()));
    ASSERT_TRUE(menu.SetDefaultItem(0));
    EXPECT_EQ(static_cast<UINT>(IDM_OPEN_SETTINGS), GetMenuDefaultItem(menu.SubMenu(), FALSE, 0));
    menu.EnableItem(IDM_OPEN_SETTINGS, FALSE);
    menu.EnableItem(IDM_OPEN_SETTINGS, TRUE);
    EXPECT_NE(0u, StateOf(menu.SubMenu(), IDM_OPEN_SETTINGS) & MFS_DEFAULT);
}

TEST_F(PopupMenuTest, WithoutAMenuNothingIsEnabledOrChanged)
{
    EXPECT_FALSE(menu.EnableItem(IDM_VERIFY_PIN, TRUE));
    EXPECT_FALSE(menu.IsItemEnabled(IDM_OPEN_SETTINGS));
    EXPECT_FALSE(menu.SetDefaultItem(0));
    menu.Track(); // returns at once
    EXPECT_FALSE(menu.IsTracking());
}

TEST_F(PopupMenuTest, UnknownItemCannotBeChanged)
{
    ASSERT_TRUE(menu.Load(instance, owner.Get()));
    EXPECT_FALSE(menu.EnableItem(12345, FALSE));
    EXPECT_FALSE(menu.IsItemEnabled(12345));
}

TEST_F(PopupMenuTest, DestroyReleasesBothMenusAndAllowsANewLoad)
{
    ASSERT_TRUE(menu.Load(instance, owner.Get()));
    HMENU popup = menu.SubMenu();
    menu.Destroy();
    EXPECT_FALSE(menu.IsLoaded());
    EXPECT_EQ(nullptr, menu.Owner());
    EXPECT_FALSE(IsMenu(popup)) << "the popup handle is destroyed";
    EXPECT_FALSE(menu.EnableItem(IDM_VERIFY_PIN, FALSE));
    menu.Destroy(); // twice is harmless
    EXPECT_TRUE(menu.Load(instance, owner.Get()));
}

// Runs inside the menu's own loop while it is up.
CPopupMenu* g_trackedMenu = nullptr;
bool g_sawTracking = false;
int g_ticks = 0;

void CALLBACK WhileTracking(HWND, UINT, UINT_PTR id, DWORD)
{
    ++g_ticks;
    if (g_trackedMenu->IsTracking())
        g_sawTracking = true;
    if (g_ticks == 1) {
        g_trackedMenu->CancelTracking();
    } else {
        // The cancel did not end it: do not leave the test hanging.
        EndMenu();
        KillTimer(nullptr, id);
    }
}

TEST_F(PopupMenuTest, TrackingIsFlaggedWhileUpAndEndsOnCancel)
{
    ASSERT_TRUE(menu.Load(instance, owner.Get()));
    g_trackedMenu = &menu;
    g_sawTracking = false;
    g_ticks = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 200, &WhileTracking);
    ASSERT_NE(0u, timer);
    menu.Track();
    KillTimer(nullptr, timer);
    EXPECT_TRUE(g_sawTracking) << "the flag is set while TrackPopupMenu runs";
    EXPECT_EQ(1, g_ticks) << "WM_CANCELMODE to the owner ends the menu";
    EXPECT_FALSE(menu.IsTracking());
    g_trackedMenu = nullptr;
}

} // namespace
