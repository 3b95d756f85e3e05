// Binding an object to its window: when the object sees messages, when it
// lets go, and that nothing escapes the window procedure.
#include "app/WindowBase.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

const UINT WM_THROW = WM_APP + 40;

class RecordingWindow : public IWindowHelper {
public:
    LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override
    {
        messages.push_back(message);
        if (message == WM_CREATE) {
            boundAtCreate = m_hWnd == window && FromWindow(window) == this;
            if (refuseCreate)
                return -1;
        }
        if (message == WM_THROW)
            throw std::runtime_error("handler failed");
        return DefaultWindowProc(window, message, wParam, lParam);
    }

    BOOL CreateHidden(const wchar_t* className)
    {
        WNDCLASSEXW windowClass = {};
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = className;
        return Create(windowClass, L"", WS_OVERLAPPEDWINDOW, 0, nullptr, nullptr, nullptr);
    }

    bool Saw(UINT message) const
    {
        for (UINT m : messages)
            if (m == message)
                return true;
        return false;
    }

    std::vector<UINT> messages;
    bool refuseCreate = false;
    bool boundAtCreate = false;
};

TEST(WindowBaseTest, BindsAtCreationAndLetsGoAfterDestroy)
{
    RecordingWindow object;
    ASSERT_TRUE(object.CreateHidden(L"BrindleBindTest1"));
    HWND window = object.m_hWnd;
    ASSERT_NE(nullptr, window);
    EXPECT_TRUE(object.boundAtCreate) << "WM_CREATE already finds the object";
    EXPECT_EQ(WM_NCCREATE, object.messages.front()) << "WM_NCCREATE is the first message routed";
    EXPECT_EQ(static_cast<IWindowBase*>(&object), IWindowHelper::FromWindow(window));
    EXPECT_EQ(nullptr, object.m_pfnPrevWndProc) << "our own class needs no subclassing";

    ASSERT_TRUE(DestroyWindow(window));
    EXPECT_TRUE(object.Saw(WM_DESTROY));
    EXPECT_FALSE(object.Saw(WM_NCDESTROY)) << "nothing after WM_DESTROY reaches the object";
    EXPECT_EQ(nullptr, object.m_hWnd);
}

TEST(WindowBaseTest, RefusedCreationLeavesNoBinding)
{
    RecordingWindow object;
    object.refuseCreate = true;
    EXPECT_FALSE(object.CreateHidden(L"BrindleBindTest2"));
    EXPECT_EQ(nullptr, object.m_hWnd);
    object.refuseCreate = false;
    ASSERT_TRUE(object.CreateHidden(L"BrindleBindTest2b")) << "the object is free for another window";
    DestroyWindow(object.m_hWnd);
}

TEST(WindowBaseTest, AnObjectServesOneWindowAtATime)
{
    RecordingWindow object;
    ASSERT_TRUE(object.CreateHidden(L"BrindleBindTest3"));
    HWND first = object.m_hWnd;
    WNDCLASSEXW windowClass = {};
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"BrindleBindTest3b";
    EXPECT_FALSE(object.Create(windowClass, L"", WS_OVERLAPPEDWINDOW, 0, nullptr, nullptr, nullptr));
    EXPECT_EQ(first, object.m_hWnd);
    DestroyWindow(first);
}

TEST(WindowBaseTest, AnExceptionStopsAtTheWindowProcedure)
{
    RecordingWindow object;
    ASSERT_TRUE(object.CreateHidden(L"BrindleBindTest4"));
    EXPECT_EQ(0, SendMessageW(object.m_hWnd, WM_THROW, 0, 0));
    EXPECT_TRUE(IsWindow(object.m_hWnd)) << "the window goes on";
    DestroyWindow(object.m_hWnd);
}

TEST(WindowBaseTest, ObjectDestroyedBeforeItsWindowUnbinds)
{
    HWND window = nullptr;
    {
        RecordingWindow object;
        ASSERT_TRUE(object.CreateHidden(L"BrindleBindTest5"));
        window = object.m_hWnd;
    }
    EXPECT_EQ(nullptr, IWindowHelper::FromWindow(window));
    // Messages now take the default path instead of reaching a dead object.
    EXPECT_EQ(0, SendMessageW(window, WM_THROW, 0, 0));
    DestroyWindow(window);
}

} // namespace
