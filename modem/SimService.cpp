#include "modem/SimService.h"

#include "common/SecureWipe.h"
#include "modem/PinOperations.h"
#include "modem/SimCodes.h"
#include "modem/SimServiceObserver.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>

namespace {

// Wipes and frees a narrow copy of a code.
void FreeCode(char*& code)
{
    if (code == nullptr)
        return;
    SecureWipe(code, std::strlen(code));
    delete[] code;
    code = nullptr;
}

// A new narrow copy of text through the runtime's conversion, or nullptr
// when a character cannot be converted or the result would be longer than
// the text (PIN and PUK digits convert one byte per character).
char* ToNarrow(const wchar_t* text)
{
    if (text == nullptr)
        return nullptr;
    std::size_t length = std::wcslen(text);
    std::size_t needed = std::wcstombs(nullptr, text, 0);
    if (needed == static_cast<std::size_t>(-1) || needed > length)
        return nullptr;
    char* narrow = new (std::nothrow) char[length + 1];
    if (narrow == nullptr)
        return nullptr;
    if (std::wcstombs(narrow, text, length + 1) == static_cast<std::size_t>(-1)) {
        // Whatever was converted before the failure is part of a code.
        SecureWipe(narrow, length + 1);
        delete[] narrow;
        return nullptr;
    }
    narrow[length] = '\0';
    return narrow;
}

bool NeedsFirstText(int kind)
{
    return kind == SIM_REQUEST_VERIFY_PIN || kind == SIM_REQUEST_CHANGE_PIN || kind == SIM_REQUEST_SET_PIN_PROTECTION ||
           kind == SIM_REQUEST_UNBLOCK_PIN;
}

bool NeedsSecondText(int kind)
{
    return kind == SIM_REQUEST_CHANGE_PIN || kind == SIM_REQUEST_UNBLOCK_PIN;
}

void Report(ISimServiceObserver& observer, int kind, int result, int detail, int verifyLeft, int unblockLeft)
{
    switch (kind) {
    case SIM_REQUEST_PIN_STATUS:
        observer.OnPinStatus(result, detail);
        break;
    case SIM_REQUEST_VERIFY_PIN:
        observer.OnVerifyPin(result, detail);
        break;
    case SIM_REQUEST_CHANGE_PIN:
        observer.OnChangePin(result, detail);
        break;
    case SIM_REQUEST_PIN_PROTECTION:
        observer.OnPinProtection(result, detail);
        break;
    case SIM_REQUEST_SET_PIN_PROTECTION:
        observer.OnSetPinProtection(result, detail);
        break;
    case SIM_REQUEST_UNBLOCK_PIN:
        observer.OnUnblockPin(result, detail);
        break;
    case SIM_REQUEST_PIN_RETRIES:
        observer.OnPinRetries(result, detail, verifyLeft, unblockLeft);
        break;
    default:
        break;
    }
}

} // namespace

CSimService& CSimService::Instance()
{
    static CSimService service;
    return service;
}

CSimService::CSimService()
    : m_gpsOption(1),
      m_nmeaPort(-1),
      m_connected(0),
      m_dmPort(-1),
      m_request{SIM_REQUEST_NONE, nullptr, 0, nullptr, nullptr}
{
    m_pinStatusText[0] = L'\0';
    m_gpsStatusText[0] = L'\0';
}

CSimService::~CSimService()
{
    ClearRequest();
    // At the program's end the application has disconnected the modem and
    // unloaded the library already: a second disconnect has nothing to end
    // and would only log the failure again.
    if (m_module.IsLoaded())
        DisconnectModem();
}

int CSimService::GetPinStatus(int& detail)
{
    int verifyLeft = 0;
    int unblockLeft = 0;
    return Request(SIM_REQUEST_PIN_STATUS, 0, nullptr, nullptr, detail, verifyLeft, unblockLeft);
}

int CSimService::VerifyPin(int& detail, const wchar_t* pin)
{
    int verifyLeft = 0;
    int unblockLeft = 0;
    return Request(SIM_REQUEST_VERIFY_PIN, 0, pin, nullptr, detail, verifyLeft, unblockLeft);
}

int CSimService::ChangePin(int& detail, const wchar_t* oldPin, const wchar_t* newPin)
{
    int verifyLeft = 0;
    int unblockLeft = 0;
    return Request(SIM_REQUEST_CHANGE_PIN, 0, oldPin, newPin, detail, verifyLeft, unblockLeft);
}

int CSimService::GetPinProtection(int& detail)
{
    int verifyLeft = 0;
    int unblockLeft = 0;
    return Request(SIM_REQUEST_PIN_PROTECTION, 0, nullptr, nullptr, detail, verifyLeft, unblockLeft);
}

int CSimService::SetPinProtection(int& detail, int enable, const wchar_t* pin)
{
    int verifyLeft = 0;
    int unblockLeft = 0;
    return Request(SIM_REQUEST_SET_PIN_PROTECTION, enable, pin, nullptr, detail, verifyLeft, unblockLeft);
}

int CSimService::UnblockPin(int& detail, const wchar_t* puk, const wchar_t* newPin)
{
    int verifyLeft = 0;
    int unblockLeft = 0;
    return Request(SIM_REQUEST_UNBLOCK_PIN, 0, puk, newPin, detail, verifyLeft, unblockLeft);
}

int CSimService::GetPinRetries(int& detail, int& verifyLeft, int& unblockLeft)
{
    return Request(SIM_REQUEST_PIN_RETRIES, 0, nullptr, nullptr, detail, verifyLeft, unblockLeft);
}

int CSimService::StartRequest(ISimServiceObserver& observer, int kind, int enable, const wchar_t* first,
                              const wchar_t* second)
{
    if (kind < SIM_REQUEST_PIN_STATUS || kind > SIM_REQUEST_PIN_RETRIES)
        return SIM_INVALID_REQUEST;
    CCriticalSectionGuard guard(m_lock);
    int result = PrepareRequest(kind, enable, first, second, &observer);
    if (result != SIM_OK)
        return result;
    return Start(0, 0, THREAD_PRIORITY_NORMAL) != 0 ? SIM_OK : SIM_FAILED;
}

int CSimService::Request(int kind, int enable, const wchar_t* first, const wchar_t* second, int& detail,
                         int& verifyLeft, int& unblockLeft)
{
    CCriticalSectionGuard guard(m_lock);
    int result = PrepareRequest(kind, enable, first, second, nullptr);
    if (result != SIM_OK)
        return result;
    result = ExecuteRequest(detail, verifyLeft, unblockLeft);
    ForgetCodes();
    return result;
}

int CSimService::PrepareRequest(int kind, int enable, const wchar_t* first, const wchar_t* second,
                                ISimServiceObserver* observer)
{
    // The worker reads the request block without the lock, so nothing may
    // touch the block while it runs. Waiting with a zero timeout also
    // releases the handle of a worker that has ended.
    if (HasThread() && Wait(0, 0, nullptr) == 0)
        return SIM_BUSY;

    char* narrowFirst = NeedsFirstText(kind) ? ToNarrow(first) : nullptr;
    char* narrowSecond = NeedsSecondText(kind) ? ToNarrow(second) : nullptr;
    if ((NeedsFirstText(kind) && narrowFirst == nullptr) || (NeedsSecondText(kind) && narrowSecond == nullptr)) {
        FreeCode(narrowFirst);
        FreeCode(narrowSecond);
        return SIM_CONVERSION_FAILED;
    }

    ClearRequest();
    m_request.kind = kind;
    m_request.observer = observer;
    m_request.enable = kind == SIM_REQUEST_SET_PIN_PROTECTION && enable != 0 ? 1 : 0;
    m_request.first = narrowFirst;
    m_request.second = narrowSecond;
    return SIM_OK;
}

int CSimService::ExecuteRequest(int& detail, int& verifyLeft, int& unblockLeft)
{
    if (!Open())
        return SIM_NOT_CONNECTED;

    int result;
    switch (m_request.kind) {
    case SIM_REQUEST_PIN_STATUS:
        result = AtCpin(nullptr, nullptr, detail);
        break;
    case SIM_REQUEST_VERIFY_PIN:
        result = AtCpin(m_request.first, nullptr, detail);
        break;
    case SIM_REQUEST_CHANGE_PIN:
        result = AtCpwd(m_request.first, m_request.second, detail);
        break;
    case SIM_REQUEST_PIN_PROTECTION:
        result = AtClck(nullptr, detail, m_request.enable);
        break;
    case SIM_REQUEST_SET_PIN_PROTECTION:
        result = AtClck(m_request.first, detail, m_request.enable);
        break;
    case SIM_REQUEST_UNBLOCK_PIN:
        result = AtCpin(m_request.first, m_request.second, detail);
        break;
    case SIM_REQUEST_PIN_RETRIES:
        result = AtOercn(detail, verifyLeft, unblockLeft);
        break;
    default:
        result = SIM_INVALID_REQUEST;
        break;
    }

    Close();
    return result;
}

DWORD CSimService::Run(DWORD)
{
    ISimServiceObserver* observer = m_request.observer;
    int detail = 0;
    int verifyLeft = 0;
    int unblockLeft = 0;
    int result = ExecuteRequest(detail, verifyLeft, unblockLeft);
    ForgetCodes();
    if (observer != nullptr)
        Report(*observer, m_request.kind, result, detail, verifyLeft, unblockLeft);
    return 0;
}

void CSimService::ForgetCodes()
{
    FreeCode(m_request.first);
    FreeCode(m_request.second);
}

void CSimService::ClearRequest()
{
    ForgetCodes();
    m_request.kind = SIM_REQUEST_NONE;
    m_request.observer = nullptr;
    m_request.enable = 0;
    m_request.first = nullptr;
    m_request.second = nullptr;
}
