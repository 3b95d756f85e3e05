// The random source's only contact with the operating system.

#include <windows.h>

#include "ByteOrder.h"
#include "HdRand.h"
#include "common/SecureWipe.h"

namespace {

// advapi32's SystemFunction036, better known as RtlGenRandom (XP and later).
typedef BOOLEAN(WINAPI* RtlGenRandomFn)(PVOID buffer, ULONG length);

template <typename Fn>
Fn ProcAddressAs(HMODULE module, const char* name)
{
    // Through void(*)(void) because GCC's -Wcast-function-type accepts that
    // as the generic function pointer type.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)(void)>(GetProcAddress(module, name)));
}

// Without the generator (or when it fails) the seed is the time and the
// counter alone: weaker, but the session can still be set up.
size_t FillFromSystemGenerator(uint8_t* buffer, size_t length)
{
    HMODULE advapi = LoadLibraryW(L"advapi32.dll");
    if (advapi == nullptr)
        return 0;
    size_t filled = 0;
    RtlGenRandomFn genRandom = ProcAddressAs<RtlGenRandomFn>(advapi, "SystemFunction036");
    if (genRandom != nullptr && genRandom(buffer, static_cast<ULONG>(length)))
        filled = length;
    FreeLibrary(advapi);
    return filled;
}

} // namespace

bool hdrand_init()
{
    HdRandSeed seed;
    SecureWipe(&seed, sizeof(seed));

    LARGE_INTEGER counter;
    counter.QuadPart = 0;
    QueryPerformanceCounter(&counter);
    Crypto::StoreLe64(seed.Counter, static_cast<uint64_t>(counter.QuadPart));

    SYSTEMTIME now;
    GetSystemTime(&now);
    const WORD fields[8] = {now.wYear, now.wMonth,  now.wDayOfWeek, now.wDay,
                            now.wHour, now.wMinute, now.wSecond,    now.wMilliseconds};
    for (int i = 0; i < 8; ++i)
        Crypto::StoreLe16(seed.SystemTime + 2 * i, fields[i]);

    seed.ExtraLength = FillFromSystemGenerator(seed.Extra, sizeof(seed.Extra));

    HdRandSeedPool(&seed);
    SecureWipe(&seed, sizeof(seed));
    return true;
}
