#include "misccommon/Critical.h"

CCritical::CCritical() : _entries(0)
{
    InitializeCriticalSection(&_section);
}

CCritical::~CCritical()
{
    DeleteCriticalSection(&_section);
}

void CCritical::Enter()
{
    EnterCriticalSection(&_section);
    ++_entries;
}

void CCritical::Leave()
{
    --_entries;
    LeaveCriticalSection(&_section);
}
