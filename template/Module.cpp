// The module's entry points: its one class, and registration that also binds
// the assistant to its protocol, as the layer looks assistants up.
#include "Assistant.h"
#include "AssistantConfig.h"
#include "com/Owners.h"
#include "com/ServerTable.h"
#include "interfaces/LayerNames.h"
#include <string>

namespace {

// Where the host keeps error databases (HKLM) and the user's bindings (HKCU,
// the layer's scope 9): value name = protocol, data = ProgID or database id.
const wchar_t kErrorDatabasesKey[] = L"Software\\HostSim\\ErrorDatabases";

// A key of the host's configuration.
std::wstring ConfigurationKey(const wchar_t* pszName)
{
    return std::wstring(L"Software\\HostSim\\Configuration\\") + pszName;
}

HRESULT Create(REFIID riid, void** ppv)
{
    return CComObject<CAssistant>::CreateInstance(riid, ppv);
}

const ServedClass kClasses[] = {
    {&CLSID_Assistant, kProgId, kDescription, &Create},
};

void DeleteValue(HKEY hRoot, const wchar_t* pszKey, const wchar_t* pszName)
{
    CRegKey key;
    if (RegOpenKeyExW(hRoot, pszKey, 0, KEY_SET_VALUE, key.Out()) == ERROR_SUCCESS)
        RegDeleteValueW(key.Get(), pszName);
}

// Whether the user's binding of our protocol still names this assistant.
bool BoundToUs()
{
    wchar_t szProgId[256];
    DWORD cb = sizeof(szProgId);
    return RegGetValueW(HKEY_CURRENT_USER, ConfigurationKey(LayerNames::kAssistantsKey).c_str(), kProtocol,
                        RRF_RT_REG_SZ, nullptr, szProgId, &cb) == ERROR_SUCCESS &&
           wcscmp(szProgId, kProgId) == 0;
}

} // namespace

DEFINE_TABLE_SERVER_ENTRY_POINTS(kClasses)

STDAPI DllRegisterServer()
{
    return ComBoundary([] {
        RETURN_IF_FAILED(RegisterClassTable(kClasses, CountOf(kClasses)));
        wchar_t szFolder[MAX_PATH];
        RETURN_IF_FAILED(ThisModuleFolder(szFolder));
        std::wstring file = std::wstring(szFolder) + kErrorDatabaseFile;
        RETURN_IF_FAILED(WriteRegistryString(HKEY_LOCAL_MACHINE, kErrorDatabasesKey, kErrorDatabaseId, file.c_str()));
        // The database's binding first: the layer stops reading a scope at a
        // binding that has none, so a half-done registration must not leave one.
        RETURN_IF_FAILED(WriteRegistryString(HKEY_CURRENT_USER, ConfigurationKey(LayerNames::kErrorDBsKey).c_str(),
                                             kProtocol, kErrorDatabaseId));
        return WriteRegistryString(HKEY_CURRENT_USER, ConfigurationKey(LayerNames::kAssistantsKey).c_str(), kProtocol,
                                   kProgId);
    });
}

STDAPI DllUnregisterServer()
{
    // Another assistant bound to the protocol since keeps its binding.
    if (BoundToUs()) {
        DeleteValue(HKEY_CURRENT_USER, ConfigurationKey(LayerNames::kAssistantsKey).c_str(), kProtocol);
        DeleteValue(HKEY_CURRENT_USER, ConfigurationKey(LayerNames::kErrorDBsKey).c_str(), kProtocol);
    }
    DeleteValue(HKEY_LOCAL_MACHINE, kErrorDatabasesKey, kErrorDatabaseId);
    return UnregisterClassTable(kClasses, CountOf(kClasses));
}
