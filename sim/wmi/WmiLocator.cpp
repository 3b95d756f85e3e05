#include "sim/wmi/WmiLocator.h"

#include <new>

#include "sim/wmi/SimWmiKey.h"
#include "sim/wmi/WbemCodes.h"
#include "sim/wmi/WmiEntities.h"
#include "sim/wmi/WmiScriptStore.h"
#include "sim/wmi/WmiServices.h"

namespace simwmi {

STDMETHODIMP WmiLocator::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IWbemLocator)) {
        *object = static_cast<IWbemLocator*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP WmiLocator::ConnectServer(const BSTR resource, const BSTR, const BSTR, const BSTR, LONG, const BSTR,
                                       IWbemContext*, IWbemServices** services)
{
    if (!services)
        return WBEM_E_INVALID_PARAMETER;
    *services = nullptr;
    if (!resource)
        return WBEM_E_INVALID_PARAMETER;
    std::uint32_t scripted = WmiScriptStore(false).Value(kFailConnect, 0);
    if (IsFailure(scripted))
        return static_cast<HRESULT>(scripted);
    if (!IsServedNamespace(resource))
        return WBEM_E_INVALID_NAMESPACE;
    WmiServices* created = new (std::nothrow) WmiServices();
    if (!created)
        return WBEM_E_OUT_OF_MEMORY;
    *services = created;
    return static_cast<HRESULT>(scripted);
}

STDMETHODIMP WmiLocatorFactory::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) WmiLocatorFactory::AddRef()
{
    ModuleAddRef();
    return 2;
}

STDMETHODIMP_(ULONG) WmiLocatorFactory::Release()
{
    ModuleRelease();
    return 1;
}

STDMETHODIMP WmiLocatorFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    WmiLocator* locator = new (std::nothrow) WmiLocator();
    if (!locator)
        return E_OUTOFMEMORY;
    HRESULT hr = locator->QueryInterface(riid, object);
    locator->Release();
    return hr;
}

STDMETHODIMP WmiLocatorFactory::LockServer(BOOL lock)
{
    if (lock)
        ModuleAddRef();
    else
        ModuleRelease();
    return S_OK;
}

} // namespace simwmi
