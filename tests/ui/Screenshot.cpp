// Screenshots for a person to look at: the window as it drew itself.
#include "tests/support/WindowPicture.h"
#include "tests/ui/DialogScript.h"

#include <gtest/gtest.h>

#include <string>

void SaveScreenshot(HWND hWnd, const std::wstring& name)
{
    ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ::GdiFlush();
    const std::wstring dir = BRINDLE_SCREENSHOT_DIR;
    ::CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring path = dir + L"/" + name + L".png";
    EXPECT_TRUE(WriteWindowPng(hWnd, path)) << "cannot write the screenshot " << std::string(path.begin(), path.end());
}
