// Libraries planted in the current directory: wtsapi32.dll is taken from the
// system directory, and after the start-up step no library is found there.
#include "app/SessionNotification.h"
#include "common/win/ModuleHandle.h"
#include "tests/app/TestWindow.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring MakeTempFolder()
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"brindle-planted-" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

TEST(LibrarySearchTest, LibrariesPlantedInTheCurrentDirectoryAreNotLoaded)
{
    const std::wstring folder = MakeTempFolder();
    const wchar_t* names[] = {L"wtsapi32.dll", L"BrindlePlanted.dll"};
    for (const wchar_t* name : names)
        ASSERT_TRUE(::CopyFileW(BRINDLE_PLANTED_DLL, (folder + L"\\" + name).c_str(), FALSE)) << ::GetLastError();
    wchar_t previous[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryW(folder.c_str()));

    // The plant works: by bare name it is found here.
    HMODULE planted = ::LoadLibraryW(L"BrindlePlanted.dll");
    EXPECT_NE(nullptr, planted) << "the planted library must be found before the start-up step";
    if (planted != nullptr)
        ::FreeLibrary(planted);

    // A system library is loaded by its full path, never from here. (Wine
    // prefers its own wtsapi32.dll to a planted one whatever the search, so
    // the registration alone would not tell.)
    CModuleHandle fromSystem;
    EXPECT_FALSE(fromSystem.LoadFromSystem(L"BrindlePlanted.dll"));

    // The planted wtsapi32.dll has no registration function: only the
    // system's lets the registration succeed.
    TestWindow window;
    CSessionNotification notification;
    EXPECT_EQ(1, notification.Register(window.Get(), 1, 0));
    notification.Unregister();

    RemoveCurrentDirectoryFromDllSearch();
    planted = ::LoadLibraryW(L"BrindlePlanted.dll");
    EXPECT_EQ(nullptr, planted) << "the current directory must be out of the search";
    if (planted != nullptr)
        ::FreeLibrary(planted);

    ::SetCurrentDirectoryW(previous);
    for (const wchar_t* name : names)
        ::DeleteFileW((folder + L"\\" + name).c_str());
    ::RemoveDirectoryW(folder.c_str());
}

} // namespace
