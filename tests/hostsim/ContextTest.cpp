// The host's configuration store: scopes 9 (user) and 17 (machine).
#include "hostsim/Plant.h"
#include "interfaces/LayerNames.h"

namespace {

const wchar_t kKey[] = L"Software\\HostSim\\Configuration\\ContextTest";

// The value at a position or of a name as "name=number", or the HRESULT of the lookup.
std::wstring Lookup(NewZUR::IRegistryKey* pKey, const VARIANT& index)
{
    ComPtr<NewZUR::IRegistryValue> spValue;
    HRESULT hr = pKey->GetItem(index, &spValue);
    CBstr name;
    CVariant data;
    if (FAILED(hr) || FAILED(spValue->GetName(name.Out())) || FAILED(spValue->GetData(data.Out())))
        return L"hr " + std::to_wstring(hr) + (spValue ? L" with a value" : L"");
    return std::wstring(name.View()) + L"=" + (data.vt == VT_I4 ? std::to_wstring(data.lVal) : L"vt");
}

// The user's scope, its values by position and by name, is read in every
// end-to-end run (the layer's bindings and error databases, zurhost's
// debug option); here the machine's scope and the lookups that fail.
TEST(ContextTest, TheMachineScopeAndFailedLookups)
{
    RegisterSimulatorServers();
    DWORD dwDebug = 1;
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, kKey, LayerNames::kDebugValue, REG_DWORD, &dwDebug, sizeof(dwDebug));
    ComPtr<NewZUR::IContext> spContext;
    ASSERT_EQ(CoCreateInstance(NewZUR::CLSID_Context, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&spContext)), S_OK);
    ComPtr<NewZUR::IRegistryKey> spMachine, spMissing;
    ASSERT_EQ(spContext->OpenKey(LayerNames::kSecondScope, CBstr(L"ContextTest"), &spMachine), S_OK);
    EXPECT_EQ(spContext->OpenKey(5, CBstr(L"ContextTest"), &spMissing), E_INVALIDARG);
    // The key is the machine's alone.
    EXPECT_EQ(spContext->OpenKey(LayerNames::kFirstScope, CBstr(L"ContextTest"), &spMissing),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(spMissing, nullptr);
    EXPECT_EQ(Lookup(spMachine.Get(), CVariant::String(LayerNames::kDebugValue)), L"Debug=1");
    EXPECT_EQ(Lookup(spMachine.Get(), CVariant::String(LayerNames::kTraceValue)),
              L"hr " + std::to_wstring(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)));
    EXPECT_EQ(Lookup(spMachine.Get(), CVariant::Long(1)),
              L"hr " + std::to_wstring(HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS)));
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kKey);
}

} // namespace
