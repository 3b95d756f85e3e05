// The main of an executable registered WINDOWLESS: a test that creates a
// top-level window fails, and the window is not made; a message-only window
// is let through.
#include <windows.h>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace {

HWND g_made;

HWND MakeWindow(HWND parent)
{
    return CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, parent, nullptr, nullptr, nullptr);
}

void MakeTopLevelWindow()
{
    g_made = MakeWindow(nullptr);
}

TEST(WindowlessMainTest, ATopLevelWindowFailsTheTestAndIsNotMade)
{
    EXPECT_NONFATAL_FAILURE(MakeTopLevelWindow(), "a top-level window of class \"Static\" was created");
    EXPECT_EQ(nullptr, g_made) << "the window could still take the focus from the tests beside";
    if (g_made)
        DestroyWindow(g_made);

    HWND messageOnly = MakeWindow(HWND_MESSAGE);
    EXPECT_NE(nullptr, messageOnly);
    DestroyWindow(messageOnly);
}

} // namespace
