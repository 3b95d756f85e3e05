// The one process-wide modem/SIM service: connection state of the Gobi
// library, the lock that serialises every modem request, the status texts
// the tray shows, and the block describing the request being executed.
#pragma once

#include "common/win/ModuleHandle.h"
#include "common/win/CriticalSection.h"
#include "modem/ThreadBase.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

class ISimServiceObserver;

class CSimService : public IThreadBase {
public:
    static const std::size_t kStatusTextChars = 256;

    // Built on first use, destroyed at process exit.
    static CSimService& Instance();
    ~CSimService() override;

    // Synchronous requests. Each holds the lock for its whole run and
    // returns a SIM result code; detail is written only with SIM_FAILED.
    int GetPinStatus(int& detail);
    int VerifyPin(int& detail, const wchar_t* pin);
    int ChangePin(int& detail, const wchar_t* oldPin, const wchar_t* newPin);
    int GetPinProtection(int& detail);
    int SetPinProtection(int& detail, int enable, const wchar_t* pin);
    int UnblockPin(int& detail, const wchar_t* puk, const wchar_t* newPin);
    // The counters are written only on SIM_OK.
    int GetPinRetries(int& detail, int& verifyLeft, int& unblockLeft);

    // Runs one request on the worker thread and reports it to observer:
    // SIM_OK when the worker started, else SIM_BUSY, SIM_CONVERSION_FAILED,
    // SIM_INVALID_REQUEST or SIM_FAILED (no thread).
    int StartRequest(ISimServiceObserver& observer, int kind, int enable, const wchar_t* first, const wchar_t* second);

    // Opens the link, runs the request block, closes the link.
    int ExecuteRequest(int& detail, int& verifyLeft, int& unblockLeft);

    // Connection layer. LoadQMI: 0 loaded (or already), 1 failed.
    int LoadQMI();
    // 1 every required export resolved into the table, 0 not (logged).
    int GetFuncAddress(HMODULE module);
    void UnloadQMI();
    // The bracket around every modem request: true when a link is open
    // (up to 3 attempts, 1000 ms apart).
    bool Open();
    void Close();
    // 1 when a link could be opened (and was closed again), 0 not.
    int ConnectModem();
    // Drops the link, unloads the library and forgets ports and connection.
    void DisconnectModem();

    // 1 when the modem's DM port is known: at once when an earlier search
    // found it, else after one WMI search, which also records the NMEA port.
    int FindModemPorts();

    CCriticalSectionLock& GetLock() { return m_lock; }
    bool IsLibraryLoaded() const { return m_module.IsLoaded(); }
    std::uint32_t GetGpsOption() const { return m_gpsOption; }
    void SetGpsOption(std::uint32_t option) { m_gpsOption = option != 0 ? 1 : 0; }
    std::uint32_t IsConnected() const { return m_connected; }
    void SetConnected(std::uint32_t connected) { m_connected = connected != 0 ? 1 : 0; }
    std::int32_t GetNmeaPort() const { return m_nmeaPort; }
    void SetNmeaPort(std::int32_t port) { m_nmeaPort = port; }
    std::int32_t GetDmPort() const { return m_dmPort; }
    void SetDmPort(std::int32_t port) { m_dmPort = port; }
    // kStatusTextChars wide characters each, written by the windows.
    wchar_t* PinStatusText() { return m_pinStatusText; }
    wchar_t* GpsStatusText() { return m_gpsStatusText; }

    // Worker: runs the request block and reports it to its observer.
    DWORD Run(DWORD parameter) override;

private:
    struct RequestBlock {
        int kind;
        ISimServiceObserver* observer;
        int enable;
        char* first;
        char* second;
    };

    CSimService();
    // Steps shared by every request up to the execution: busy check,
    // conversion, request block. SIM_OK when the block is set.
    int PrepareRequest(int kind, int enable, const wchar_t* first, const wchar_t* second,
                       ISimServiceObserver* observer);
    int Request(int kind, int enable, const wchar_t* first, const wchar_t* second, int& detail, int& verifyLeft,
                int& unblockLeft);
    void ClearRequest();
    // Wipes and frees the narrow copies of the codes as soon as the request
    // has used them.
    void ForgetCodes();
    void EmptyTable();

    CModuleHandle m_module;
    std::uint32_t m_gpsOption;
    std::int32_t m_nmeaPort;
    wchar_t m_pinStatusText[kStatusTextChars];
    wchar_t m_gpsStatusText[kStatusTextChars];
    CCriticalSectionLock m_lock;
    std::uint32_t m_connected;
    std::int32_t m_dmPort;
    RequestBlock m_request;
};
