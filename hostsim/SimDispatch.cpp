// Type information of the simulator's interfaces, loaded once and kept.
#include "hostsim/SimDispatch.h"
#include <map>
#include <string>

extern HMODULE g_hSimModule;

namespace {

struct Key
{
    GUID iid;
    bool operator<(const Key& o) const { return memcmp(&iid, &o.iid, sizeof(GUID)) < 0; }
};

std::map<Key, Microsoft::WRL::ComPtr<ITypeInfo>>& Cache()
{
    static std::map<Key, Microsoft::WRL::ComPtr<ITypeInfo>> cache;
    return cache;
}

// Registered library first; else the library beside (or inside) this module.
HRESULT LoadLibraryFor(REFGUID libid, WORD wMajor, ITypeLib** ppLib)
{
    HRESULT hr = LoadRegTypeLib(libid, wMajor, 0, LOCALE_NEUTRAL, ppLib);
    if (SUCCEEDED(hr))
        return hr;
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(g_hSimModule, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return hr;
    hr = LoadTypeLibEx(path, REGKIND_NONE, ppLib);
    if (SUCCEEDED(hr)) {
        TLIBATTR* pAttr = nullptr;
        bool same = SUCCEEDED((*ppLib)->GetLibAttr(&pAttr)) && IsEqualGUID(pAttr->guid, libid);
        if (pAttr)
            (*ppLib)->ReleaseTLibAttr(pAttr);
        if (same)
            return S_OK;
        (*ppLib)->Release();
        *ppLib = nullptr;
    }
    std::wstring folder(path, n);
    folder.resize(folder.find_last_of(L"\\/") + 1);
    return LoadTypeLibEx((folder + L"NewZUR.tlb").c_str(), REGKIND_NONE, ppLib);
}

} // namespace

HRESULT GetSimTypeInfo(REFGUID libid, WORD wMajor, REFIID riid, ITypeInfo** ppTypeInfo) noexcept
{
    if (!ppTypeInfo)
        return E_POINTER;
    *ppTypeInfo = nullptr;
    try {
        auto& cache = Cache();
        auto it = cache.find(Key{riid});
        if (it == cache.end()) {
            Microsoft::WRL::ComPtr<ITypeLib> spLib;
            Microsoft::WRL::ComPtr<ITypeInfo> spInfo;
            HRESULT hr = LoadLibraryFor(libid, wMajor, &spLib);
            if (SUCCEEDED(hr))
                hr = spLib->GetTypeInfoOfGuid(riid, &spInfo);
            if (FAILED(hr))
                return hr;
            it = cache.emplace(Key{riid}, spInfo).first;
        }
        return it->second.CopyTo(ppTypeInfo);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}
