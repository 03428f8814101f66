// A test bench that script clients create by ProgID: it brings the host and
// assistant doubles into the script's own process. Its class objects for the
// host's query and context classes are registered for that process, one
// assistant class is configured for protocol "BusA" and answers
// CheckNewDevice with E_FAIL, "address taken", "DB.BusA.Address", and one
// component "Dev1" speaks "BusA". The script reads Topology and Component.
#include <windows.h>
#include <oaidl.h>
#include <memory>
#include <new>
#include <wrl/client.h>
#include "doubles/AssistantDouble.h"
#include "doubles/HostDouble.h"

using Microsoft::WRL::ComPtr;

// {6E0C1D55-2F43-4C1B-9B7A-5A3C0F2D8E11}
extern "C" const CLSID CLSID_LayerScriptBench = {
    0x6E0C1D55, 0x2F43, 0x4C1B, {0x9B, 0x7A, 0x5A, 0x3C, 0x0F, 0x2D, 0x8E, 0x11}};

namespace {

enum : DISPID { kDispTopology = 1, kDispComponent = 2 };

class CScriptBench final : public IDispatch
{
public:
    CScriptBench() : m_spHost(CHostDouble::Create())
    {
        CoRegisterClassObject(NewZUR::CLSID_DataQuery, m_spHost->NewQueryClassObject().Get(), CLSCTX_INPROC_SERVER,
                              REGCLS_MULTIPLEUSE, &m_dwQueryCookie);
        CoRegisterClassObject(NewZUR::CLSID_Context, m_spHost->NewContextClassObject().Get(), CLSCTX_INPROC_SERVER,
                              REGCLS_MULTIPLEUSE, &m_dwContextCookie);
        m_upAssistant = std::make_unique<CAssistantClass>(L"BusA", L"LayerTest.ScriptBench.BusA.1", AssistantKind::Assist3);
        m_spHost->registry.BindAssistant(9, L"BusA", m_upAssistant->ProgId(), L"DB.BusA");
        m_upAssistant->Script().Answer(L"CheckNewDevice", CAnswer::Of(E_FAIL, L"address taken", L"DB.BusA.Address"));
        m_pDevice = &m_spHost->AddComponent(L"Dev1");
        m_pDevice->AddCommunicationEntity(L"BusA");
    }
    ~CScriptBench()
    {
        CoRevokeClassObject(m_dwQueryCookie);
        CoRevokeClassObject(m_dwContextCookie);
        m_upAssistant.reset();
        m_spHost->Dispose();
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch))
            return E_NOINTERFACE;
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_lRef; }
    STDMETHODIMP_(ULONG) Release() override
    {
        ULONG l = --m_lRef;
        if (l == 0)
            delete this;
        return l;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override
    {
        *pctinfo = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) override
    {
        if (cNames != 1)
            return DISP_E_UNKNOWNNAME;
        if (lstrcmpiW(rgszNames[0], L"Topology") == 0)
            *rgDispId = kDispTopology;
        else if (lstrcmpiW(rgszNames[0], L"Component") == 0)
            *rgDispId = kDispComponent;
        else
            return DISP_E_UNKNOWNNAME;
        return S_OK;
    }
    STDMETHODIMP Invoke(DISPID dispId, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* pVarResult, EXCEPINFO*,
                        UINT*) override
    {
        IDispatch* pResult = dispId == kDispTopology    ? m_spHost->TopologyDispatch()
                             : dispId == kDispComponent ? static_cast<IDispatch*>(m_pDevice->AsComponent())
                                                        : nullptr;
        if (!pResult)
            return DISP_E_MEMBERNOTFOUND;
        if (pVarResult) {
            pResult->AddRef();
            V_VT(pVarResult) = VT_DISPATCH;
            V_DISPATCH(pVarResult) = pResult;
        }
        return S_OK;
    }

private:
    ULONG m_lRef = 1;
    std::shared_ptr<CHostDouble> m_spHost;
    std::unique_ptr<CAssistantClass> m_upAssistant;
    CNodeDouble* m_pDevice = nullptr;
    DWORD m_dwQueryCookie = 0;
    DWORD m_dwContextCookie = 0;
};

class CBenchFactory final : public IClassFactory
{
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory))
            return E_NOINTERFACE;
        *ppv = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }   // lives as long as the module
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (pOuter)
            return CLASS_E_NOAGGREGATION;
        CScriptBench* pBench = nullptr;
        try {
            pBench = new CScriptBench();
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        HRESULT hr = pBench->QueryInterface(riid, ppv);
        pBench->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

CBenchFactory g_factory;

} // namespace

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(rclsid, CLSID_LayerScriptBench))
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

// The script process ends with the bench; it is never unloaded before.
STDAPI DllCanUnloadNow()
{
    return S_FALSE;
}
