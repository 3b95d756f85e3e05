#include "tests/soak/QuotedLogLines.h"

#include <cctype>
#include <cstddef>

namespace soak {
namespace {

// Every message without its "\n": the reader strips the line end. The
// trailing blanks of "(Status Check) " and "FAIL " are part of the message.
const char* const kFormats[] = {
    "AtClck:FAIL (UIMChangePIN) (%u)",
    "AtClck:FAIL (UIMGetPINStatus) (%u)",
    "AtClck:FAIL (UIMSetPINProtection) (%u)",
    "AtCpin:FAIL (UIMGetPINStatus) (%u)",
    "AtCpin:FAIL (UIMUnblockPIN) (%u)",
    "AtCpin:FAIL (UIMVerifyPIN) (%u)",
    "AtOercn:FAIL (UIMGetPINStatus) (%u)",
    "CSimService::Close:FAIL (QCWWANDisconnect_) %d",
    "CSimService::Open:FAIL (QCWWANConnect_) %d",
    "CSimService::Open:FAIL (QCWWANDisconnect_) %d",
    "ConnectModem:FAIL (QCWWANConnect_) %d",
    "ConnectModem:FAIL (QCWWANDisconnect_) %d",
    "DisconnectModem:FAIL (QCWWANDisconnect)",
    "GetFuncAddress() : GetProcAddress(GetServiceAutomaticTracking) failed.",
    "GetFuncAddress() : GetProcAddress(QCWWAN2kConnect) failed.",
    "GetFuncAddress() : GetProcAddress(QCWWAN2kEnumerateDevices) failed.",
    "GetFuncAddress() : GetProcAddress(QCWWANDisconnect) failed.",
    "GetFuncAddress() : GetProcAddress(SetServiceAutomaticTracking) failed.",
    "GetFuncAddress() : GetProcAddress(UIMChangePIN) failed.",
    "GetFuncAddress() : GetProcAddress(UIMGetPINStatus) failed.",
    "GetFuncAddress() : GetProcAddress(UIMSetPINProtection) failed.",
    "GetFuncAddress() : GetProcAddress(UIMUnblockPIN) failed.",
    "GetFuncAddress() : GetProcAddress(UIMVerifyPIN) failed.",
    "GetGPSModule:FAIL (GetServiceAutomaticTracking) %u",
    "GetGPSStatus:FAIL (GetGPSModule)",
    "GetGPSStatus:FAIL (Open Retry)",
    "GetGPSStatus:FAIL (Retry)",
    "GetGPSStatusRegAndSetModule:FAIL (Read Registry)",
    "GetGPSStatusRegAndSetModule:FAIL (SetGPSStatus(GPS_STATUS_DISABLE))",
    "GetGPSStatusRegAndSetModule:FAIL (SetGPSStatus(GPS_STATUS_ENABLE))",
    "LoadQMI() : GetFuncAddress failed.",
    "LoadQMI() : Loading GobiApi.dll failed.",
    "PrepareConnectModem:FAIL (ReloadQMI)",
    "QCWWANConnect() : FAIL (QCWWAN2kEnumerateDevices) dev_id_key_size = %u",
    "ReadSettings:FAIL (PinMin %u PinMax %u)",
    "ReadSettings:FAIL (PukMin %u PukMax %u)",
    "QCWWANConnect() : FAIL (QCWWAN2kEnumerateDevices) result=%u",
    "SetGPSModule (%d):FAIL (SetServiceAutomaticTracking) (%u)",
    "SetGPSModuleDisable:FAIL (Read Registry)",
    "SetGPSModuleDisable:FAIL (SetGPSStatus(GPS_STATUS_DISABLE))",
    "SetGPSStatus:FAIL (GetGPSModule) 2",
    "SetGPSStatus:FAIL (GetGPSModule)",
    "SetGPSStatus:FAIL (Open Retry)",
    "SetGPSStatus:FAIL (Param)",
    "SetGPSStatus:FAIL (SetGPSModule(GPS_STATUS_DISABLE)) 2",
    "SetGPSStatus:FAIL (SetGPSModule(GPS_STATUS_ENABLE))",
    "SetGPSStatus:FAIL (Status Check) ",
    "Shell_NotifyIcon(NIM_ADD): FAIL ",
    "Shell_NotifyIcon(NIM_MODIFY): TRUE",
    "ShowMessage:FAIL (Lock) (%u)",
    "ShowMessage:FAIL (Open) (%u)",
};

bool Matches(const char* format, const std::string& text)
{
    std::size_t at = 0;
    for (const char* f = format; *f; ++f) {
        if (f[0] == '%' && (f[1] == 'u' || f[1] == 'd')) {
            if (f[1] == 'd' && at < text.size() && text[at] == '-')
                ++at;
            const std::size_t digits = at;
            while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])))
                ++at;
            if (at == digits)
                return false;
            ++f;
            continue;
        }
        if (at >= text.size() || text[at] != *f)
            return false;
        ++at;
    }
    return at == text.size();
}

} // namespace

bool IsQuotedLogLine(const std::string& message)
{
    for (const char* format : kFormats) {
        if (Matches(format, message))
            return true;
    }
    return false;
}

} // namespace soak
