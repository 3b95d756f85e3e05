// Finds the modem's diagnostic (DM) and NMEA COM ports among the Plug and
// Play entities that WMI reports. One finder serves one search: it
// initialises COM for the calling thread and undoes that when destroyed.
#pragma once

#include "common/Uncopyable.h"
#include "modem/ComHolders.h"

#include <windows.h>
#include <wbemidl.h>

#include <cstddef>
#include <cstdint>

class CWmiOptionAppPortFinder : private CUncopyable {
public:
    static const std::size_t kTextChars = 261;

    CWmiOptionAppPortFinder();
    virtual ~CWmiOptionAppPortFinder();

    // 1 the query ran and found the DM port, 0 the COM or WMI set-up or the
    // query failed. With the service's GPS option set the scan goes on
    // until the NMEA port is found as well.
    int Find();

    // -1 when not found.
    std::int32_t GetDmPort() const { return m_dmPort; }
    std::int32_t GetNmeaPort() const { return m_nmeaPort; }

private:
    void ReadSettings();
    bool ScanPorts();
    void TearDown();

    wchar_t m_dmPrefix[kTextChars];
    wchar_t m_nmeaPrefix[kTextChars];
    wchar_t m_serviceName[kTextChars];
    std::uint32_t m_ready;
    CComRef<IWbemLocator> m_locator;
    CComRef<IWbemServices> m_services;
    std::int32_t m_dmPort;
    std::int32_t m_nmeaPort;
    // CoUninitialize is owed only for a CoInitializeEx that succeeded, and
    // only once: a thread whose COM someone else set up must keep it.
    bool m_comInitialized;
};
