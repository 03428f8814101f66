// Entry points of the module, and its self-registration: the keys of every
// class under HKEY_CLASSES_ROOT, then the type library.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <filesystem>
#include <string>
#include <wrl/client.h>
#include "com/ComError.h"
#include "com/ModuleLock.h"
#include "com/ThisModule.h"
#include "com/TypeInfoCache.h"
#include "module/ClassTable.h"

using Microsoft::WRL::ComPtr;

namespace {

// The module's type library: from its own TYPELIB resource, else from the
// ".tlb" file of the same name beside it. path receives the file it came from.
HRESULT LoadModuleTypeLib(ComPtr<ITypeLib>& spTypeLib, std::wstring& path)
{
    wchar_t szPath[MAX_PATH];
    RETURN_IF_FAILED(ThisModulePath(szPath));
    path = szPath;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &spTypeLib);
    if (FAILED(hr)) {
        path = std::filesystem::path(path).replace_extension(L".tlb").wstring();
        hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &spTypeLib);
    }
    return hr;
}

// The library names no help file, so no help folder is registered with it.
HRESULT RegisterModuleTypeLib()
{
    ComPtr<ITypeLib> spTypeLib;
    std::wstring path;
    RETURN_IF_FAILED(LoadModuleTypeLib(spTypeLib, path));
    return RegisterTypeLib(spTypeLib.Get(), path.data(), nullptr);
}

HRESULT UnregisterModuleTypeLib()
{
    ComPtr<ITypeLib> spTypeLib;
    std::wstring path;
    RETURN_IF_FAILED(LoadModuleTypeLib(spTypeLib, path));
    TLIBATTR* pAttr = nullptr;
    RETURN_IF_FAILED(spTypeLib->GetLibAttr(&pAttr));
    const HRESULT hr =
        UnRegisterTypeLib(pAttr->guid, pAttr->wMajorVerNum, pAttr->wMinorVerNum, pAttr->lcid, pAttr->syskind);
    spTypeLib->ReleaseTLibAttr(pAttr);
    return hr;
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
        RETURN_IF_FAILED(RegisterClasses());
        return RegisterModuleTypeLib();
    });
}

STDAPI DllUnregisterServer()
{
    return ComBoundary([] {
        RETURN_IF_FAILED(UnregisterClasses());
        return UnregisterModuleTypeLib();
    });
}
