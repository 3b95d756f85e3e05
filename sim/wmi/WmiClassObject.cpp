#include "sim/wmi/WmiClassObject.h"

#include <utility>

namespace simwmi {

WmiClassObject::WmiClassObject(Entity entity) : entity_(std::move(entity)) {}

STDMETHODIMP WmiClassObject::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IWbemClassObject)) {
        *object = static_cast<IWbemClassObject*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP WmiClassObject::Get(LPCWSTR name, LONG flags, VARIANT* value, CIMTYPE* type, LONG* flavor)
{
    if (!name || flags != 0)
        return WBEM_E_INVALID_PARAMETER;
    const PropertyValue* property = FindProperty(entity_, name);
    if (!property)
        return WBEM_E_NOT_FOUND;
    if (value) {
        VariantInit(value);
        if (property->kind == PropertyValue::Kind::kNull) {
            V_VT(value) = VT_NULL;
        } else {
            BSTR text = SysAllocStringLen(property->text.data(), static_cast<UINT>(property->text.size()));
            if (!text)
                return WBEM_E_OUT_OF_MEMORY;
            V_VT(value) = VT_BSTR;
            V_BSTR(value) = text;
        }
    }
    if (type)
        *type = CIM_STRING;
    // Caption comes from a base class of Win32_PnPEntity, Service from the class itself.
    if (flavor)
        *flavor = property == &entity_.caption ? WBEM_FLAVOR_ORIGIN_PROPAGATED : WBEM_FLAVOR_ORIGIN_LOCAL;
    return WBEM_S_NO_ERROR;
}

void WmiClassObject::Retire()
{
    // Swapped out rather than assigned, so that the texts' memory goes now.
    Entity retired;
    std::swap(entity_, retired);
}

STDMETHODIMP WmiClassObject::GetQualifierSet(IWbemQualifierSet**)
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiClassObject::Put(LPCWSTR, LONG, VARIANT*, CIMTYPE)
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiClassObject::Delete(LPCWSTR)
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiClassObject::GetNames(LPCWSTR, LONG, VARIANT*, SAFEARRAY**)
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiClassObject::BeginEnumeration(LONG)
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiClassObject::Next(LONG, BSTR*, VARIANT*, CIMTYPE*, LONG*)
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiClassObject::EndEnumeration()
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiClassObject::GetPropertyQualifierSet(LPCWSTR, IWbemQualifierSet**)
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiClassObject::Clone(IWbemClassObject**)
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiClassObject::GetObjectText(LONG, BSTR*)
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiClassObject::SpawnDerivedClass(LONG, IWbemClassObject**)
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiClassObject::SpawnInstance(LONG, IWbemClassObject**)
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiClassObject::CompareTo(LONG, IWbemClassObject*)
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiClassObject::GetPropertyOrigin(LPCWSTR, BSTR*)
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiClassObject::InheritsFrom(LPCWSTR)
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiClassObject::GetMethod(LPCWSTR, LONG, IWbemClassObject**, IWbemClassObject**)
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiClassObject::PutMethod(LPCWSTR, LONG, IWbemClassObject*, IWbemClassObject*)
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiClassObject::DeleteMethod(LPCWSTR)
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiClassObject::BeginMethodEnumeration(LONG)
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiClassObject::NextMethod(LONG, BSTR*, IWbemClassObject**, IWbemClassObject**)
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiClassObject::EndMethodEnumeration()
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiClassObject::GetMethodQualifierSet(LPCWSTR, IWbemQualifierSet**)
{
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WmiClassObject::GetMethodOrigin(LPCWSTR, BSTR*)
{
    return WBEM_E_NOT_SUPPORTED;
}

} // namespace simwmi
