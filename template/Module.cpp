// The module's entry points: its one class, and registration that also binds
// the assistant to its protocol, as the layer looks assistants up.
#include "Assistant.h"
#include "AssistantConfig.h"
#include "com/Owners.h"
#include "com/ServerTable.h"
#include <string>

namespace {

// Where the host keeps error databases (HKLM) and the user's bindings (HKCU,
// the layer's scope 9): value name = protocol, data = ProgID or database id.
const wchar_t g_szErrorDatabasesKey[] = L"Software\\HostSim\\ErrorDatabases";
const wchar_t g_szAssistantsKey[] = L"Software\\HostSim\\Configuration\\BindedAssistants";
const wchar_t g_szAssistantDatabasesKey[] = L"Software\\HostSim\\Configuration\\BindedAssistants_ErrDB";

HRESULT Create(REFIID riid, void** ppv)
{
    return CComObject<CAssistant>::CreateInstance(riid, ppv);
}

const ServedClass g_classes[] = {
    {&CLSID_Assistant, g_szProgId, g_szDescription, &Create},
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
    return RegGetValueW(HKEY_CURRENT_USER, g_szAssistantsKey, g_szProtocol, RRF_RT_REG_SZ, nullptr, szProgId, &cb) ==
               ERROR_SUCCESS &&
           wcscmp(szProgId, g_szProgId) == 0;
}

} // namespace

DEFINE_TABLE_SERVER_ENTRY_POINTS(g_classes)

STDAPI DllRegisterServer()
{
    return ComBoundary([] {
        RETURN_IF_FAILED(RegisterClassTable(g_classes, CountOf(g_classes)));
        wchar_t szFolder[MAX_PATH];
        RETURN_IF_FAILED(ModuleFolder(szFolder, MAX_PATH));
        std::wstring file = std::wstring(szFolder) + g_szErrorDatabaseFile;
        RETURN_IF_FAILED(
            WriteRegistryString(HKEY_LOCAL_MACHINE, g_szErrorDatabasesKey, g_szErrorDatabaseId, file.c_str()));
        // The database's binding first: the layer stops reading a scope at a
        // binding that has none, so a half-done registration must not leave one.
        RETURN_IF_FAILED(
            WriteRegistryString(HKEY_CURRENT_USER, g_szAssistantDatabasesKey, g_szProtocol, g_szErrorDatabaseId));
        return WriteRegistryString(HKEY_CURRENT_USER, g_szAssistantsKey, g_szProtocol, g_szProgId);
    });
}

STDAPI DllUnregisterServer()
{
    // Another assistant bound to the protocol since keeps its binding.
    if (BoundToUs()) {
        DeleteValue(HKEY_CURRENT_USER, g_szAssistantsKey, g_szProtocol);
        DeleteValue(HKEY_CURRENT_USER, g_szAssistantDatabasesKey, g_szProtocol);
    }
    DeleteValue(HKEY_LOCAL_MACHINE, g_szErrorDatabasesKey, g_szErrorDatabaseId);
    return UnregisterClassTable(g_classes, CountOf(g_classes));
}
