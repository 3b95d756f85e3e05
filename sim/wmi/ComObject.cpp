#include "sim/wmi/ComObject.h"

#include "sim/wmi/WmiScriptStore.h"

namespace simwmi {
namespace {

LONG g_moduleRefs = 0;

} // namespace

void ModuleAddRef()
{
    InterlockedIncrement(&g_moduleRefs);
}
void ModuleRelease()
{
    InterlockedDecrement(&g_moduleRefs);
}
bool ModuleInUse()
{
    return InterlockedCompareExchange(&g_moduleRefs, 0, 0) != 0;
}

RefCounted::RefCounted()
{
    ModuleAddRef();
}

ULONG RefCounted::AddRefCount()
{
    LONG refs = InterlockedIncrement(&refs_);
    // An AddRef after the last Release brings a retired object back; it stays
    // empty, but the module must count it again.
    if (refs == 1)
        ModuleAddRef();
    return static_cast<ULONG>(refs);
}

ULONG RefCounted::ReleaseCount()
{
    LONG refs = InterlockedDecrement(&refs_);
    if (refs > 0)
        return static_cast<ULONG>(refs);
    if (refs == 0) {
        Retire();
        ModuleRelease();
        return 0;
    }
    InterlockedIncrement(&refs_);
    NoteOverRelease();
    return 0;
}

STDMETHODIMP BlanketAcceptor::QueryBlanket(IUnknown*, DWORD* authnService, DWORD* authzService,
                                           OLECHAR** serverPrincipal, DWORD* authnLevel, DWORD* impLevel,
                                           void** authInfo, DWORD* capabilities)
{
    if (authnService)
        *authnService = authnService_;
    if (authzService)
        *authzService = authzService_;
    if (serverPrincipal)
        *serverPrincipal = nullptr;
    if (authnLevel)
        *authnLevel = authnLevel_;
    if (impLevel)
        *impLevel = impLevel_;
    if (authInfo)
        *authInfo = nullptr;
    if (capabilities)
        *capabilities = capabilities_;
    return S_OK;
}

STDMETHODIMP BlanketAcceptor::SetBlanket(IUnknown*, DWORD authnService, DWORD authzService, OLECHAR*, DWORD authnLevel,
                                         DWORD impLevel, void*, DWORD capabilities)
{
    // RPC_C_AUTHN_DEFAULT and the like mean "keep what you have".
    if (authnService != RPC_C_AUTHN_DEFAULT)
        authnService_ = authnService;
    if (authzService != RPC_C_AUTHZ_DEFAULT)
        authzService_ = authzService;
    if (authnLevel != RPC_C_AUTHN_LEVEL_DEFAULT)
        authnLevel_ = authnLevel;
    if (impLevel != RPC_C_IMP_LEVEL_DEFAULT)
        impLevel_ = impLevel;
    if (capabilities != EOAC_DEFAULT)
        capabilities_ = capabilities;
    return S_OK;
}

STDMETHODIMP BlanketAcceptor::CopyProxy(IUnknown* proxy, IUnknown** copy)
{
    if (!copy)
        return E_POINTER;
    *copy = nullptr;
    if (!proxy)
        return E_INVALIDARG;
    // An in-process object has no proxy to copy: the copy is the object itself.
    proxy->AddRef();
    *copy = proxy;
    return S_OK;
}

} // namespace simwmi
