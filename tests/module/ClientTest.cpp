// A C++ client that knows only the ProgIDs, as a host application would.
#include <windows.h>
#include <gtest/gtest.h>
#include <wrl/client.h>
#include "LayerLib2.h"
#include "ModuleClient.h"
#include "interfaces/LayerNames.h"

using Microsoft::WRL::ComPtr;

namespace {

using LayerNames::kLayerProgId;
using LayerNames::kProxyProgId;

ComPtr<IUnknown> Create(const wchar_t* pszProgId)
{
    CLSID clsid = GUID_NULL;
    EXPECT_EQ(CLSIDFromProgID(pszProgId, &clsid), S_OK) << pszProgId;
    ComPtr<IUnknown> spUnk;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, &spUnk), S_OK) << pszProgId;
    return spUnk;
}

using ModuleClient = RegisteredModule;

} // namespace

// Aggregation, an unknown class and a null out pointer are refused, the out
// pointer nulled. (Both classes' objects check their requests in one place.)
TEST_F(ModuleClient, ClassObjectsRefuseWhatTheyCannotMake)
{
    ComPtr<IUnknown> spOuter = Create(kProxyProgId);
    ComPtr<IClassFactory> spFactory;
    ASSERT_EQ(CoGetClassObject(CLSID_AssistLayer2, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &spFactory), S_OK);
    void* pv = reinterpret_cast<void*>(1);
    EXPECT_EQ(spFactory->CreateInstance(spOuter.Get(), IID_IUnknown, &pv), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(spFactory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
    auto pfnGetClassObject = ModuleExport<LPFNGETCLASSOBJECT>(GetModuleHandleW(L"Layer.dll"), "DllGetClassObject");
    ASSERT_NE(pfnGetClassObject, nullptr);
    pv = reinterpret_cast<void*>(1);
    EXPECT_EQ(pfnGetClassObject(IID_IAssist2, IID_IClassFactory, &pv), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(pfnGetClassObject(CLSID_ProxyAssistant, IID_IClassFactory, nullptr), E_POINTER);
}

// The layer singleton lives on inside its class object without counting.
TEST_F(ModuleClient, CanUnloadNowFollowsProxiesLocksAndHeldClassObjects)
{
    ComPtr<IUnknown> spLayer = Create(kLayerProgId);
    EXPECT_EQ(ModuleCanUnloadNow(), S_FALSE);
    spLayer.Reset();
    EXPECT_EQ(ModuleCanUnloadNow(), S_OK);

    ComPtr<IUnknown> spProxy1 = Create(kProxyProgId), spProxy2 = Create(kProxyProgId);
    spProxy1.Reset();
    EXPECT_EQ(ModuleCanUnloadNow(), S_FALSE);
    spProxy2.Reset();
    EXPECT_EQ(ModuleCanUnloadNow(), S_OK);

    ComPtr<IClassFactory> spFactory;
    ASSERT_EQ(CoGetClassObject(CLSID_ProxyAssistant, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &spFactory),
              S_OK);
    EXPECT_EQ(ModuleCanUnloadNow(), S_FALSE);
    EXPECT_EQ(spFactory->LockServer(TRUE), S_OK);
    spFactory.Reset();
    EXPECT_EQ(ModuleCanUnloadNow(), S_FALSE);
    ASSERT_EQ(CoGetClassObject(CLSID_ProxyAssistant, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &spFactory),
              S_OK);
    EXPECT_EQ(spFactory->LockServer(FALSE), S_OK);
    spFactory.Reset();
    EXPECT_EQ(ModuleCanUnloadNow(), S_OK);
}

// Each ProgID leads to its class: the layer is one object for every creation,
// a proxy is made for each, and each answers its own interfaces and no other
// (the layer keeps no error information to offer).
// (Their names are resolved by the script clients, and without registration
// by the registration-free host.)
TEST_F(ModuleClient, EachProgIdMakesItsKindOfObjectWithItsInterfaces)
{
    ComPtr<IUnknown> spLayer = Create(kLayerProgId), spProxy = Create(kProxyProgId);
    EXPECT_EQ(Create(kLayerProgId).Get(), spLayer.Get());
    EXPECT_NE(Create(kProxyProgId).Get(), spProxy.Get());
    ComPtr<IAssist2> spAssist2;
    EXPECT_EQ(spLayer.As(&spAssist2), E_NOINTERFACE);
    ComPtr<ISupportErrorInfo> spErrorInfo;
    EXPECT_EQ(spLayer.As(&spErrorInfo), E_NOINTERFACE);
    ComPtr<IAssist3> spAssist3;
    EXPECT_EQ(spProxy.As(&spAssist3), S_OK);
    EXPECT_EQ(spProxy.As(&spAssist2), S_OK);
}
