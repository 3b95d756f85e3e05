// What the settings-dialog tests share: the dialog with its nested dialogs
// in reach, an owner window that counts tray updates, the stand-in modem
// reset for every test, waits recorded instead of slept, and a fake product
// key.
#pragma once

#include "modem/SimService.h"
#include "res/resource.h"
#include "sim/gobiapi/SimModemControl.h"
#include "tests/support/RecordedDelays.h"
#include "tests/ui/DialogScript.h"
#include "tests/ui/FakeSettingsStore.h"
#include "tests/ui/HeaderBitmapLog.h"
#include "ui/ConfigDialog.h"
#include "ui/TrayUpdate.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

namespace configtest {

inline HINSTANCE Module()
{
    return ::GetModuleHandleW(nullptr);
}

inline int g_trayUpdates = 0;

inline LRESULT CALLBACK OwnerProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TRAY_UPDATE) {
        ++g_trayUpdates;
        return 0;
    }
    return ::DefWindowProcW(hWnd, message, wParam, lParam);
}

// The settings dialog with what it opens made visible to the tests.
class CTestConfigDialog : public CConfigDialog {
public:
    INT_PTR DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) override
    {
        headerBitmaps.Record(hDlg, message);
        const INT_PTR result = CConfigDialog::DialogProc(hDlg, message, wParam, lParam);
        headerBitmaps.Record(hDlg, message);
        return result;
    }
    CHeaderBitmapLog headerBitmaps{IDC_CONFIG_HEADER};

    HWND MessageWindow() const { return m_msgDialog.m_hWnd; }
    std::wstring MessageText() const { return m_msgDialog.m_pszText != nullptr ? m_msgDialog.m_pszText : L""; }
    HWND CheckPinWindow() const { return m_checkPinDialog.m_hWnd; }
    HWND ChangePinWindow() const { return m_changePinDialog.m_hWnd; }
    HWND UnlockPukWindow() const { return m_unlockPukDialog.m_hWnd; }
    HWND ConfirmWindow() const { return m_gpsConfirmDialog.m_hWnd; }
    HWND NotifyWindow() const { return m_hwndNotify; }
    // No character of any code is left in the PIN dialogs' fields.
    bool CodesWiped() const
    {
        return Zero(m_checkPinDialog.m_szPin) && Zero(m_changePinDialog.m_szOldPin) &&
               Zero(m_changePinDialog.m_szNewPin) && Zero(m_unlockPukDialog.m_szPuk) &&
               Zero(m_unlockPukDialog.m_szNewPin);
    }

private:
    static bool Zero(const wchar_t (&field)[kPinChars])
    {
        for (wchar_t c : field)
            if (c != L'\0')
                return false;
        return true;
    }
};

// The PIN group as the user sees it.
struct PinView {
    std::wstring line;
    bool protectOn = false;
    bool protectOff = false;
    bool change = false;
    bool verify = false;
    bool unblock = false;

    bool operator==(const PinView& other) const
    {
        return line == other.line && protectOn == other.protectOn && protectOff == other.protectOff &&
               change == other.change && verify == other.verify && unblock == other.unblock;
    }
};

inline void PrintTo(const PinView& view, std::ostream* os)
{
    *os << "{line " << testing::PrintToString(view.line) << ", enabled:" << (view.protectOn ? " 1004" : "")
        << (view.protectOff ? " 1006" : "") << (view.change ? " 1002" : "") << (view.verify ? " 1005" : "")
        << (view.unblock ? " 1003" : "") << "}";
}

// String stringId with exactly the buttons given (control ids) enabled.
inline PinView ExpectedPin(UINT stringId, std::initializer_list<int> enabled)
{
    PinView view;
    view.line = ResString(stringId);
    for (int id : enabled) {
        view.protectOn |= id == IDC_PIN_PROTECT_ON;
        view.protectOff |= id == IDC_PIN_PROTECT_OFF;
        view.change |= id == IDC_PIN_CHANGE;
        view.verify |= id == IDC_PIN_VERIFY;
        view.unblock |= id == IDC_PIN_UNBLOCK;
    }
    return view;
}

inline PinView ReadPin(HWND hDlg)
{
    PinView view;
    view.line = ItemText(hDlg, IDC_PIN_STATUS);
    view.protectOn = ItemEnabled(hDlg, IDC_PIN_PROTECT_ON);
    view.protectOff = ItemEnabled(hDlg, IDC_PIN_PROTECT_OFF);
    view.change = ItemEnabled(hDlg, IDC_PIN_CHANGE);
    view.verify = ItemEnabled(hDlg, IDC_PIN_VERIFY);
    view.unblock = ItemEnabled(hDlg, IDC_PIN_UNBLOCK);
    return view;
}

// Every call the settings dialog can make of the modem library.
inline std::uint32_t ModemCalls()
{
    std::uint32_t total = 0;
    for (const char* name : {"UIMGetPINStatus", "UIMVerifyPIN", "UIMChangePIN", "UIMSetPINProtection", "UIMUnblockPIN",
                             "GetServiceAutomaticTracking", "SetServiceAutomaticTracking", "QCWWAN2kConnect"})
        total += simmodem::CallCount(name);
    return total;
}

// The control command a click would send, also to a disabled or missing button.
inline void Command(HWND hDlg, int id)
{
    ::SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

inline bool IsFocused(HWND hDlg, int id)
{
    return ::GetFocus() == ::GetDlgItem(hDlg, id);
}

class ConfigDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        service.DisconnectModem();
        simmodem::Reset();
        ASSERT_TRUE(simmodem::UseVariant(L"full"));
        service.SetNmeaPort(7);
        service.PinStatusText()[0] = L'\0';
        service.GpsStatusText()[0] = L'\0';

        WNDCLASSW wc = {};
        wc.lpfnWndProc = &OwnerProc;
        wc.hInstance = Module();
        wc.lpszClassName = L"ConfigTestOwner";
        ::RegisterClassW(&wc);
        owner = ::CreateWindowExW(0, L"ConfigTestOwner", L"owner", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                  Module(), nullptr);
        ASSERT_NE(nullptr, owner);
        g_trayUpdates = 0;
    }

    void TearDown() override
    {
        g_onWait = nullptr;
        if (owner != nullptr)
            ::DestroyWindow(owner);
        service.DisconnectModem();
        service.SetGpsOption(1);
        simmodem::Reset();
    }

    // The library as after start-up on a machine with or without GPS.
    void LoadModem(bool gpsOption = true)
    {
        service.SetGpsOption(gpsOption ? 1 : 0);
        ASSERT_EQ(0, service.LoadQMI());
    }

    INT_PTR Run(CDialogScript& script, UINT templateId = IDD_CONFIG_GPS)
    {
        return script.RunModal([&] { return dialog.DoModal(Module(), MAKEINTRESOURCEW(templateId), owner, 0); });
    }

    // Holds once the opening's modem reads have replaced the checking line.
    std::function<bool()> Refreshed()
    {
        return [this] {
            return dialog.m_hWnd != nullptr && ItemText(dialog.m_hWnd, IDC_PIN_STATUS) != ResString(IDS_CARD_CHECKING);
        };
    }

    std::function<bool()> MessageUp()
    {
        return [this] { return dialog.MessageWindow() != nullptr; };
    }

    // Reads the message that is up and presses its OK.
    std::function<void()> AcknowledgeMessage(std::vector<std::wstring>& messages)
    {
        return [this, &messages] {
            messages.push_back(dialog.MessageText());
            Click(dialog.MessageWindow(), IDOK);
        };
    }

    CSimService& service = CSimService::Instance();
    CTestConfigDialog dialog;
    CFakeSettingsStore store;
    CStoreInstallation installed{&store};
    HWND owner = nullptr;
    RecordedDelays delays;
};

} // namespace configtest
