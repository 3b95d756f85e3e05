#include "sim/wmi/WmiEnumerator.h"

#include <new>
#include <vector>
#include <utility>

#include "sim/wmi/WbemCodes.h"
#include "sim/wmi/WmiClassObject.h"

namespace simwmi {

static_assert(kWbemNoError == WBEM_S_NO_ERROR && kWbemFalse == WBEM_S_FALSE &&
                  kWbemTimedOut == static_cast<std::uint32_t>(WBEM_S_TIMEDOUT) &&
                  kWbemInvalidParameter == static_cast<std::uint32_t>(WBEM_E_INVALID_PARAMETER),
              "the portable codes must be WMI's");
static_assert(kWbemInfinite == static_cast<LONG>(WBEM_INFINITE), "WBEM_INFINITE as a LONG");

WmiEnumerator::WmiEnumerator(EntityEnumeration enumeration) : enumeration_(std::move(enumeration))
{
    InitializeCriticalSection(&lock_);
}

WmiEnumerator::~WmiEnumerator()
{
    DeleteCriticalSection(&lock_);
}

STDMETHODIMP WmiEnumerator::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumWbemClassObject)) {
        *object = static_cast<IEnumWbemClassObject*>(this);
    } else if (IsEqualIID(riid, IID_IClientSecurity)) {
        *object = static_cast<IClientSecurity*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP WmiEnumerator::Next(LONG timeout, ULONG count, IWbemClassObject** objects, ULONG* returned)
{
    if (!objects || !returned)
        return WBEM_E_INVALID_PARAMETER;
    *returned = 0;
    EnterCriticalSection(&lock_);
    NextAnswer answer = enumeration_.Next(timeout, count);
    std::vector<Entity> handedOut;
    for (std::size_t i = 0; i < answer.count; ++i)
        handedOut.push_back(enumeration_.At(answer.first + i));
    LeaveCriticalSection(&lock_);

    if (answer.sleepMs)
        Sleep(answer.sleepMs);
    for (Entity& entity : handedOut) {
        WmiClassObject* object = new (std::nothrow) WmiClassObject(std::move(entity));
        if (!object) {
            for (ULONG i = 0; i < *returned; ++i) {
                objects[i]->Release();
                objects[i] = nullptr;
            }
            *returned = 0;
            return WBEM_E_OUT_OF_MEMORY;
        }
        objects[(*returned)++] = object;
    }
    return static_cast<HRESULT>(answer.result);
}

void WmiEnumerator::Retire()
{
    EnterCriticalSection(&lock_);
    enumeration_.Clear();
    LeaveCriticalSection(&lock_);
}

STDMETHODIMP WmiEnumerator::Reset()
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiEnumerator::NextAsync(ULONG, IWbemObjectSink*)
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiEnumerator::Clone(IEnumWbemClassObject**)
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiEnumerator::Skip(LONG, ULONG)
{
    return WBEM_E_NOT_SUPPORTED;
}

} // namespace simwmi
