// One cache of type information for every dual interface of a module.
#include "com/TypeInfoCache.h"
#include <mutex>
#include <vector>
#include <wrl/client.h>
#include "com/ComError.h"
#include "com/ThisModule.h"

using Microsoft::WRL::ComPtr;

namespace {

struct CachedTypeInfo
{
    IID iid;
    ComPtr<ITypeInfo> spTypeInfo;
};

std::mutex g_typeInfoLock;
std::vector<CachedTypeInfo>* g_pTypeInfos = nullptr;

} // namespace

HRESULT GetCachedTypeInfo(REFIID riid, TypeLibLoader pfnLoad, ITypeInfo** ppTypeInfo) noexcept
{
    if (!ppTypeInfo)
        return E_POINTER;
    *ppTypeInfo = nullptr;
    return ComBoundary([&] {
        std::lock_guard<std::mutex> lock(g_typeInfoLock);
        if (!g_pTypeInfos)
            g_pTypeInfos = new std::vector<CachedTypeInfo>(); // NOLINT(bugprone-unhandled-exception-at-new)
        for (const CachedTypeInfo& cached : *g_pTypeInfos) {
            if (IsEqualIID(cached.iid, riid))
                return cached.spTypeInfo.CopyTo(ppTypeInfo);
        }
        ComPtr<ITypeLib> spTypeLib;
        RETURN_IF_FAILED(pfnLoad(&spTypeLib));
        ComPtr<ITypeInfo> spTypeInfo;
        RETURN_IF_FAILED(spTypeLib->GetTypeInfoOfGuid(riid, &spTypeInfo));
        g_pTypeInfos->push_back({riid, spTypeInfo});
        return spTypeInfo.CopyTo(ppTypeInfo);
    });
}

void ReleaseCachedTypeInfo() noexcept
{
    std::lock_guard<std::mutex> lock(g_typeInfoLock);
    delete g_pTypeInfos;
    g_pTypeInfos = nullptr;
}

HRESULT LoadRegisteredOrOwnTypeLib(REFGUID libid, WORD wMajor, WORD wMinor, LCID lcid, ITypeLib** ppTypeLib) noexcept
{
    HRESULT hr = LoadRegTypeLib(libid, wMajor, wMinor, lcid, ppTypeLib);
    if (SUCCEEDED(hr))
        return hr;
    wchar_t szPath[MAX_PATH];
    return FAILED(ThisModulePath(szPath)) ? hr : LoadTypeLibEx(szPath, REGKIND_NONE, ppTypeLib);
}
