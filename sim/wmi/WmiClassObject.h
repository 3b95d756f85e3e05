// One Win32_PnPEntity instance as the enumerator hands it out: Get serves
// "Service" and "Caption"; the rest of IWbemClassObject is not supported.
#pragma once

#include <windows.h>
#include <wbemcli.h>

#include "sim/wmi/ComObject.h"
#include "sim/wmi/WmiEntities.h"

namespace simwmi {

class WmiClassObject : public IWbemClassObject, private RefCounted {
public:
    // Starts with the one reference the caller hands out.
    explicit WmiClassObject(Entity entity);

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefCount(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseCount(); }

    STDMETHODIMP Get(LPCWSTR name, LONG flags, VARIANT* value, CIMTYPE* type, LONG* flavor) override;

    STDMETHODIMP GetQualifierSet(IWbemQualifierSet**) override;
    STDMETHODIMP Put(LPCWSTR, LONG, VARIANT*, CIMTYPE) override;
    STDMETHODIMP Delete(LPCWSTR) override;
    STDMETHODIMP GetNames(LPCWSTR, LONG, VARIANT*, SAFEARRAY**) override;
    STDMETHODIMP BeginEnumeration(LONG) override;
    STDMETHODIMP Next(LONG, BSTR*, VARIANT*, CIMTYPE*, LONG*) override;
    STDMETHODIMP EndEnumeration() override;
    STDMETHODIMP GetPropertyQualifierSet(LPCWSTR, IWbemQualifierSet**) override;
    STDMETHODIMP Clone(IWbemClassObject**) override;
    STDMETHODIMP GetObjectText(LONG, BSTR*) override;
    STDMETHODIMP SpawnDerivedClass(LONG, IWbemClassObject**) override;
    STDMETHODIMP SpawnInstance(LONG, IWbemClassObject**) override;
    STDMETHODIMP CompareTo(LONG, IWbemClassObject*) override;
    STDMETHODIMP GetPropertyOrigin(LPCWSTR, BSTR*) override;
    STDMETHODIMP InheritsFrom(LPCWSTR) override;
    STDMETHODIMP GetMethod(LPCWSTR, LONG, IWbemClassObject**, IWbemClassObject**) override;
    STDMETHODIMP PutMethod(LPCWSTR, LONG, IWbemClassObject*, IWbemClassObject*) override;
    STDMETHODIMP DeleteMethod(LPCWSTR) override;
    STDMETHODIMP BeginMethodEnumeration(LONG) override;
    STDMETHODIMP NextMethod(LONG, BSTR*, IWbemClassObject**, IWbemClassObject**) override;
    STDMETHODIMP EndMethodEnumeration() override;
    STDMETHODIMP GetMethodQualifierSet(LPCWSTR, IWbemQualifierSet**) override;
    STDMETHODIMP GetMethodOrigin(LPCWSTR, BSTR*) override;

private:
    void Retire() override;

    Entity entity_;
};

} // namespace simwmi
