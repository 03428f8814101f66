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

const ServedClass kClasses[] = {
    {&CLSID_ProfibusDPAssistant, L"Samples.ProfibusDP.1", L"Sample PROFIBUS DP assistant", &Create<kBusProfibusDP>},
    {&CLSID_ProfinetIOAssistant, L"Samples.ProfinetIO.1", L"Sample PROFINET IO assistant", &Create<kBusProfinetIO>},
    {&CLSID_CANopenAssistant, L"Samples.CANopen.1", L"Sample CANopen assistant", &Create<kBusCANopen>},
};

// The error database of each assistant ships in errdb\ beside this module.
const struct
{
    const BusDescriptor* pBus;
    const wchar_t* pszFile;
} kDatabases[] = {
    {&kBusProfibusDP, L"errdb\\profibus-dp.txt"},
    {&kBusProfinetIO, L"errdb\\profinet-io.txt"},
    {&kBusCANopen, L"errdb\\canopen.txt"},
};

} // namespace

DEFINE_TABLE_SERVER_ENTRY_POINTS(kClasses)

STDAPI DllRegisterServer()
{
    HRESULT hr = RegisterClassTable(kClasses, CountOf(kClasses));
    wchar_t folder[MAX_PATH];
    if (SUCCEEDED(hr))
        hr = ThisModuleFolder(folder);
    for (auto& db : kDatabases) {
        if (FAILED(hr))
            break;
        std::wstring file = std::wstring(folder) + db.pszFile;
        hr = WriteRegistryString(HKEY_LOCAL_MACHINE, kErrorDatabasesKey, db.pBus->pszErrorDatabase, file.c_str());
    }
    return hr;
}

STDAPI DllUnregisterServer()
{
    CRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kErrorDatabasesKey, 0, KEY_SET_VALUE, key.Out()) == ERROR_SUCCESS) {
        for (auto& db : kDatabases)
            RegDeleteValueW(key.Get(), db.pBus->pszErrorDatabase);
    }
    return UnregisterClassTable(kClasses, CountOf(kClasses));
}
