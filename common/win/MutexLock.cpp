#include "common/win/MutexLock.h"

#include <cwchar>

CMutexLock::CMutexLock(const wchar_t* name, DWORD timeout) : m_dwTimeout(timeout)
{
    if (name != nullptr) {
        std::wcsncpy(m_szName, name, MAX_PATH);
        m_szName[MAX_PATH] = L'\0';
    }
}

CMutexLock::~CMutexLock()
{
    if (m_hMutex != nullptr) {
        ::ReleaseMutex(m_hMutex);
        ::CloseHandle(m_hMutex);
        m_hMutex = nullptr;
    }
}

int CMutexLock::Lock()
{
    return Lock(m_dwTimeout);
}

int CMutexLock::Lock(DWORD timeout)
{
    if (m_hMutex == nullptr) {
        m_hMutex = ::CreateMutexW(nullptr, FALSE, m_szName[0] != L'\0' ? m_szName : nullptr);
        if (m_hMutex == nullptr)
            return kCreateFailed;
    }
    DWORD wait = ::WaitForSingleObject(m_hMutex, timeout);
    if (wait == WAIT_OBJECT_0)
        return kAcquired;
    if (wait == WAIT_ABANDONED)
        ::ReleaseMutex(m_hMutex);
    return kNotAcquired;
}

void CMutexLock::Unlock()
{
    if (m_hMutex != nullptr)
        ::ReleaseMutex(m_hMutex);
}
