// Type information of the simulator's interfaces, loaded once and kept.
#include "hostsim/SimDispatch.h"
#include "HostSim.h"
#include <string>
#include "com/ServerTable.h"
#include "com/TypeInfoCache.h"

namespace {

volatile LONG g_lLiveObjects = 0;

// Registered library first; else the library beside (or inside) this module.
HRESULT LoadLibraryFor(REFGUID libid, WORD wMajor, ITypeLib** ppLib)
{
    HRESULT hr = LoadRegisteredOrOwnTypeLib(libid, wMajor, 0, LOCALE_NEUTRAL, ppLib);
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
    wchar_t folder[MAX_PATH];
    RETURN_IF_FAILED(ThisModuleFolder(folder));
    return LoadTypeLibEx((std::wstring(folder) + L"NewZUR.tlb").c_str(), REGKIND_NONE, ppLib);
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
