// The DLL's entry points: the class factory for CLSID_WbemLocator and the
// unload query. Registration is the prefix script's business (reg.exe /reg:32).
#include <windows.h>
#include <wbemcli.h>

#include "sim/wmi/ComObject.h"
#include "sim/wmi/WmiLocator.h"

namespace {

simwmi::WmiLocatorFactory g_factory;

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        // Pinned, so that a client's late call on a released object still finds
        // the code (see RefCounted).
        HMODULE pinned = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                           reinterpret_cast<LPCWSTR>(&g_factory), &pinned);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_WbemLocator))
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, object);
}

STDAPI DllCanUnloadNow()
{
    return simwmi::ModuleInUse() ? S_FALSE : S_OK;
}
