// The host's configuration store: scopes 9 (user) and 17 (machine).
#include "hostsim/Plant.h"

namespace {

const wchar_t g_szKey[] = L"Software\\HostSim\\Configuration\\ContextTest";

class ContextTest : public testing::Test
{
protected:
    static void SetUpTestSuite() { RegisterSimulatorServers(); }
    void SetUp() override
    {
        Write(HKEY_CURRENT_USER, L"PROFIBUS DP", L"Samples.ProfibusDP.1");
        DWORD dwDebug = 1;
        RegSetKeyValueW(HKEY_CURRENT_USER, g_szKey, L"Debug", REG_DWORD, &dwDebug, sizeof(dwDebug));
        Write(HKEY_LOCAL_MACHINE, L"PROFIBUS DP", L"Machine.Assistant.1");
        ASSERT_EQ(CoCreateInstance(NewZUR::CLSID_Context, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&m_spContext)), S_OK);
    }
    void TearDown() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, g_szKey);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, g_szKey);
    }
    static void Write(HKEY hRoot, const wchar_t* name, const wchar_t* data)
    {
        RegSetKeyValueW(hRoot, g_szKey, name, REG_SZ, data, static_cast<DWORD>((wcslen(data) + 1) * sizeof(wchar_t)));
    }
    ComPtr<NewZUR::IRegistryKey> Open(long lScope, HRESULT hrExpected = S_OK)
    {
        ComPtr<NewZUR::IRegistryKey> spKey;
        CBstr path(L"ContextTest");
        EXPECT_EQ(m_spContext->OpenKey(lScope, path, &spKey), hrExpected);
        return spKey;
    }
    static std::wstring Data(NewZUR::IRegistryValue* pValue, VARTYPE vt)
    {
        CVariant data;
        EXPECT_EQ(pValue->GetData(data.Out()), S_OK);
        if (data.vt != vt) {
            ADD_FAILURE() << "variant type " << data.vt;
            return {};
        }
        return vt == VT_BSTR ? std::wstring(BstrView(data.bstrVal)) : std::to_wstring(data.lVal);
    }

    ComPtr<NewZUR::IContext> m_spContext;
};

TEST_F(ContextTest, UserScopeListsValuesByPositionAndFindsThemByName)
{
    auto spKey = Open(9);
    long lCount = 0;
    ASSERT_EQ(spKey->GetCount(&lCount), S_OK);
    EXPECT_EQ(lCount, 2);
    // Positions run over every value; their order is the store's.
    std::wstring names[2];
    for (long i = 0; i < 2; ++i) {
        CVariant position = CVariant::Long(i);
        ComPtr<NewZUR::IRegistryValue> spValue;
        ASSERT_EQ(spKey->GetItem(position, &spValue), S_OK);
        CBstr name;
        ASSERT_EQ(spValue->GetName(name.Out()), S_OK);
        names[i] = name.View();
    }
    EXPECT_TRUE((names[0] == L"Debug" && names[1] == L"PROFIBUS DP") || (names[1] == L"Debug" && names[0] == L"PROFIBUS DP"));
    CVariant debug = CVariant::String(L"Debug"), dp = CVariant::String(L"PROFIBUS DP");
    ComPtr<NewZUR::IRegistryValue> spDebug, spDp;
    ASSERT_EQ(spKey->GetItem(debug, &spDebug), S_OK);
    EXPECT_EQ(Data(spDebug.Get(), VT_I4), L"1");
    ASSERT_EQ(spKey->GetItem(dp, &spDp), S_OK);
    EXPECT_EQ(Data(spDp.Get(), VT_BSTR), L"Samples.ProfibusDP.1");
}

TEST_F(ContextTest, MachineScopeReadsTheMachineHive)
{
    ComPtr<NewZUR::IRegistryValue> spValue;
    CVariant name = CVariant::String(L"PROFIBUS DP");
    ASSERT_EQ(Open(17)->GetItem(name, &spValue), S_OK);
    EXPECT_EQ(Data(spValue.Get(), VT_BSTR), L"Machine.Assistant.1");
}

TEST_F(ContextTest, WhatIsNotThereFailsWithTheSystemsReason)
{
    Open(5, E_INVALIDARG);
    ComPtr<NewZUR::IRegistryKey> spMissing;
    CBstr missing(L"NoSuchKey");
    EXPECT_EQ(m_spContext->OpenKey(9, missing, &spMissing), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(spMissing, nullptr);
    auto spKey = Open(9);
    ComPtr<NewZUR::IRegistryValue> spValue;
    CVariant name = CVariant::String(L"Trace"), beyond = CVariant::Long(2);
    EXPECT_EQ(spKey->GetItem(name, &spValue), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(spKey->GetItem(beyond, &spValue), HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS));
    EXPECT_EQ(spValue, nullptr);
}

} // namespace
