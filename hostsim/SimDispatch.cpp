// Type information of the simulator's interfaces, loaded once and kept.
#include "hostsim/SimDispatch.h"
#include "HostSim.h"
#include <string>
#include "com/ThisModule.h"

namespace {

volatile LONG g_lLiveObjects = 0;

// Registered library first; else the library beside (or inside) this module.
HRESULT LoadLibraryFor(REFGUID libid, WORD wMajor, ITypeLib** ppLib)
{
    HRESULT hr = LoadRegTypeLib(libid, wMajor, 0, LOCALE_NEUTRAL, ppLib);
    if (SUCCEEDED(hr))
        return hr;
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(ThisModule(), path, MAX_PATH);
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

HRESULT LoadNewZUR(ITypeLib** ppLib)
{
    return LoadLibraryFor(NewZUR::LIBID_NewZUR, 7, ppLib);
}

HRESULT LoadHostSim(ITypeLib** ppLib)
{
    return LoadLibraryFor(LIBID_HostSimLib, 1, ppLib);
}

} // namespace

HRESULT NewZURLibrary::TypeInfo(REFIID riid, ITypeInfo** ppTypeInfo) noexcept
{
    return GetCachedTypeInfo(riid, LoadNewZUR, ppTypeInfo);
}

HRESULT HostSimLibrary::TypeInfo(REFIID riid, ITypeInfo** ppTypeInfo) noexcept
{
    return GetCachedTypeInfo(riid, LoadHostSim, ppTypeInfo);
}

LONG SimLiveObjects() noexcept
{
    return InterlockedCompareExchange(&g_lLiveObjects, 0, 0);
}

CSimLiveCount::CSimLiveCount() noexcept
{
    InterlockedIncrement(&g_lLiveObjects);
}

CSimLiveCount::~CSimLiveCount()
{
    InterlockedDecrement(&g_lLiveObjects);
}
