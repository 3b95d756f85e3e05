// The object CoCreateInstance(CLSID_WbemLocator) creates, and its class
// factory: ConnectServer opens ROOT\CIMV2 and nothing else.
#pragma once

#include <windows.h>
#include <wbemcli.h>

#include "sim/wmi/ComObject.h"

namespace simwmi {

class WmiLocator : public IWbemLocator, private RefCounted {
public:
    WmiLocator() = default;

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefCount(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseCount(); }

    STDMETHODIMP ConnectServer(const BSTR resource, const BSTR user, const BSTR password, const BSTR locale,
                               LONG securityFlags, const BSTR authority, IWbemContext* context,
                               IWbemServices** services) override;
};

// One static instance; its references only keep the module loaded.
class WmiLocatorFactory : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    STDMETHODIMP LockServer(BOOL lock) override;
};

} // namespace simwmi
