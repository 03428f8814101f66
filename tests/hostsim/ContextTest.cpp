// The host's configuration store: scopes 9 (user) and 17 (machine).
#include "hostsim/Plant.h"

namespace {

const wchar_t g_szKey[] = L"Software\\HostSim\\Configuration\\ContextTest";

void Write(HKEY hRoot, const wchar_t* name, const wchar_t* data)
{
    RegSetKeyValueW(hRoot, g_szKey, name, REG_SZ, data, static_cast<DWORD>((wcslen(data) + 1) * sizeof(wchar_t)));
}

// The value at a position or of a name as "name=data", or the HRESULT of the lookup.
std::wstring Lookup(NewZUR::IRegistryKey* pKey, const VARIANT& index)
{
    ComPtr<NewZUR::IRegistryValue> spValue;
    HRESULT hr = pKey->GetItem(index, &spValue);
    CBstr name;
    CVariant data;
    if (FAILED(hr) || FAILED(spValue->GetName(name.Out())) || FAILED(spValue->GetData(data.Out())))
        return L"hr " + std::to_wstring(hr) + (spValue ? L" with a value" : L"");
    return std::wstring(name.View()) + L"=" +
           (data.vt == VT_BSTR ? std::wstring(BstrView(data.bstrVal))
            : data.vt == VT_I4 ? std::to_wstring(data.lVal)
                               : L"vt");
}

// One value in each scope: the user's by position, the machine's by name.
TEST(ContextTest, ScopesListValuesByPositionAndFindThemByName)
{
    RegisterSimulatorServers();
    Write(HKEY_CURRENT_USER, L"PROFIBUS DP", L"Samples.ProfibusDP.1");
    DWORD dwDebug = 1;
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, g_szKey, L"Debug", REG_DWORD, &dwDebug, sizeof(dwDebug));
    ComPtr<NewZUR::IContext> spContext;
    ASSERT_EQ(CoCreateInstance(NewZUR::CLSID_Context, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&spContext)), S_OK);
    ComPtr<NewZUR::IRegistryKey> spUser, spMachine, spMissing;
    ASSERT_EQ(spContext->OpenKey(9, CBstr(L"ContextTest"), &spUser), S_OK);
    ASSERT_EQ(spContext->OpenKey(17, CBstr(L"ContextTest"), &spMachine), S_OK);
    EXPECT_EQ(spContext->OpenKey(5, CBstr(L"ContextTest"), &spMissing), E_INVALIDARG);
    EXPECT_EQ(spContext->OpenKey(9, CBstr(L"NoSuchKey"), &spMissing), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(spMissing, nullptr);
    long lCount = 0;
    ASSERT_EQ(spUser->GetCount(&lCount), S_OK);
    EXPECT_EQ(lCount, 1);
    EXPECT_EQ(Lookup(spUser.Get(), CVariant::Long(0)), L"PROFIBUS DP=Samples.ProfibusDP.1");
    EXPECT_EQ(Lookup(spMachine.Get(), CVariant::String(L"Debug")), L"Debug=1");
    EXPECT_EQ(Lookup(spUser.Get(), CVariant::String(L"Debug")),
              L"hr " + std::to_wstring(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)));
    EXPECT_EQ(Lookup(spUser.Get(), CVariant::Long(1)),
              L"hr " + std::to_wstring(HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS)));
    RegDeleteTreeW(HKEY_CURRENT_USER, g_szKey);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, g_szKey);
}

} // namespace
