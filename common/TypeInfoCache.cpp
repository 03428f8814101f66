// One cache of type information for every dual interface of a module.
#include "common/TypeInfoCache.h"
#include <mutex>
#include <vector>
#include <wrl/client.h>
#include "LayerLib2.h"

using Microsoft::WRL::ComPtr;

namespace {

struct CachedTypeInfo
{
    IID iid;
    ComPtr<ITypeInfo> spTypeInfo;
};

std::mutex g_typeInfoLock;
std::vector<CachedTypeInfo>* g_pTypeInfos = nullptr;

HMODULE ThisModule() noexcept
{
    HMODULE hModule = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &hModule);
    return hModule;
}

HRESULT LoadLayerTypeLib(ITypeLib** ppTypeLib) noexcept
{
    // Registered under the library's own locale; a neutral lookup does not find it.
    const LCID lcidLibrary = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);
    HRESULT hr = LoadRegTypeLib(LIBID_LAYERLib2, 7, 0, lcidLibrary, ppTypeLib);
    if (SUCCEEDED(hr))
        return hr;
    wchar_t szPath[MAX_PATH];
    DWORD cch = GetModuleFileNameW(ThisModule(), szPath, MAX_PATH);
    if (cch == 0 || cch >= MAX_PATH)
        return hr;
    return LoadTypeLibEx(szPath, REGKIND_NONE, ppTypeLib);
}

} // namespace

HRESULT GetCachedTypeInfo(REFIID riid, TypeLibLoader pfnLoad, ITypeInfo** ppTypeInfo) noexcept
{
    if (!ppTypeInfo)
        return E_POINTER;
    *ppTypeInfo = nullptr;
    try {
        std::lock_guard<std::mutex> lock(g_typeInfoLock);
        if (!g_pTypeInfos)
            g_pTypeInfos = new std::vector<CachedTypeInfo>();
        for (const CachedTypeInfo& cached : *g_pTypeInfos) {
            if (IsEqualIID(cached.iid, riid))
                return cached.spTypeInfo.CopyTo(ppTypeInfo);
        }
        ComPtr<ITypeLib> spTypeLib;
        HRESULT hr = pfnLoad(&spTypeLib);
        if (FAILED(hr))
            return hr;
        ComPtr<ITypeInfo> spTypeInfo;
        hr = spTypeLib->GetTypeInfoOfGuid(riid, &spTypeInfo);
        if (FAILED(hr))
            return hr;
        g_pTypeInfos->push_back({riid, spTypeInfo});
        return spTypeInfo.CopyTo(ppTypeInfo);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT GetLayerTypeInfo(REFIID riid, ITypeInfo** ppTypeInfo) noexcept
{
    return GetCachedTypeInfo(riid, LoadLayerTypeLib, ppTypeInfo);
}

void ReleaseCachedTypeInfo() noexcept
{
    std::lock_guard<std::mutex> lock(g_typeInfoLock);
    delete g_pTypeInfos;
    g_pTypeInfos = nullptr;
}
