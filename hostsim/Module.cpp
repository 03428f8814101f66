// Entry points of the host simulator's COM server.
#include "com/ServerTable.h"
#include "com/ThisModule.h"
#include "hostsim/SimContext.h"
#include "hostsim/SimDataQuery.h"
#include "hostsim/SimProject.h"
#include <string>
#include <wrl/client.h>

namespace {

template <class T, class Itf>
HRESULT Create(REFIID riid, void** ppv)
{
    return CComObject<T>::CreateInstance(riid, ppv);
}

const ServedClass kClasses[] = {
    {&CLSID_Project, L"HostSim.Project.1", L"Simulated plant project", &Create<CSimProject, ISimProject>},
    {&NewZUR::CLSID_DataQuery, L"HostSim.DataQuery.1", L"Simulated host data-query service",
     &Create<CSimDataQuery, NewZUR::IDataQuery>},
    {&NewZUR::CLSID_Context, L"HostSim.Context.1", L"Simulated host context", &Create<CSimContext, NewZUR::IContext>},
};

// The simulator's own library (a resource of this module) and the host
// framework's library, which ships beside it.
HRESULT RegisterTypeLibraries()
{
    wchar_t path[MAX_PATH], folder[MAX_PATH];
    RETURN_IF_FAILED(ThisModulePath(path));
    RETURN_IF_FAILED(ThisModuleFolder(folder));
    for (const std::wstring& file : {std::wstring(path), std::wstring(folder) + L"NewZUR.tlb"}) {
        Microsoft::WRL::ComPtr<ITypeLib> spLib;
        RETURN_IF_FAILED(LoadTypeLibEx(file.c_str(), REGKIND_REGISTER, &spLib));
    }
    return S_OK;
}

} // namespace

DEFINE_TABLE_SERVER_ENTRY_POINTS(kClasses)

STDAPI DllRegisterServer()
{
    HRESULT hr = RegisterClassTable(kClasses, CountOf(kClasses));
    return FAILED(hr) ? hr : RegisterTypeLibraries();
}

STDAPI DllUnregisterServer()
{
    HRESULT hr = UnregisterClassTable(kClasses, CountOf(kClasses));
    if (SUCCEEDED(hr))
        UnRegisterTypeLib(LIBID_HostSimLib, 1, 0, LOCALE_NEUTRAL, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    return hr;
}
