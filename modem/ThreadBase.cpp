#include "modem/ThreadBase.h"

#include <process.h>

#include <cstdint>

IThreadBase::IThreadBase() : m_hThread(nullptr), m_threadId(0), m_parameter(0) {}

IThreadBase::~IThreadBase()
{
    if (m_hThread != nullptr) {
        WaitForSingleObject(m_hThread, 0);
        CloseHandle(m_hThread);
        Forget();
    }
}

int IThreadBase::Start(DWORD parameter, unsigned stackSize, int priority)
{
    if (m_hThread != nullptr)
        return 0;
    m_parameter = parameter;
    // Created suspended so that handle and id are stored before Run can
    // look at the object; _beginthreadex keeps the C runtime's per-thread
    // data right for the worker.
    unsigned id = 0;
    std::uintptr_t handle =
        _beginthreadex(nullptr, stackSize, &IThreadBase::ThreadRoutine, this, CREATE_SUSPENDED, &id);
    if (handle == 0) {
        m_threadId = 0;
        m_parameter = 0;
        return 0;
    }
    m_hThread = reinterpret_cast<HANDLE>(handle);
    m_threadId = id;
    SetThreadPriority(m_hThread, priority);
    ResumeThread(m_hThread);
    return 1;
}

int IThreadBase::Wait(DWORD timeoutMs, int closeOnTimeout, DWORD* exitCode)
{
    if (m_hThread == nullptr)
        return 0;
    if (WaitForSingleObject(m_hThread, timeoutMs) != WAIT_OBJECT_0) {
        if (closeOnTimeout != 0) {
            CloseHandle(m_hThread);
            Forget();
        }
        return 0;
    }
    if (exitCode != nullptr) {
        DWORD code = 0;
        GetExitCodeThread(m_hThread, &code);
        *exitCode = code;
    }
    CloseHandle(m_hThread);
    Forget();
    return 1;
}

unsigned __stdcall IThreadBase::ThreadRoutine(void* self)
{
    IThreadBase* thread = static_cast<IThreadBase*>(self);
    return thread->Run(thread->m_parameter);
}

void IThreadBase::Forget()
{
    m_hThread = nullptr;
    m_threadId = 0;
    m_parameter = 0;
}
