// A test bench that script clients create by ProgID: it brings the host and
// assistant doubles into the script's own process. Its class objects for the
// host's query and context classes are registered for that process, one
// assistant class is configured for protocol "BusA" and answers
// CheckNewDevice with E_FAIL, "address taken", "DB.BusA.Address", and one
// component "Dev1" speaks "BusA". The script reads Topology and Component.
#include <windows.h>
#include <oaidl.h>
#include <memory>
#include <wrl/client.h>
#include "doubles/AssistantDouble.h"
#include "doubles/HostDouble.h"
#include "doubles/HostObjects.h"

// {6E0C1D55-2F43-4C1B-9B7A-5A3C0F2D8E11}
extern "C" const CLSID CLSID_LayerScriptBench = {
    0x6E0C1D55, 0x2F43, 0x4C1B, {0x9B, 0x7A, 0x5A, 0x3C, 0x0F, 0x2D, 0x8E, 0x11}};

namespace {

enum : DISPID { kDispTopology = 1, kDispComponent = 2 };

class CScriptBench : public CDoubleBase, public IDispatch
{
public:
    BEGIN_INTERFACE_TABLE(CScriptBench)
        INTERFACE_ENTRY(IDispatch)
    END_INTERFACE_TABLE()

    CScriptBench() : CDoubleBase(L"bench", L"script"), m_spHost(CHostDouble::Create())
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
    ~CScriptBench() override
    {
        CoRevokeClassObject(m_dwQueryCookie);
        CoRevokeClassObject(m_dwContextCookie);
        m_upAssistant.reset();
        m_spHost->Dispose();
    }

    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override
    {
        *pctinfo = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) override
    {
        const bool bTopology = cNames == 1 && lstrcmpiW(rgszNames[0], L"Topology") == 0;
        if (!bTopology && (cNames != 1 || lstrcmpiW(rgszNames[0], L"Component") != 0))
            return DISP_E_UNKNOWNNAME;
        *rgDispId = bTopology ? kDispTopology : kDispComponent;
        return S_OK;
    }
    STDMETHODIMP Invoke(DISPID dispId, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* pVarResult, EXCEPINFO*, UINT*) override
    {
        if (dispId != kDispTopology && dispId != kDispComponent)
            return DISP_E_MEMBERNOTFOUND;
        IDispatch* pResult = dispId == kDispTopology ? m_spHost->TopologyDispatch() : m_pDevice->AsComponent();
        if (pVarResult) {
            pResult->AddRef();
            V_VT(pVarResult) = VT_DISPATCH;
            V_DISPATCH(pVarResult) = pResult;
        }
        return S_OK;
    }

private:
    std::shared_ptr<CHostDouble> m_spHost;
    std::unique_ptr<CAssistantClass> m_upAssistant;
    CNodeDouble* m_pDevice = nullptr;
    DWORD m_dwQueryCookie = 0;
    DWORD m_dwContextCookie = 0;
};

} // namespace

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(rclsid, CLSID_LayerScriptBench))
        return CLASS_E_CLASSNOTAVAILABLE;
    return CDoubleObject<CClassObjectDouble>::Create(L"script bench", [](REFIID riidBench, void** ppvBench) {
               return CDoubleObject<CScriptBench>::Create().CopyTo(riidBench, ppvBench);
           }).CopyTo(riid, ppv);
}

// The script process ends with the bench; it is never unloaded before.
STDAPI DllCanUnloadNow()
{
    return S_FALSE;
}
