#include "modem/WmiOptionAppPortFinder.h"

#include "misccommon/RegAccess.h"
#include "misccommon/RegValueNames.h"
#include "modem/PortCaption.h"
#include "modem/SimService.h"

#include <objbase.h>

#include <cstring>
#include <cwchar>
#include <string_view>

namespace {

const long kNextTimeoutMs = 5000;
// Time-outs only say that WMI is slow, so they are sat through; but a WMI
// that never answers again must not hold start-up (and the service lock)
// for ever. A minute of silence ends the scan; the caller searches again.
const int kMaxSilentAnswers = 12;
const long kQueryFlags = WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY;
static_assert(kQueryFlags == 48, "forward-only, immediate");

template <std::size_t N>
void CopyText(wchar_t (&target)[N], const wchar_t* text)
{
    std::wcsncpy(target, text, N - 1);
    target[N - 1] = L'\0';
}

template <std::size_t N>
void ReadSetting(const wchar_t* name, wchar_t (&target)[N], const wchar_t* fallback)
{
    CRegAccess* registry = CRegAccess::Instance();
    std::memset(target, 0, sizeof(target));
    DWORD size = sizeof(target);
    if (registry != nullptr && registry->QueryString(name, target, &size) == RegResult::kOk) {
        // A stored string may lack its terminator or fill the buffer.
        target[N - 1] = L'\0';
        return;
    }
    CopyText(target, fallback);
}

// The property's text, or an empty view when it is missing, NULL, not a
// string or empty. value owns the text.
std::wstring_view ReadText(IWbemClassObject* object, const wchar_t* name, CVariant& value)
{
    if (FAILED(object->Get(name, 0, value.Receive(), nullptr, nullptr)))
        return std::wstring_view();
    const VARIANT& v = value.Get();
    if (v.vt != VT_BSTR || v.bstrVal == nullptr)
        return std::wstring_view();
    return std::wstring_view(v.bstrVal, ::SysStringLen(v.bstrVal));
}

} // namespace

CWmiOptionAppPortFinder::CWmiOptionAppPortFinder() : m_ready(0), m_dmPort(-1), m_nmeaPort(-1), m_comInitialized(false)
{
    m_dmPrefix[0] = L'\0';
    m_nmeaPrefix[0] = L'\0';
    m_serviceName[0] = L'\0';
}

CWmiOptionAppPortFinder::~CWmiOptionAppPortFinder()
{
    TearDown();
}

void CWmiOptionAppPortFinder::TearDown()
{
    // Interfaces go before COM does.
    m_services.Release();
    m_locator.Release();
    m_dmPrefix[0] = L'\0';
    m_nmeaPrefix[0] = L'\0';
    m_serviceName[0] = L'\0';
    m_ready = 0;
    if (m_comInitialized) {
        ::CoUninitialize();
        m_comInitialized = false;
    }
}

void CWmiOptionAppPortFinder::ReadSettings()
{
    ReadSetting(Settings::kPortName, m_dmPrefix, Settings::kDefaultPortName);
    ReadSetting(Settings::kGpsPortName, m_nmeaPrefix, Settings::kDefaultGpsPortName);
    ReadSetting(Settings::kServiceName, m_serviceName, Settings::kDefaultServiceName);
}

int CWmiOptionAppPortFinder::Find()
{
    if (m_ready != 0)
        return 1;

    if (FAILED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
        return 0;
    m_comInitialized = true;

    ReadSettings();

    // Security can be set once per process; a second finder (or whoever
    // came first) gets RPC_E_TOO_LATE and works with what is set.
    HRESULT hr = ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                        RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    if (FAILED(hr) && hr != RPC_E_TOO_LATE) {
        TearDown();
        return 0;
    }

    hr = ::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                            reinterpret_cast<void**>(m_locator.Receive()));
    if (FAILED(hr) || m_locator.Get() == nullptr) {
        TearDown();
        return 0;
    }

    CBstr wmiNamespace(L"ROOT\\CIMV2");
    hr = m_locator->ConnectServer(wmiNamespace.Get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                  m_services.Receive());
    if (FAILED(hr) || m_services.Get() == nullptr) {
        TearDown();
        return 0;
    }

    hr = ::CoSetProxyBlanket(m_services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                             RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    if (FAILED(hr)) {
        TearDown();
        return 0;
    }

    if (!ScanPorts()) {
        TearDown();
        return 0;
    }
    m_ready = 1;
    return 1;
}

bool CWmiOptionAppPortFinder::ScanPorts()
{
    CBstr language(L"WQL");
    CBstr query(L"SELECT * FROM Win32_PnPEntity");
    CComRef<IEnumWbemClassObject> entities;
    HRESULT hr = m_services->ExecQuery(language.Get(), query.Get(), kQueryFlags, nullptr, entities.Receive());
    if (FAILED(hr) || entities.Get() == nullptr)
        return false;

    const PortPrefixes prefixes = {m_serviceName, m_dmPrefix, m_nmeaPrefix};
    const bool wantNmea = CSimService::Instance().GetGpsOption() != 0;
    bool dmFound = false;
    bool nmeaFound = false;
    int silentAnswers = 0;
    for (;;) {
        CComRef<IWbemClassObject> entity;
        ULONG returned = 0;
        hr = entities->Next(kNextTimeoutMs, 1, entity.Receive(), &returned);
        // An object that comes with any other result is not to be trusted:
        // it is released unread and the next one asked for.
        const bool gotObject = returned != 0 && entity.Get() != nullptr;
        if (hr == WBEM_S_NO_ERROR && gotObject) {
            silentAnswers = 0;
            CVariant service;
            CVariant caption;
            std::wstring_view serviceText = ReadText(entity.Get(), L"Service", service);
            std::wstring_view captionText =
                serviceText.empty() ? std::wstring_view() : ReadText(entity.Get(), L"Caption", caption);
            PortMatch match = ExaminePortEntity(prefixes, serviceText, captionText, m_dmPort, m_nmeaPort);
            if (match == PortMatch::kDmPort)
                dmFound = true;
            else if (match == PortMatch::kNmeaPort)
                nmeaFound = true;
            if (dmFound && (nmeaFound || !wantNmea))
                break;
            continue;
        }
        if (hr == WBEM_S_FALSE && !gotObject)
            break;
        // An error answers every later call the same way: treated as the
        // end of the list rather than asked again for ever.
        if (FAILED(hr))
            break;
        if (++silentAnswers >= kMaxSilentAnswers)
            break;
    }
    return dmFound;
}
