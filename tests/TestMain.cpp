// The main of every test executable.
//
// Executables registered as windowless run beside tests that own the desktop,
// so a top-level window of theirs could take the focus or the foreground from
// a dialog under test. A thread hook fails the test that creates one, and
// keeps the window from being made; message-only and child windows take
// neither and are let through (tests/common/WindowlessMainTest.cpp shows it).
//
// The hook watches the main thread only. Windows made by a thread the test
// starts, or by a program it runs, are not seen: such a test must not be
// registered WINDOWLESS.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#ifdef BRINDLE_TEST_WINDOWLESS
namespace {

HHOOK g_cbtHook;

LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (GetAncestor(window, GA_PARENT) == GetDesktopWindow()) {
            wchar_t className[64] = L"";
            GetClassNameW(window, className, ARRAYSIZE(className));
            char name[64] = "";
            WideCharToMultiByte(CP_UTF8, 0, className, -1, name, sizeof name, nullptr, nullptr);
            ADD_FAILURE() << "a top-level window of class \"" << name
                          << "\" was created in an executable registered WINDOWLESS; "
                             "drop WINDOWLESS so that it has the desktop to itself";
            return 1;
        }
    }
    return CallNextHookEx(g_cbtHook, code, wParam, lParam);
}

} // namespace
#endif

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
#ifdef BRINDLE_TEST_WINDOWLESS
    g_cbtHook = SetWindowsHookExW(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
    if (!g_cbtHook) {
        std::fprintf(stderr, "cannot watch window creation: error %lu\n", GetLastError());
        return 1;
    }
#endif
    return RUN_ALL_TESTS();
}
