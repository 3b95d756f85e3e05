#include "sim/wmi/WmiServices.h"

#include <new>
#include <utility>

#include "sim/wmi/EntityEnumeration.h"
#include "sim/wmi/WbemCodes.h"
#include "sim/wmi/WmiEnumerator.h"
#include "sim/wmi/WmiScriptStore.h"

namespace simwmi {

STDMETHODIMP WmiServices::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IWbemServices)) {
        *object = static_cast<IWbemServices*>(this);
    } else if (IsEqualIID(riid, IID_IClientSecurity)) {
        *object = static_cast<IClientSecurity*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP WmiServices::ExecQuery(const BSTR language, const BSTR query, LONG, IWbemContext*,
                                    IEnumWbemClassObject** enumerator)
{
    if (!enumerator)
        return WBEM_E_INVALID_PARAMETER;
    *enumerator = nullptr;
    if (!language || !query)
        return WBEM_E_INVALID_PARAMETER;
    // Counted before anything can fail, so Queries is simply the number of calls.
    WmiScript script = WmiScriptStore(true).ReadForQuery();
    if (IsFailure(script.failQuery))
        return static_cast<HRESULT>(script.failQuery);
    if (!IsWql(language))
        return WBEM_E_INVALID_QUERY_TYPE;
    if (!IsPnPEntityQuery(query))
        return WBEM_E_INVALID_QUERY;

    NextScript next;
    next.timeoutsBefore = script.timeoutsBefore;
    next.error = script.nextError;
    next.delayMs = script.delayMs;
    next.objectResult = script.objectResult;
    WmiEnumerator* created = new (std::nothrow) WmiEnumerator(EntityEnumeration(EntitiesForQuery(script), next));
    if (!created)
        return WBEM_E_OUT_OF_MEMORY;
    *enumerator = created;
    // A scripted success code other than WBEM_S_NO_ERROR comes with a usable enumerator.
    return static_cast<HRESULT>(script.failQuery);
}

#define SIMWMI_NOT_SUPPORTED(signature)                                                                                \
    STDMETHODIMP WmiServices::signature                                                                                \
    {                                                                                                                  \
        return WBEM_E_NOT_SUPPORTED;                                                                                   \
    }

SIMWMI_NOT_SUPPORTED(OpenNamespace(const BSTR, LONG, IWbemContext*, IWbemServices**, IWbemCallResult**))
SIMWMI_NOT_SUPPORTED(CancelAsyncCall(IWbemObjectSink*))
SIMWMI_NOT_SUPPORTED(QueryObjectSink(LONG, IWbemObjectSink**))
SIMWMI_NOT_SUPPORTED(GetObject(const BSTR, LONG, IWbemContext*, IWbemClassObject**, IWbemCallResult**))
SIMWMI_NOT_SUPPORTED(GetObjectAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*))
SIMWMI_NOT_SUPPORTED(PutClass(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult**))
SIMWMI_NOT_SUPPORTED(PutClassAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*))
SIMWMI_NOT_SUPPORTED(DeleteClass(const BSTR, LONG, IWbemContext*, IWbemCallResult**))
SIMWMI_NOT_SUPPORTED(DeleteClassAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*))
SIMWMI_NOT_SUPPORTED(CreateClassEnum(const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**))
SIMWMI_NOT_SUPPORTED(CreateClassEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*))
SIMWMI_NOT_SUPPORTED(PutInstance(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult**))
SIMWMI_NOT_SUPPORTED(PutInstanceAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*))
SIMWMI_NOT_SUPPORTED(DeleteInstance(const BSTR, LONG, IWbemContext*, IWbemCallResult**))
SIMWMI_NOT_SUPPORTED(DeleteInstanceAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*))
SIMWMI_NOT_SUPPORTED(CreateInstanceEnum(const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**))
SIMWMI_NOT_SUPPORTED(CreateInstanceEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*))
SIMWMI_NOT_SUPPORTED(ExecQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemObjectSink*))
SIMWMI_NOT_SUPPORTED(ExecNotificationQuery(const BSTR, const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**))
SIMWMI_NOT_SUPPORTED(ExecNotificationQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemObjectSink*))
SIMWMI_NOT_SUPPORTED(ExecMethod(const BSTR, const BSTR, LONG, IWbemContext*, IWbemClassObject*, IWbemClassObject**,
                                IWbemCallResult**))
SIMWMI_NOT_SUPPORTED(ExecMethodAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemClassObject*, IWbemObjectSink*))

#undef SIMWMI_NOT_SUPPORTED

} // namespace simwmi
