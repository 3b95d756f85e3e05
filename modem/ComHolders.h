// Owners of COM resources for one scope: an interface reference, a BSTR and
// a VARIANT, each released in its destructor. Not copyable.
#pragma once

#include "common/Uncopyable.h"

#include <windows.h>
#include <oleauto.h>

template <typename T>
class CComRef : private CUncopyable {
public:
    CComRef() = default;
    ~CComRef() { Release(); }

    // For an out parameter: drops what is held and lends the slot.
    T** Receive()
    {
        Release();
        return &m_pointer;
    }
    T* Get() const { return m_pointer; }
    T* operator->() const { return m_pointer; }
    void Release()
    {
        if (m_pointer != nullptr) {
            m_pointer->Release();
            m_pointer = nullptr;
        }
    }

private:
    T* m_pointer = nullptr;
};

class CBstr : private CUncopyable {
public:
    explicit CBstr(const wchar_t* text) : m_text(::SysAllocString(text)) {}
    ~CBstr() { ::SysFreeString(m_text); }
    BSTR Get() const { return m_text; }

private:
    BSTR m_text;
};

class CVariant : private CUncopyable {
public:
    CVariant() { ::VariantInit(&m_value); }
    ~CVariant() { ::VariantClear(&m_value); }

    // For an out parameter: clears what is held and lends the slot.
    VARIANT* Receive()
    {
        ::VariantClear(&m_value);
        return &m_value;
    }
    const VARIANT& Get() const { return m_value; }

private:
    VARIANT m_value;
};
