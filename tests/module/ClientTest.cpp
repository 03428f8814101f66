// A C++ client that knows only the ProgIDs, as a host application would.
#include <windows.h>
#include <gtest/gtest.h>
#include <wrl/client.h>
#include <algorithm>
#include <initializer_list>
#include <thread>
#include <vector>
#include "LayerLib2.h"
#include "ModuleClient.h"

using Microsoft::WRL::ComPtr;

namespace {

const wchar_t kLayerProgId[] = L"Zerani.Layer.AssistLayer.7";
const wchar_t kProxyProgId[] = L"Zerani.Layer.ProxyAssistant.7";

CLSID ClassOf(const wchar_t* pszProgId)
{
    CLSID clsid = GUID_NULL;
    EXPECT_EQ(CLSIDFromProgID(pszProgId, &clsid), S_OK) << pszProgId;
    return clsid;
}

ComPtr<IUnknown> Create(const wchar_t* pszProgId)
{
    ComPtr<IUnknown> spUnk;
    EXPECT_EQ(CoCreateInstance(ClassOf(pszProgId), nullptr, CLSCTX_ALL, IID_IUnknown, &spUnk), S_OK);
    return spUnk;
}

HRESULT CanUnloadNow()
{
    HMODULE hModule = GetModuleHandleW(L"Layer.dll");
    auto pfn = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(hModule, "DllCanUnloadNow")));
    return pfn ? pfn() : E_UNEXPECTED;
}

class ModuleClient : public testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_EQ(RunRegsvr32(false), 0u); }
};

} // namespace

TEST_F(ModuleClient, ProgIdsResolveToTheClassIdentities)
{
    EXPECT_TRUE(IsEqualCLSID(ClassOf(kLayerProgId), CLSID_AssistLayer2));
    EXPECT_TRUE(IsEqualCLSID(ClassOf(kProxyProgId), CLSID_ProxyAssistant));
}

TEST_F(ModuleClient, LayerIsOneObjectForEveryCreationAndClient)
{
    ComPtr<IUnknown> spFirst = Create(kLayerProgId);
    ComPtr<IAssistLayer2> spSecond;
    ASSERT_EQ(CoCreateInstance(ClassOf(kLayerProgId), nullptr, CLSCTX_ALL, IID_IAssistLayer2, &spSecond), S_OK);
    ComPtr<IUnknown> spSecondUnk;
    ASSERT_EQ(spSecond.As(&spSecondUnk), S_OK);
    EXPECT_EQ(spFirst.Get(), spSecondUnk.Get());
    // Another client in another apartment, through the class object itself.
    IUnknown* pOther = nullptr;
    std::thread other([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ComPtr<IClassFactory> spFactory;
        if (CoGetClassObject(CLSID_AssistLayer2, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &spFactory) == S_OK)
            spFactory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&pOther));
        spFactory.Reset();
        CoUninitialize();
    });
    other.join();
    EXPECT_EQ(pOther, spFirst.Get());
    if (pOther)
        pOther->Release();
}

TEST_F(ModuleClient, AggregationIsRefusedAndTheOutPointerNulled)
{
    ComPtr<IUnknown> spOuter = Create(kProxyProgId);
    for (const CLSID* pclsid : {&CLSID_AssistLayer2, &CLSID_ProxyAssistant}) {
        ComPtr<IClassFactory> spFactory;
        ASSERT_EQ(CoGetClassObject(*pclsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &spFactory), S_OK);
        void* pv = reinterpret_cast<void*>(1);
        EXPECT_EQ(spFactory->CreateInstance(spOuter.Get(), IID_IUnknown, &pv), CLASS_E_NOAGGREGATION);
        EXPECT_EQ(pv, nullptr);
        EXPECT_EQ(spFactory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
    }
}

// The layer singleton lives on inside its class object without counting.
TEST_F(ModuleClient, CanUnloadNowFollowsProxiesLocksAndHeldClassObjects)
{
    Create(kLayerProgId);
    EXPECT_EQ(CanUnloadNow(), S_OK);
    ComPtr<IUnknown> spLayer = Create(kLayerProgId);
    EXPECT_EQ(CanUnloadNow(), S_FALSE);
    spLayer.Reset();
    EXPECT_EQ(CanUnloadNow(), S_OK);

    ComPtr<IUnknown> spProxy1 = Create(kProxyProgId), spProxy2 = Create(kProxyProgId);
    EXPECT_NE(spProxy1.Get(), spProxy2.Get());
    spProxy1.Reset();
    EXPECT_EQ(CanUnloadNow(), S_FALSE);
    spProxy2.Reset();
    EXPECT_EQ(CanUnloadNow(), S_OK);

    ComPtr<IClassFactory> spFactory;
    ASSERT_EQ(CoGetClassObject(CLSID_ProxyAssistant, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &spFactory),
              S_OK);
    EXPECT_EQ(CanUnloadNow(), S_FALSE);
    EXPECT_EQ(spFactory->LockServer(TRUE), S_OK);
    spFactory.Reset();
    EXPECT_EQ(CanUnloadNow(), S_FALSE);
    ASSERT_EQ(CoGetClassObject(CLSID_ProxyAssistant, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &spFactory),
              S_OK);
    EXPECT_EQ(spFactory->LockServer(FALSE), S_OK);
    spFactory.Reset();
    EXPECT_EQ(CanUnloadNow(), S_OK);
}

TEST_F(ModuleClient, EachClassAnswersItsOwnInterfaces)
{
    ComPtr<IUnknown> spLayer = Create(kLayerProgId), spProxy = Create(kProxyProgId);
    ComPtr<IAssist2> spAssist2;
    EXPECT_EQ(spLayer.As(&spAssist2), E_NOINTERFACE);
    ComPtr<IAssist3> spAssist3;
    ASSERT_EQ(spProxy.As(&spAssist3), S_OK);
    ASSERT_EQ(spProxy.As(&spAssist2), S_OK);
    EXPECT_EQ(static_cast<IUnknown*>(spAssist2.Get()), static_cast<IUnknown*>(spAssist3.Get()));
}

TEST_F(ModuleClient, LateBindingNamesResolveToTheirDispatchIds)
{
    struct Case
    {
        const wchar_t* pszProgId;
        const wchar_t* pszName;
        DISPID dispId;
    };
    const Case cases[] = {
        {kProxyProgId, L"InitEx", 101},
        {kProxyProgId, L"CheckDelete", 15},
        {kLayerProgId, L"GetProcessedBusName", 16},
        {kLayerProgId, L"Init", 1},
    };
    for (const Case& c : cases) {
        ComPtr<IDispatch> spDispatch;
        ASSERT_EQ(Create(c.pszProgId).As(&spDispatch), S_OK);
        LPOLESTR pszName = const_cast<LPOLESTR>(c.pszName);
        DISPID dispId = DISPID_UNKNOWN;
        EXPECT_EQ(spDispatch->GetIDsOfNames(IID_NULL, &pszName, 1, LOCALE_USER_DEFAULT, &dispId), S_OK) << c.pszName;
        EXPECT_EQ(dispId, c.dispId) << c.pszName;
    }
}

TEST_F(ModuleClient, UnknownClassIsNotAvailable)
{
    HMODULE hModule = GetModuleHandleW(L"Layer.dll");
    ASSERT_NE(hModule, nullptr);
    auto pfn = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(GetProcAddress(hModule, "DllGetClassObject")));
    void* pv = reinterpret_cast<void*>(1);
    EXPECT_EQ(pfn(IID_IAssist2, IID_IClassFactory, &pv), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(pfn(CLSID_ProxyAssistant, IID_IClassFactory, nullptr), E_POINTER);
}

namespace {

// IDispatch::Invoke of a method with its arguments given first to last.
HRESULT InvokeMethod(IDispatch* pDispatch, DISPID dispId, std::initializer_list<VARIANT> args, SCODE* pscode)
{
    std::vector<VARIANT> reversed(args.begin(), args.end());
    std::reverse(reversed.begin(), reversed.end());
    DISPPARAMS dp = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    EXCEPINFO excep = {};
    HRESULT hr = pDispatch->Invoke(dispId, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, nullptr, &excep, nullptr);
    *pscode = excep.scode;
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    return hr;
}

VARIANT Text(BSTR bstr)
{
    VARIANT v;
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = bstr;   // still owned by the test
    return v;
}

} // namespace

// Add is reached through IAssistLayerTest's own IDispatch; the added proxy
// then answers NewProjectCreated with its E_NOTIMPL.
TEST_F(ModuleClient, AddAndLifecycleThroughIDispatch)
{
    ComPtr<IAssistLayerTest> spTest;
    ASSERT_EQ(Create(kLayerProgId).As(&spTest), S_OK);
    ComPtr<IDispatch> spTestDispatch(static_cast<IDispatch*>(spTest.Get()));
    ComPtr<IDispatch> spLayerDispatch;
    ASSERT_EQ(Create(kLayerProgId).As(&spLayerDispatch), S_OK);
    ComPtr<IUnknown> spProxy = Create(kProxyProgId);
    BSTR bstrProtocol = SysAllocString(L"CAN"), bstrProgId = SysAllocString(kProxyProgId),
         bstrErrDB = SysAllocString(L"CAN.ErrDB"), bstrEmpty = SysAllocString(L"");
    VARIANT varProxy;
    V_VT(&varProxy) = VT_UNKNOWN;
    V_UNKNOWN(&varProxy) = spProxy.Get();
    SCODE scode = S_OK;
    EXPECT_EQ(InvokeMethod(spTestDispatch.Get(), 1, {Text(bstrEmpty), Text(bstrProgId), varProxy, Text(bstrErrDB)}, &scode),
              DISP_E_EXCEPTION);
    EXPECT_EQ(scode, E_INVALIDARG);
    EXPECT_EQ(InvokeMethod(spTestDispatch.Get(), 1, {Text(bstrProtocol), Text(bstrProgId), varProxy, Text(bstrErrDB)}, &scode),
              S_OK);
    EXPECT_EQ(InvokeMethod(spLayerDispatch.Get(), 3, {}, &scode), DISP_E_EXCEPTION);
    EXPECT_EQ(scode, E_NOTIMPL);
    EXPECT_EQ(InvokeMethod(spLayerDispatch.Get(), 2, {}, &scode), S_OK);
    EXPECT_EQ(InvokeMethod(spLayerDispatch.Get(), 3, {}, &scode), S_OK);   // the catalogue is empty again
    for (BSTR b : {bstrProtocol, bstrProgId, bstrErrDB, bstrEmpty})
        SysFreeString(b);
}
