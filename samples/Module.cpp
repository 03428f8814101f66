// Entry points of the sample assistants' COM server.
#include "com/Owners.h"
#include "com/ServerTable.h"
#include "hostfiles/ErrorDatabase.h"
#include "samples/BusAssistant.h"
#include <string>

namespace {

const CLSID CLSID_ProfibusDPAssistant = {0x4F1C2A61, 0x7B3D, 0x4E58, {0x9A, 0x20, 0x6C, 0x1E, 0x83, 0xD4, 0x52, 0x01}};
const CLSID CLSID_ProfinetIOAssistant = {0x4F1C2A62, 0x7B3D, 0x4E58, {0x9A, 0x20, 0x6C, 0x1E, 0x83, 0xD4, 0x52, 0x01}};
const CLSID CLSID_CANopenAssistant = {0x4F1C2A63, 0x7B3D, 0x4E58, {0x9A, 0x20, 0x6C, 0x1E, 0x83, 0xD4, 0x52, 0x01}};

template <const BusDescriptor& Bus>
HRESULT Create(REFIID riid, void** ppv)
{
    return CComObject<CBusAssistant>::CreateInstance(riid, ppv, Bus);
}

const ServedClass g_classes[] = {
    {&CLSID_ProfibusDPAssistant, L"Samples.ProfibusDP.1", L"Sample PROFIBUS DP assistant", &Create<g_busProfibusDP>},
    {&CLSID_ProfinetIOAssistant, L"Samples.ProfinetIO.1", L"Sample PROFINET IO assistant", &Create<g_busProfinetIO>},
    {&CLSID_CANopenAssistant, L"Samples.CANopen.1", L"Sample CANopen assistant", &Create<g_busCANopen>},
};

// The error database of each assistant ships in errdb\ beside this module.
const struct
{
    const BusDescriptor* pBus;
    const wchar_t* pszFile;
} g_databases[] = {
    {&g_busProfibusDP, L"errdb\\profibus-dp.txt"},
    {&g_busProfinetIO, L"errdb\\profinet-io.txt"},
    {&g_busCANopen, L"errdb\\canopen.txt"},
};

} // namespace

DEFINE_TABLE_SERVER_ENTRY_POINTS(g_classes)

STDAPI DllRegisterServer()
{
    HRESULT hr = RegisterClassTable(g_classes, CountOf(g_classes));
    wchar_t folder[MAX_PATH];
    if (SUCCEEDED(hr))
        hr = ModuleFolder(folder, MAX_PATH);
    for (auto& db : g_databases) {
        if (FAILED(hr))
            break;
        std::wstring file = std::wstring(folder) + db.pszFile;
        hr = WriteRegistryString(HKEY_LOCAL_MACHINE, g_szErrorDatabasesKey, db.pBus->pszErrorDatabase, file.c_str());
    }
    return hr;
}

STDAPI DllUnregisterServer()
{
    CRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, g_szErrorDatabasesKey, 0, KEY_SET_VALUE, key.Out()) == ERROR_SUCCESS) {
        for (auto& db : g_databases)
            RegDeleteValueW(key.Get(), db.pBus->pszErrorDatabase);
    }
    return UnregisterClassTable(g_classes, CountOf(g_classes));
}
