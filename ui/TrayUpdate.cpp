#include "ui/TrayUpdate.h"

#include "modem/SimService.h"

#include <cwchar>

void PublishStatusText(wchar_t* serviceText, const wchar_t* text, HWND notifyWindow)
{
    std::wcsncpy(serviceText, text, CSimService::kStatusTextChars - 1);
    serviceText[CSimService::kStatusTextChars - 1] = L'\0';
    if (notifyWindow != nullptr)
        ::PostMessageW(notifyWindow, WM_TRAY_UPDATE, 0, 0);
}
