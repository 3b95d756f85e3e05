// Reference counting shared by the stand-in's COM objects, the module's
// unload count, and the IClientSecurity that CoSetProxyBlanket asks for.
#pragma once

#include <windows.h>
#include <objidl.h>

namespace simwmi {

// Live objects plus IClassFactory::LockServer locks; DllCanUnloadNow's answer.
void ModuleAddRef();
void ModuleRelease();
bool ModuleInUse();

// A released object frees what it holds (Retire) but keeps its own few bytes,
// and the module is pinned: a client's extra Release then meets a retired
// object, is counted (OverReleases) and does no harm, where freed memory
// would crash the client somewhere else later.
class RefCounted {
public:
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

protected:
    RefCounted(); // starts with one reference, owned by the creator
    virtual ~RefCounted() = default;

    ULONG AddRefCount();
    ULONG ReleaseCount();
    virtual void Retire() {}

private:
    LONG refs_ = 1;
};

// WMI's services and enumerators are proxies in a real system, so clients set
// their call security; accepting any blanket is all a stand-in needs.
class BlanketAcceptor : public IClientSecurity {
public:
    STDMETHODIMP QueryBlanket(IUnknown* proxy, DWORD* authnService, DWORD* authzService, OLECHAR** serverPrincipal,
                              DWORD* authnLevel, DWORD* impLevel, void** authInfo, DWORD* capabilities) override;
    STDMETHODIMP SetBlanket(IUnknown* proxy, DWORD authnService, DWORD authzService, OLECHAR* serverPrincipal,
                            DWORD authnLevel, DWORD impLevel, void* authInfo, DWORD capabilities) override;
    STDMETHODIMP CopyProxy(IUnknown* proxy, IUnknown** copy) override;

private:
    DWORD authnService_ = RPC_C_AUTHN_WINNT;
    DWORD authzService_ = RPC_C_AUTHZ_NONE;
    DWORD authnLevel_ = RPC_C_AUTHN_LEVEL_CONNECT;
    DWORD impLevel_ = RPC_C_IMP_LEVEL_IMPERSONATE;
    DWORD capabilities_ = EOAC_NONE;
};

} // namespace simwmi
