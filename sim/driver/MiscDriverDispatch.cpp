// Hosts the protocol core in the kernel: one core for the driver, in
// non-paged memory, behind one lock, served by the kernel's registry.
#include "MiscDriverDispatch.h"

#include <new>

#include "KernelServices.h"
#include "MiscDriverCore.h"

namespace {

using namespace MiscDriver;

const long kNtSuccess = 0;
const long kStatusInsufficientResources = static_cast<long>(0xC000009Au);
const long kStatusDeviceNotReady = static_cast<long>(0xC00000A3u);
const uint32_t kNtObjectNameNotFound = 0xC0000034;
const uint32_t kNtObjectPathNotFound = 0xC000003A;
const uint32_t kNtAccessDenied = 0xC0000022;

CMiscDriverCore* g_core = nullptr;

MiscDriverStatus FromNtStatus(long status)
{
    const uint32_t code = static_cast<uint32_t>(status);
    if (code == 0)
        return kStatusSuccess;
    if (code == kNtObjectNameNotFound || code == kNtObjectPathNotFound)
        return kStatusNotFound;
    if (code == kNtAccessDenied)
        return kStatusAccessDenied;
    return kStatusInternalError;
}

uint32_t RandomWord(void*)
{
    return KernelRandomWord();
}

MiscDriverStatus WriteDword(void*, MiscDriverText path, MiscDriverText name, uint32_t value)
{
    return FromNtStatus(KernelRegistryWriteDword(path.Units, path.Length, name.Units, name.Length, value));
}

MiscDriverStatus QueryValue(void*, MiscDriverText path, MiscDriverText name, uint32_t* type, uint32_t* length,
                            uint8_t* data, uint32_t capacity)
{
    unsigned int foundType = 0;
    unsigned int foundLength = 0;
    const MiscDriverStatus status = FromNtStatus(KernelRegistryQuery(path.Units, path.Length, name.Units, name.Length,
                                                                     &foundType, &foundLength, data, capacity));
    *type = foundType;
    *length = foundLength;
    return status;
}

bool ReadFault(void*, MiscDriverFault fault, uint32_t* value)
{
    const char* name = MiscDriverFaultName(fault);
    unsigned int found = 0;
    if (name == nullptr || !KernelReadConfigDword(name, &found))
        return false;
    *value = found;
    return true;
}

void ClearFault(void*, MiscDriverFault fault)
{
    const char* name = MiscDriverFaultName(fault);
    if (name != nullptr)
        KernelDeleteConfigValue(name);
}

// Constant-initialized: a driver has no global constructors.
const MiscDriverBackend kBackend = {nullptr, &WriteDword, &QueryValue, &ReadFault, &ClearFault};

} // namespace

extern "C" long MiscDriverStart(void)
{
    if (g_core != nullptr)
        return kNtSuccess;
    KernelServicesStart();
    // About 40 KB: far too much for a kernel stack, and it must not be paged
    // out while a request holds the lock.
    void* memory = KernelAllocate(sizeof(CMiscDriverCore));
    if (memory == nullptr)
        return kStatusInsufficientResources;
    g_core = new (memory) CMiscDriverCore;
    g_core->Initialize(&RandomWord, nullptr, &kBackend);
    return kNtSuccess;
}

extern "C" void MiscDriverStop(void)
{
    KernelLock();
    CMiscDriverCore* core = g_core;
    g_core = nullptr;
    if (core != nullptr)
        core->Shutdown();
    KernelUnlock();
    KernelFree(core);
}

extern "C" long MiscDriverDispatch(void* owner, unsigned long code, void* buffer, unsigned long inLength,
                                   unsigned long outCapacity, unsigned long* outLength)
{
    *outLength = 0;
    uint8_t* bytes = static_cast<uint8_t*>(buffer);
    uint32_t returned = 0;
    KernelLock();
    if (g_core == nullptr) {
        KernelUnlock();
        return kStatusDeviceNotReady;
    }
    const MiscDriverStatus status = g_core->Dispatch(reinterpret_cast<uintptr_t>(owner), code, bytes, inLength,
                                                     outCapacity != 0 ? bytes : nullptr, outCapacity, &returned);
    const uint32_t injected = g_core->InjectedStatus();
    KernelUnlock();
    if (MiscDriverReturnsData(status))
        *outLength = returned;
    return static_cast<long>(MiscDriverNtStatus(status, injected));
}

extern "C" void MiscDriverRelease(void* owner)
{
    KernelLock();
    if (g_core != nullptr)
        g_core->ReleaseOwner(reinterpret_cast<uintptr_t>(owner));
    KernelUnlock();
}
