// The application object: start-up, the hidden main window and everything
// that happens to it, the tray icon and its menu, suspend and resume.
#pragma once

#include "app/PopupMenu.h"
#include "app/ResumeTries.h"
#include "app/SessionNotification.h"
#include "app/Settings.h"
#include "app/WindowBase.h"
#include "common/win/GdiHandle.h"
#include "ui/AboutDialog.h"
#include "ui/CheckPinDialog.h"
#include "ui/ConfigDialog.h"
#include "ui/DialogHelper.h"
#include "ui/MessageDialog.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdint>

class CBrindle : public IWindowHelper {
public:
    explicit CBrindle(HINSTANCE instance);
    // Disconnects the modem, destroys the icon, the session registration,
    // the menu and the dialogs, and lets go of the window.
    ~CBrindle() override;

    // The whole run: checks, single-instance guard, registry layer, window,
    // message loop, tear-down. 0 after a normal end (or No to the future-OS
    // question), 1 after any start-up failure.
    int Run();

    LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    // The message dialog over the main window (no owner before it exists)
    // with string stringId; returns the dialog's result.
    INT_PTR ShowMessage(UINT stringId);
    // The message for a failed SIM request.
    INT_PTR ShowErrorMessage(int result, int detail);
    // A message the program ends after: every dialog is closed first, so
    // that no open message turns it away.
    INT_PTR ShowClosingMessage(UINT stringId);
    // Ends the menu and every dialog: the modal ones with DLG_CLOSED_BY_OWNER.
    void CloseAllDialogs();

    // NIM_ADD or NIM_MODIFY with the current tooltip. NIM_ADD: up to 100
    // tries one second apart, an icon that already exists is accepted.
    // NIM_MODIFY: one try, never a wait.
    BOOL UpdateTrayIcon(HWND window, DWORD action);
    void DeleteTrayIcon(HWND window);
    // Both status texts afresh from the modem. Returns 1.
    int UpdateStatusTexts(HWND window, int notify);
    void SetGpsStatusText(HWND window, std::uint32_t state, int notify);
    void SetPinStatusText(HWND window, int simStatus, int unblockLeft, int notify);
    void SetPinStatusUnknown(HWND window, int notify);
    // The tooltip as UpdateTrayIcon registers it (tip: kTooltipChars).
    void BuildTooltip(wchar_t* tip);

    // Icon 103 at the small-icon size: the tray icon and the class's small
    // icon. TRUE when it is loaded.
    BOOL LoadSmallIcon();
    void ReadSettings();
    // Switches the debug log on when the product key asks for it.
    void ReadDebugSwitch();

private:
    // Start-up.
    bool RegisterAndCreateWindow(const wchar_t* className, const wchar_t* title);
    int MessageLoop();
    int LoadText(UINT id, wchar_t (&buffer)[kResStringChars]) const { return LoadResString(m_hInstance, id, buffer); }

    // Window messages.
    LRESULT OnCreate(HWND window);
    void OnDestroy(HWND window, bool quit);
    void OnCommand(HWND window, UINT id);
    void OnTimer(HWND window, UINT_PTR id);
    void OnTrayNotify(HWND window, UINT mouseMessage);
    void OnDeviceRefresh(HWND window);
    LRESULT OnTaskbarCreated(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    void OpenSettingsDialog(HWND window);
    void VerifyPinFromMenu(HWND window);
    // The verify dialog until the card is verified, blocked or the user
    // gives up; false when the flow must stop at once (owner closing, or
    // the window gone).
    bool AskAndVerifyPin(HWND window);
    // A nested dialog's result means the owner is closing, or the window is gone.
    bool FlowStopped(HWND window, INT_PTR nestedResult) const;
    void OpenAboutDialog(HWND window);
    // The verify dialog is due: post 40003 once the loop runs.
    void QueueVerifyPin(HWND window);
    // After a refresh or a reconnect: 40002 enabled; 40003 enabled, with the
    // verify dialog queued, while PIN1 verification is needed, else greyed.
    void FollowPinStatus(HWND window, int status);

    // Suspend and resume.
    void OnSuspend(HWND window);
    void OnResume(HWND window);
    void OnResumeTimer(HWND window);

    void SetPinStatusString(HWND window, UINT stringId, int notify);
    void SetStatusText(HWND window, wchar_t* serviceText, const wchar_t* text, int notify);

    HINSTANCE m_hInstance;
    CIconHandle m_smallIcon;
    UINT m_nTaskbarCreatedMessage = 0;
    CResumeTries m_resumeTries;
    TuningSettings m_settings = {};
    CMessageDialog m_msgDialog;
    // Its own object: a message closed for it keeps its window until its
    // nested loop unwinds, which is after the closing message has been shown.
    CMessageDialog m_closingMsgDialog;
    CAboutDialog m_aboutDialog;
    CConfigDialog m_configDialog;
    CCheckPinDialog m_checkPinDialog;
    CPopupMenu m_popupMenu;
    CSessionNotification m_sessionNotification;
};
