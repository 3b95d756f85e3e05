#include "res/resource.h"
#include "tests/ui/DialogScript.h"
#include "ui/AboutDialog.h"
#include "ui/DialogHelper.h"
#include "ui/ScreenDpi.h"

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

constexpr int kThrowCommand = 999;

// A dialog on the message template that records what reaches its handler.
class CProbeDialog : public IDialogHelper {
public:
    INT_PTR DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) override
    {
        messages.push_back(message);
        if (message == WM_INITDIALOG) {
            initParam = lParam;
            initParamFieldDuringInit = m_lInitParam;
            return TRUE;
        }
        if (message == WM_COMMAND && LOWORD(wParam) == kThrowCommand)
            throw std::runtime_error("handler failure");
        return DefaultDialogProc(hDlg, message, wParam, lParam);
    }

    INT_PTR Open(HWND parent = nullptr, LPARAM init = 0)
    {
        return DoModal(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MESSAGE), parent, init);
    }
    BOOL OpenModeless(LPARAM init = 0)
    {
        return Create(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MESSAGE), nullptr, init);
    }
    HANDLE Mutex() const { return m_lock.Handle(); }
    LPARAM InitParamField() const { return m_lInitParam; }

    std::vector<UINT> messages;
    LPARAM initParam = -1;
    LPARAM initParamFieldDuringInit = -1;
};

// Records, at the window's very last message, whether the object property
// was still on it and which dialog procedure it had.
struct LastMessageProbe {
    static LRESULT CALLBACK WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCDESTROY) {
            propertyAtEnd = ::GetPropW(hWnd, L"IDIALOGBASE_CLASS");
            dlgProcAtEnd = ::GetWindowLongPtrW(hWnd, DWLP_DLGPROC);
        }
        return ::CallWindowProcW(previous, hWnd, message, wParam, lParam);
    }
    static void Install(HWND hWnd)
    {
        previous = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LastMessageProbe::WndProc)));
    }
    static inline WNDPROC previous = nullptr;
    static inline HANDLE propertyAtEnd = nullptr;
    static inline LONG_PTR dlgProcAtEnd = 0;
};

TEST(DialogHelperTest, SecondDoModalOnOpenDialogIsRefusedWithoutASecondWindow)
{
    CProbeDialog probe;
    INT_PTR nested = 0;
    size_t windows = 0;
    CDialogScript script;
    // A modal dialog becomes visible only once its loop first runs idle.
    script.WaitFor([] { return ThreadDialogs().size() == 1; }).Then([&] {
        nested = probe.Open();
        windows = ThreadDialogs().size();
        probe.Close(IDOK);
    });
    EXPECT_EQ(IDOK, script.RunModal([&] { return probe.Open(); }));
    EXPECT_EQ(-1, nested);
    EXPECT_EQ(1u, windows);
}

TEST(DialogHelperTest, DoModalFromAnotherThreadIsRefusedWhileOpen)
{
    CProbeDialog probe;
    INT_PTR other = 0;
    CDialogScript script;
    script.Then([&] {
        std::thread([&] { other = probe.Open(); }).join();
        probe.Close(IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, script.RunModal([&] { return probe.Open(); }));
    EXPECT_EQ(-1, other);
}

TEST(DialogHelperTest, InitDialogIsTheFirstRoutedMessageAndCarriesTheInitParameter)
{
    CProbeDialog probe;
    CDialogScript script;
    script.Then([&] { probe.Close(IDOK); });
    script.RunModal([&] { return probe.Open(nullptr, 42); });

    ASSERT_FALSE(probe.messages.empty());
    // The template's shell font makes the system send WM_SETFONT before
    // WM_INITDIALOG; it must not reach the handler.
    EXPECT_EQ(static_cast<UINT>(WM_INITDIALOG), probe.messages.front());
    EXPECT_EQ(42, probe.initParam);
    EXPECT_EQ(0, probe.initParamFieldDuringInit);
    EXPECT_EQ(0, probe.InitParamField());
}

TEST(DialogHelperTest, CloseEndsTheModalLoopWithItsResult)
{
    for (INT_PTR wanted : {INT_PTR(IDOK), INT_PTR(IDCANCEL), DLG_CLOSED_BY_OWNER}) {
        CProbeDialog probe;
        CDialogScript script;
        script.Then([&] { probe.Close(wanted); });
        EXPECT_EQ(wanted, script.RunModal([&] { return probe.Open(); }));
        EXPECT_EQ(nullptr, probe.m_hWnd);
    }
}

TEST(DialogHelperTest, DestroyUnbindsTheWindowAndTheObjectOpensAgain)
{
    CProbeDialog probe;
    HWND first = nullptr;
    CDialogScript script;
    script.Then([&] {
        first = probe.m_hWnd;
        LastMessageProbe::Install(first);
        probe.Close(IDOK);
    });
    script.RunModal([&] { return probe.Open(); });
    EXPECT_EQ(nullptr, LastMessageProbe::propertyAtEnd) << "property left on the window";
    EXPECT_EQ(nullptr, probe.m_hWnd);
    EXPECT_FALSE(::IsWindow(first));

    CDialogScript again;
    again.Then([&] { probe.Close(IDCANCEL); });
    EXPECT_EQ(IDCANCEL, again.RunModal([&] { return probe.Open(); }));
}

TEST(DialogHelperTest, CloseOnAClosedDialogDoesNothingAndLeavesTheMutexFree)
{
    CProbeDialog probe;
    probe.Close(DLG_CLOSED_BY_OWNER);
    EXPECT_EQ(nullptr, probe.m_hWnd);
    ASSERT_NE(nullptr, probe.Mutex());
    DWORD otherWait = WAIT_FAILED;
    std::thread([&] {
        otherWait = ::WaitForSingleObject(probe.Mutex(), 0);
        if (otherWait == WAIT_OBJECT_0)
            ::ReleaseMutex(probe.Mutex());
    }).join();
    EXPECT_EQ(WAIT_OBJECT_0, otherWait) << "Close kept a hold on the dialog's mutex";
}

TEST(DialogHelperTest, ModelessCreateTwiceIsRefusedAndCloseDestroys)
{
    CProbeDialog probe;
    ASSERT_TRUE(probe.OpenModeless(7));
    HWND first = probe.m_hWnd;
    EXPECT_NE(nullptr, first);
    EXPECT_EQ(7, probe.initParam);
    EXPECT_FALSE(probe.OpenModeless());
    EXPECT_EQ(first, probe.m_hWnd);

    probe.Close(0);
    EXPECT_FALSE(::IsWindow(first));
    EXPECT_EQ(nullptr, probe.m_hWnd);
    EXPECT_TRUE(probe.OpenModeless());
    // Destroyed from outside (as when the owner goes) the dialog also counts as closed.
    ::DestroyWindow(probe.m_hWnd);
    EXPECT_EQ(nullptr, probe.m_hWnd);
}

TEST(DialogHelperTest, AnExceptionInTheHandlerDoesNotLeaveTheDialogProcedure)
{
    CProbeDialog probe;
    LRESULT sent = -1;
    CDialogScript script;
    script.Then([&] {
        sent = ::SendMessageW(probe.m_hWnd, WM_COMMAND, kThrowCommand, 0);
        probe.Close(IDOK);
    });
    EXPECT_EQ(IDOK, script.RunModal([&] { return probe.Open(); }));
    EXPECT_EQ(0, sent);
}

// A dialog made without the framework, to be taken over by Attach.
INT_PTR CALLBACK ForeignDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

TEST(DialogBaseTest, AttachTakesOverAForeignDialogAndGivesItBackAtDestroy)
{
    HWND hDlg = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MESSAGE), nullptr,
                                     &ForeignDialogProc, 0);
    ASSERT_NE(nullptr, hDlg);
    const LONG_PTR foreign = ::GetWindowLongPtrW(hDlg, DWLP_DLGPROC);
    CProbeDialog probe;
    ASSERT_TRUE(probe.Attach(hDlg));
    EXPECT_FALSE(probe.Attach(hDlg)) << "a bound object must refuse a second window";
    EXPECT_NE(foreign, ::GetWindowLongPtrW(hDlg, DWLP_DLGPROC));

    ::SendMessageW(hDlg, WM_USER + 7, 0, 0);
    EXPECT_EQ(static_cast<UINT>(WM_USER + 7), probe.messages.back());

    LastMessageProbe::Install(hDlg);
    ::DestroyWindow(hDlg);
    EXPECT_EQ(nullptr, probe.m_hWnd);
    EXPECT_EQ(foreign, LastMessageProbe::dlgProcAtEnd) << "the foreign procedure was not put back";
}

struct DpiCase {
    int dpi;
    int bitmapId;
};

void PrintTo(const DpiCase& c, std::ostream* os)
{
    *os << "dpi " << c.dpi;
}

class HeaderBitmapTest : public testing::TestWithParam<DpiCase> {
protected:
    static int s_dpi;
    static int FixedDpi() { return s_dpi; }
    void SetUp() override { m_previous = SetScreenDpiReader(&HeaderBitmapTest::FixedDpi); }
    void TearDown() override { SetScreenDpiReader(m_previous); }
    ScreenDpiReader m_previous = nullptr;
};
int HeaderBitmapTest::s_dpi = 96;

SIZE BitmapSize(HBITMAP bitmap)
{
    BITMAP info = {};
    ::GetObjectW(bitmap, sizeof(info), &info);
    return SIZE{info.bmWidth, info.bmHeight};
}

TEST_P(HeaderBitmapTest, AboutHeaderMatchesTheScreenDpi)
{
    s_dpi = GetParam().dpi;
    HBITMAP expected = ::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(GetParam().bitmapId));
    ASSERT_NE(nullptr, expected);
    const SIZE want = BitmapSize(expected);
    ::DeleteObject(expected);

    CAboutDialog about;
    ASSERT_TRUE(about.Open(::GetModuleHandleW(nullptr), nullptr));
    HBITMAP shown =
        reinterpret_cast<HBITMAP>(::SendDlgItemMessageW(about.m_hWnd, IDC_ABOUT_HEADER, STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(nullptr, shown);
    const SIZE got = BitmapSize(shown);
    EXPECT_EQ(want.cx, got.cx) << "dpi " << s_dpi;
    EXPECT_EQ(want.cy, got.cy) << "dpi " << s_dpi;
    about.Close(0);
}

INSTANTIATE_TEST_SUITE_P(Dpi, HeaderBitmapTest,
                         testing::Values(DpiCase{96, IDB_HEADER}, DpiCase{119, IDB_HEADER},
                                         DpiCase{120, IDB_HEADER_120DPI}, DpiCase{143, IDB_HEADER_120DPI},
                                         DpiCase{144, IDB_HEADER_144DPI}, DpiCase{192, IDB_HEADER_144DPI}));

TEST(MutexLockTest, AnAbandonedMutexIsRefusedOnceAndLeavesNoHold)
{
    CMutexLock lock;
    std::thread([&] { EXPECT_EQ(CMutexLock::kAcquired, lock.Lock()); }).join(); // exits holding it

    EXPECT_EQ(CMutexLock::kNotAcquired, lock.Lock());
    int other = 1;
    std::thread([&] {
        other = lock.Lock();
        if (other == CMutexLock::kAcquired)
            lock.Unlock();
    }).join();
    EXPECT_EQ(CMutexLock::kAcquired, other) << "the refused abandoned wait kept the mutex";
}

TEST(MutexLockTest, AHeldMutexIsRefusedAfterTheGivenWait)
{
    CMutexLock lock;
    ASSERT_EQ(CMutexLock::kAcquired, lock.Lock());
    int other = 1;
    std::thread([&] { other = lock.Lock(30); }).join();
    EXPECT_EQ(CMutexLock::kNotAcquired, other);
    EXPECT_EQ(CMutexLock::kAcquired, lock.Lock()) << "the owning thread may take it again";
    lock.Unlock();
    lock.Unlock();
}

} // namespace
