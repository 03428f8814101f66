// Entry points of the module.
#include <windows.h>
#include <objbase.h>
#include "com/ModuleLock.h"
#include "com/TypeInfoCache.h"
#include "module/ClassTable.h"
#include "module/Registration.h"

namespace {

void DetachProcess() noexcept
{
    ReleaseClassObjects();
    ReleaseCachedTypeInfo();
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(hInstance);
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
