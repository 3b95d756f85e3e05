// A plain hidden top-level window for tests that need an owner or a target.
#pragma once

#include <windows.h>

class TestWindow {
public:
    TestWindow()
    {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = &::DefWindowProcW;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"BrindleAppTestWindow";
        ::RegisterClassW(&windowClass); // fails harmlessly after the first time
        hwnd_ = ::CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                  nullptr, windowClass.hInstance, nullptr);
    }
    ~TestWindow()
    {
        if (hwnd_ != nullptr)
            ::DestroyWindow(hwnd_);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND Get() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};
