// The enumerator ExecQuery returns: answers Next from its EntityEnumeration
// and wraps each entity it hands out in a new WmiClassObject.
#pragma once

#include <windows.h>
#include <wbemcli.h>

#include "sim/wmi/ComObject.h"
#include "sim/wmi/EntityEnumeration.h"

namespace simwmi {

class WmiEnumerator : public IEnumWbemClassObject, public BlanketAcceptor, private RefCounted {
public:
    explicit WmiEnumerator(EntityEnumeration enumeration);
    ~WmiEnumerator() override;

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefCount(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseCount(); }

    STDMETHODIMP Next(LONG timeout, ULONG count, IWbemClassObject** objects, ULONG* returned) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP NextAsync(ULONG, IWbemObjectSink*) override;
    STDMETHODIMP Clone(IEnumWbemClassObject**) override;
    STDMETHODIMP Skip(LONG, ULONG) override;

private:
    void Retire() override;

    // A multithreaded client may call Next from several threads at once.
    CRITICAL_SECTION lock_;
    EntityEnumeration enumeration_;
};

} // namespace simwmi
