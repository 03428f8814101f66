// Entry points of the module, and its self-registration: the keys of every
// class under HKEY_CLASSES_ROOT, then the type library.
#include <windows.h>
#include <objbase.h>
#include <string>
#include "com/ClassRegistration.h"
#include "com/ComError.h"
#include "com/ModuleLock.h"
#include "com/ThisModule.h"
#include "com/TypeInfoCache.h"
#include "module/ClassTable.h"
#include "module/TypeLibRegistration.h"

namespace {

HRESULT RegisterClassEntry(const ClassEntry& entry)
{
    wchar_t szDescription[256] = {}, szPath[MAX_PATH];
    if (LoadStringW(ThisModule(), entry.idsDescription, szDescription, 256) == 0)
        return HRESULT_FROM_WIN32(GetLastError());
    RETURN_IF_FAILED(ThisModulePath(szPath));
    return WriteClassKeys(*entry.pclsid, entry.pszProgId, szDescription, szPath, true);
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(hInstance);
    else if (dwReason == DLL_PROCESS_DETACH)
        ReleaseClassObjects(), ReleaseCachedTypeInfo();
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
    return ComBoundary([] {
        for (ClassEntry* p = ClassTableBegin(); p != ClassTableEnd(); ++p)
            RETURN_IF_FAILED(RegisterClassEntry(*p));
        return RegisterModuleTypeLib();
    });
}

STDAPI DllUnregisterServer()
{
    return ComBoundary([] {
        for (ClassEntry* p = ClassTableBegin(); p != ClassTableEnd(); ++p)
            RETURN_IF_FAILED(DeleteClassKeys(*p->pclsid, p->pszProgId));
        return UnregisterModuleTypeLib();
    });
}
