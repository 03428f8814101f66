// Entry points of the module and the module state they share.
#include "module/Module.h"
#include <objbase.h>
#include "common/TypeInfoCache.h"
#include "module/ClassTable.h"
#include "module/Registration.h"

namespace {

struct ModuleState
{
    HINSTANCE hInstance = nullptr;
    volatile LONG lLockCount = 0;
};

ModuleState g_module;

void AttachProcess(HINSTANCE hInstance) noexcept
{
    g_module.hInstance = hInstance;
    InitializeClassTable();
    DisableThreadLibraryCalls(hInstance);
}

// Releasing the class objects releases the layer singleton with them; the
// assistants are not terminated, the object is only destroyed.
void DetachProcess() noexcept
{
    ReleaseClassObjects();
    ReleaseCachedTypeInfo();
    DeleteClassTable();
}

} // namespace

HINSTANCE ModuleInstance() noexcept
{
    return g_module.hInstance;
}

void ModuleLock() noexcept
{
    InterlockedIncrement(&g_module.lLockCount);
}

void ModuleUnlock() noexcept
{
    InterlockedDecrement(&g_module.lLockCount);
}

LONG ModuleLockCount() noexcept
{
    return g_module.lLockCount;
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
