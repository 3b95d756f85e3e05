// Base of an object that can run its own Run() on one worker thread.
#pragma once

#include "common/Uncopyable.h"

#include <windows.h>

class IThreadBase : private CUncopyable {
public:
    IThreadBase();
    // Closes the handle of a thread that may still run; never waits for it.
    virtual ~IThreadBase();

    // 1 when a new thread runs Run(parameter); 0 when one is already held or
    // creation failed.
    virtual int Start(DWORD parameter, unsigned stackSize, int priority);
    // 1 when the thread has ended (its exit code stored in *exitCode when
    // given, the handle released); 0 when it still runs or there is none.
    // closeOnTimeout releases the handle of a thread that still runs.
    virtual int Wait(DWORD timeoutMs, int closeOnTimeout, DWORD* exitCode);
    virtual DWORD Run(DWORD parameter) = 0;

protected:
    bool HasThread() const { return m_hThread != nullptr; }

private:
    static unsigned __stdcall ThreadRoutine(void* self);
    void Forget();

    HANDLE m_hThread;
    DWORD m_threadId;
    DWORD m_parameter;
};
