// Entry points of the module.
#include "module/Module.h"
#include <objbase.h>
#include "com/ModuleLock.h"
#include "com/TypeInfoCache.h"
#include "module/ClassTable.h"
#include "module/Registration.h"

namespace {

HINSTANCE g_hInstance = nullptr;

void AttachProcess(HINSTANCE hInstance) noexcept
{
    g_hInstance = hInstance;
    DisableThreadLibraryCalls(hInstance);
}

void DetachProcess() noexcept
{
    ReleaseClassObjects();
    ReleaseCachedTypeInfo();
}

} // namespace

HINSTANCE ModuleInstance() noexcept
{
    return g_hInstance;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH)
        AttachProcess(hInstance);
    else if (dwReason == DLL_PROCESS_DETACH)
        DetachProcess();
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    return GetClassObject(rclsid, riid, ppv);
}

STDAPI DllCanUnloadNow()
{
    return ModuleLockCount() == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer()
{
    return RegisterServer();
}

STDAPI DllUnregisterServer()
{
    return UnregisterServer();
}
