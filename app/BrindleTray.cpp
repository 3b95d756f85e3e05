// The tray icon, its tooltip and the two status texts behind it.
#include "app/Brindle.h"

#include "app/MainWindowIds.h"
#include "app/TrayText.h"
#include "common/DebugLog.h"
#include "common/Delay.h"
#include "common/FormatW.h"
#include "modem/GpsControl.h"
#include "modem/SimCodes.h"
#include "modem/SimService.h"
#include "res/resource.h"
#include "ui/ConfigStatusChoice.h"

#include <shellapi.h>

#include <cwchar>

namespace {

// The XP layout of the structure (up to guidItem), which every shell since
// accepts.
const DWORD kNotifyIconDataSize = 952;
static_assert(sizeof(NOTIFYICONDATAW) >= kNotifyIconDataSize, "NOTIFYICONDATAW shorter than the XP layout");
static_assert(sizeof(NOTIFYICONDATAW::szTip) / sizeof(wchar_t) == kTooltipChars, "tooltip capacity");

const UINT kTrayIconId = 0;
const int kTrayIconAttempts = 100;
const std::uint32_t kTrayIconRetryMs = 1000;

} // namespace

void CBrindle::BuildTooltip(wchar_t* tip)
{
    CSimService& service = CSimService::Instance();
    const bool gps = service.GetGpsOption() != 0;
    wchar_t format[kResStringChars];
    LoadText(TooltipStringId(gps), format);
    FormatTooltip(tip, kTooltipChars, format, service.PinStatusText(), gps ? service.GpsStatusText() : L"");
}

BOOL CBrindle::UpdateTrayIcon(HWND window, DWORD action)
{
    if (action != NIM_ADD && action != NIM_MODIFY)
        return FALSE;
    NOTIFYICONDATAW data;
    ZeroMemory(&data, sizeof(data));
    data.cbSize = kNotifyIconDataSize;
    data.hWnd = window;
    data.uID = kTrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAY_NOTIFY;
    data.hIcon = m_smallIcon.Get();
    BuildTooltip(data.szTip);

    // A modify only changes the tip. It fails while the shell's notification
    // area is gone, and retrying would hold this window (and every power,
    // session and shell message behind it, "TaskbarCreated" among them) for
    // as long; the re-add at "TaskbarCreated" registers the texts of that
    // moment instead.
    if (action == NIM_MODIFY)
        return ::Shell_NotifyIconW(NIM_MODIFY, &data);

    // At logon the shell may not be ready for icons yet; after a fast shell
    // restart the icon may still be there, so that NIM_ADD fails and
    // NIM_MODIFY does the job.
    for (int attempt = 0; attempt < kTrayIconAttempts; ++attempt) {
        const BOOL done = ::Shell_NotifyIconW(action, &data);
        if (done)
            return done;
        Delay(kTrayIconRetryMs);
        DebugPrint(L"Shell_NotifyIcon(NIM_ADD): FAIL \n");
        if (::Shell_NotifyIconW(NIM_MODIFY, &data) == TRUE) {
            DebugPrint(L"Shell_NotifyIcon(NIM_MODIFY): TRUE\n");
            return TRUE;
        }
    }
    return FALSE;
}

void CBrindle::DeleteTrayIcon(HWND window)
{
    NOTIFYICONDATAW data;
    ZeroMemory(&data, sizeof(data));
    data.cbSize = kNotifyIconDataSize;
    data.hWnd = window;
    data.uID = kTrayIconId;
    ::Shell_NotifyIconW(NIM_DELETE, &data);
}

void CBrindle::SetStatusText(HWND window, wchar_t* serviceText, const wchar_t* text, int notify)
{
    PublishStatusText(serviceText, text, notify != 0 ? window : nullptr);
}

void CBrindle::SetGpsStatusText(HWND window, std::uint32_t state, int notify)
{
    CSimService& service = CSimService::Instance();
    const std::int32_t port = service.GetNmeaPort();
    wchar_t format[kResStringChars];
    wchar_t text[kResStringChars];
    LoadText(ChooseGpsControls(state, port).stringId, format);
    // Only the port line has a placeholder.
    FormatW(text, kResStringChars, format, static_cast<int>(port));
    SetStatusText(window, service.GpsStatusText(), text, notify);
}

void CBrindle::SetPinStatusString(HWND window, UINT stringId, int notify)
{
    wchar_t text[kResStringChars];
    LoadText(stringId, text);
    SetStatusText(window, CSimService::Instance().PinStatusText(), text, notify);
}

void CBrindle::SetPinStatusText(HWND window, int simStatus, int unblockLeft, int notify)
{
    SetPinStatusString(window, TrayPinStatusStringId(simStatus, unblockLeft), notify);
}

void CBrindle::SetPinStatusUnknown(HWND window, int notify)
{
    SetPinStatusString(window, IDS_STATUS_UNKNOWN, notify);
}

int CBrindle::UpdateStatusTexts(HWND window, int notify)
{
    CSimService& service = CSimService::Instance();
    service.PinStatusText()[0] = L'\0';
    service.GpsStatusText()[0] = L'\0';

    if (service.GetGpsOption() != 0) {
        std::uint32_t state = GPS_STATUS_INVALID;
        GetGPSStatus(state);
        SetGpsStatusText(window, state, 0);
    }

    int detail = 0;
    int status = service.GetPinStatus(detail);
    int unblockLeft = -1;
    if (status != SIM_NOT_INITIALIZED && status < SIM_NO_DEVICE) {
        int verifyLeft = 0;
        if (service.GetPinRetries(detail, verifyLeft, unblockLeft) != SIM_OK)
            status = SIM_STATUS_FAILED;
        else if (unblockLeft != 0 && service.GetPinProtection(detail) >= SIM_NO_DEVICE)
            status = SIM_STATUS_FAILED;
    }
    SetPinStatusText(window, status, unblockLeft, notify);
    return 1;
}
