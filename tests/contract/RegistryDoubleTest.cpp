// The context double's registry answers lookups the way the catalogue and the
// option reader rely on, and fails exactly where a test asks it to.
#include <wrl/client.h>
#include "support/DoublesTest.h"

using Microsoft::WRL::ComPtr;

class RegistryDouble : public DoublesTest
{
protected:
    // A fresh context object opens the key; the HRESULT of OpenKey.
    HRESULT Open(long lScope, const wchar_t* path, ComPtr<NewZUR::IRegistryKey>& spKey)
    {
        ComPtr<NewZUR::IContext> spContext;
        HRESULT hr = CoCreateInstance(NewZUR::CLSID_Context, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&spContext));
        if (FAILED(hr))
            return hr;
        return spContext->OpenKey(lScope, CBstr(path), &spKey);
    }
    static HRESULT Item(NewZUR::IRegistryKey* pKey, const VARIANT& vIndex, ComPtr<NewZUR::IRegistryValue>& spValue)
    {
        return pKey->GetItem(vIndex, &spValue);
    }
};

TEST_F(RegistryDouble, KeysAreSeparatePerScopeAndValuesKeepTheirOrder)
{
    Host().registry.BindAssistant(9, L"BusA", L"Test.A", L"{db-a}");
    Host().registry.BindAssistant(9, L"BusB", L"Test.B", L"{db-b}");
    Host().registry.SetLong(17, L"LayerOptions", L"Debug", 1);

    ComPtr<NewZUR::IRegistryKey> spKey;
    ASSERT_EQ(Open(9, L"BindedAssistants", spKey), S_OK);
    long lCount = -1;
    ASSERT_EQ(spKey->GetCount(&lCount), S_OK);
    EXPECT_EQ(lCount, 2);
    const wchar_t* expected[][2] = {{L"BusA", L"Test.A"}, {L"BusB", L"Test.B"}};
    for (long i = 0; i < 2; ++i) {
        ComPtr<NewZUR::IRegistryValue> spValue;
        ASSERT_EQ(Item(spKey.Get(), CVariant::Long(i), spValue), S_OK);
        CBstr name;
        CVariant data;
        EXPECT_EQ(spValue->GetName(name.Out()), S_OK);
        EXPECT_EQ(spValue->GetData(data.Out()), S_OK);
        EXPECT_EQ(name.View(), expected[i][0]);
        ASSERT_EQ(data.vt, VT_BSTR);
        EXPECT_EQ(BstrView(data.bstrVal), expected[i][1]);
    }
    ComPtr<NewZUR::IRegistryValue> spValue;
    EXPECT_EQ(Item(spKey.Get(), CVariant::Long(2), spValue), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Item(spKey.Get(), CVariant::String(L"busa"), spValue), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(spValue.Get(), nullptr);

    ComPtr<NewZUR::IRegistryKey> spOther;
    EXPECT_EQ(Open(17, L"BindedAssistants", spOther), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Open(9, L"BindedAssistants\\BusA", spOther), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(spOther.Get(), nullptr);
    ASSERT_EQ(Open(17, L"LayerOptions", spOther), S_OK);
    ASSERT_EQ(Item(spOther.Get(), CVariant::String(L"Debug"), spValue), S_OK);
    CVariant data;
    ASSERT_EQ(spValue->GetData(data.Out()), S_OK);
    EXPECT_EQ(data.vt, VT_I4);
    EXPECT_EQ(data.lVal, 1);
    EXPECT_EQ(Host().registry.lCreated, 4);
    EXPECT_EQ(Host().registry.vecLog.front(), L"OpenKey 9 BindedAssistants");
}

// Each injected failure shows at its own step and nowhere else.
TEST_F(RegistryDouble, InjectedFailuresHitTheirStepOnly)
{
    const HRESULT X = static_cast<HRESULT>(0x80070005);
    struct
    {
        const char* what;
        HRESULT CRegKeyData::*pKeyField;  // null: the value's GetData fails
        HRESULT hrOpen, hrCount, hrByPosition, hrByName, hrData;
    } cases[] = {
        {"open", &CRegKeyData::hrOpen, X, S_OK, S_OK, S_OK, S_OK},
        {"count", &CRegKeyData::hrGetCount, S_OK, X, S_OK, S_OK, S_OK},
        {"by position", &CRegKeyData::hrItemByPosition, S_OK, S_OK, X, S_OK, S_OK},
        {"by name", &CRegKeyData::hrItemByName, S_OK, S_OK, S_OK, X, S_OK},
        {"data", nullptr, S_OK, S_OK, S_OK, S_OK, X},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Host().registry.ClearKeys();
        CRegValueData& value = Host().registry.SetString(9, L"K", L"V", L"text");
        if (c.pKeyField)
            Host().registry.Key(9, L"K").*c.pKeyField = X;
        else
            value.hrGetData = X;

        ComPtr<NewZUR::IRegistryKey> spKey;
        ASSERT_EQ(Open(9, L"K", spKey), c.hrOpen);
        if (FAILED(c.hrOpen))
            continue;
        long lCount = 0;
        EXPECT_EQ(spKey->GetCount(&lCount), c.hrCount);
        ComPtr<NewZUR::IRegistryValue> spByPosition, spByName;
        EXPECT_EQ(Item(spKey.Get(), CVariant::Long(0), spByPosition), c.hrByPosition);
        EXPECT_EQ(Item(spKey.Get(), CVariant::String(L"V"), spByName), c.hrByName);
        if (spByPosition) {
            CVariant data;
            EXPECT_EQ(spByPosition->GetData(data.Out()), c.hrData);
            EXPECT_EQ(data.vt, SUCCEEDED(c.hrData) ? VT_BSTR : VT_EMPTY);
        }
    }
}

TEST_F(RegistryDouble, ContextCreationCanFail)
{
    Host().registry.hrCreate = REGDB_E_CLASSNOTREG;
    ComPtr<NewZUR::IContext> spContext;
    EXPECT_EQ(CoCreateInstance(NewZUR::CLSID_Context, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&spContext)),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(spContext.Get(), nullptr);
    EXPECT_EQ(Host().registry.lCreated, 1);
}
