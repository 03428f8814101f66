// Assistants that each break one rule of the conformance run, for its test.
// Each is the PROFIBUS DP sample with one fault, a line or two, so the run
// must find that fault and nothing else.
#include "com/Owners.h"
#include "com/ServerTable.h"
#include "samples/BusAssistant.h"

namespace {

HMODULE g_hModule = nullptr;

struct CFault : CBusAssistant
{
    CFault() : CBusAssistant(g_busProfibusDP) {}
};

struct CLeaksSelf : CFault
{
    STDMETHODIMP Init(IDispatch* pdispTopology, IDispatch* pdispLayer) override
    {
        static LONG s_lOnce = 0;
        if (InterlockedExchange(&s_lOnce, 1) == 0)
            AddRef();
        return CFault::Init(pdispTopology, pdispLayer);
    }
};

struct CStackString : CFault
{
    STDMETHODIMP CheckNewDevice(BSTR* pbstrErrMsg, IComponent* piComponent, BSTR* pbstrErrDB) override
    {
        HRESULT hr = CFault::CheckNewDevice(pbstrErrMsg, piComponent, pbstrErrDB);
        static LONG s_lOnce = 0;
        if (InterlockedExchange(&s_lOnce, 1) == 0) {
            SysFreeString(*pbstrErrMsg);
            *pbstrErrMsg = static_cast<BSTR>(__builtin_frame_address(0));
        }
        return hr;
    }
};

struct COutUnset : CFault
{
    STDMETHODIMP CheckDelete(BSTR*, IComponent*, IComponent*, BSTR*) override { return S_OK; }
};

struct CThrows : CFault
{
    STDMETHODIMP CheckMoveDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompMove,
                               IComponent* piCompDest, LONG bAsChild, BSTR* pbstrErrDB) override
    {
        if (piCompMove)
            RaiseException(0xE0000017, EXCEPTION_NONCONTINUABLE, 0, nullptr);
        return CFault::CheckMoveDrop(pbstrErrMsg, piCompRoot, piCompMove, piCompDest, bAsChild, pbstrErrDB);
    }
};

struct CSleeps : CFault
{
    STDMETHODIMP CheckReplaceDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompPalett,
                                  IComponent* piCompReplace, BSTR* pbstrErrDB) override
    {
        static LONG s_lCalls = 0;
        if (InterlockedIncrement(&s_lCalls) == 3)
            Sleep(500);
        return CFault::CheckReplaceDrop(pbstrErrMsg, piCompRoot, piCompPalett, piCompReplace, pbstrErrDB);
    }
};

struct CKeepsHost : CFault
{
    STDMETHODIMP CheckNewDevice(BSTR* pbstrErrMsg, IComponent* piComponent, BSTR* pbstrErrDB) override
    {
        if (!m_spKept)
            m_spKept = piComponent;
        return CFault::CheckNewDevice(pbstrErrMsg, piComponent, pbstrErrDB);
    }
    ComPtr<IComponent> m_spKept; // released with the object, not by Term
};

struct CSFalse : CFault
{
    STDMETHODIMP NewProjectCreated() override { return S_FALSE; }
};

struct CNoMessage : CFault
{
    STDMETHODIMP CheckInsertDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompIns,
                                 IComponent* piCompDest, LONG bAsChild, BSTR* pbstrErrDB) override
    {
        HRESULT hr = CFault::CheckInsertDrop(pbstrErrMsg, piCompRoot, piCompIns, piCompDest, bAsChild, pbstrErrDB);
        if (FAILED(hr))
            SysFreeString(std::exchange(*pbstrErrMsg, nullptr));
        return hr;
    }
};

struct CCallsBack : CFault
{
    STDMETHODIMP Init(IDispatch* pdispTopology, IDispatch* pdispLayer) override
    {
        m_spLayer = pdispLayer;
        return CFault::Init(pdispTopology, pdispLayer);
    }
    STDMETHODIMP Term() override
    {
        m_spLayer.Reset();
        return CFault::Term();
    }
    STDMETHODIMP CheckConnect(BSTR* pbstrErrMsg, IComponent* piCompRoot, ICharacteristic* piCharConn1,
                              ICharacteristic* piCharConn2, BSTR* pbstrErrDB) override
    {
        ComPtr<IAssistLayer2> spLayer;
        CBstr bus;
        if (m_spLayer && SUCCEEDED(m_spLayer.As(&spLayer)))
            spLayer->GetProcessedBusName(bus.Out());
        return CFault::CheckConnect(pbstrErrMsg, piCompRoot, piCharConn1, piCharConn2, pbstrErrDB);
    }
    ComPtr<IDispatch> m_spLayer;
};

struct COneCycle : CFault
{
    STDMETHODIMP Init(IDispatch* pdispTopology, IDispatch* pdispLayer) override
    {
        return m_bTermed ? E_FAIL : CFault::Init(pdispTopology, pdispLayer);
    }
    STDMETHODIMP Term() override
    {
        m_bTermed = true;
        return CFault::Term();
    }
    bool m_bTermed = false;
};

struct CTrustsNull : CFault
{
    STDMETHODIMP CheckDelete(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piComp, BSTR* pbstrErrDB) override
    {
        IComponent* volatile pComponent = piComp;
        pComponent->AddRef(); // no null check
        pComponent->Release();
        return CFault::CheckDelete(pbstrErrMsg, piCompRoot, piComp, pbstrErrDB);
    }
};

template <class T>
HRESULT Create(REFIID riid, void** ppv)
{
    return CComObject<T>::CreateInstance(riid, ppv);
}

// A class object that takes an outer object and pays it no heed.
struct CCarelessClassObject final : IClassFactory
{
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        bool bOurs = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory);
        *ppv = bOurs ? this : nullptr;
        return bOurs ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown*, REFIID riid, void** ppv) override { return Create<CFault>(riid, ppv); }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
} g_carelessClassObject;

#define FAULT_CLSID(n)                                     \
    {                                                      \
        0x6A0D3C00 + (n), 0x5E2B, 0x4F7A,                  \
        {                                                  \
            0x8C, 0x39, 0x2B, 0x4E, 0x6F, 0x1A, 0x9D, 0x17 \
        }                                                  \
    }
const CLSID g_clsids[] = {FAULT_CLSID(1), FAULT_CLSID(2),  FAULT_CLSID(3),  FAULT_CLSID(4),
                          FAULT_CLSID(5), FAULT_CLSID(6),  FAULT_CLSID(7),  FAULT_CLSID(8),
                          FAULT_CLSID(9), FAULT_CLSID(10), FAULT_CLSID(11), FAULT_CLSID(12)};

const ServedClass g_classes[] = {
    {&g_clsids[0], L"Faulty.Aggregates.1", L"accepts aggregation", &Create<CFault>},
    {&g_clsids[1], L"Faulty.LeaksSelf.1", L"leaks a reference to itself", &Create<CLeaksSelf>},
    {&g_clsids[2], L"Faulty.StackString.1", L"hands out a string on its stack", &Create<CStackString>},
    {&g_clsids[3], L"Faulty.OutUnset.1", L"leaves its out-parameters unset", &Create<COutUnset>},
    {&g_clsids[4], L"Faulty.Throws.1", L"raises a non-continuable exception", &Create<CThrows>},
    {&g_clsids[5], L"Faulty.Sleeps.1", L"sleeps past the budget", &Create<CSleeps>},
    {&g_clsids[6], L"Faulty.KeepsHost.1", L"keeps a host object past Term", &Create<CKeepsHost>},
    {&g_clsids[7], L"Faulty.SFalse.1", L"answers S_FALSE where it means nothing", &Create<CSFalse>},
    {&g_clsids[8], L"Faulty.NoMessage.1", L"fails without a message", &Create<CNoMessage>},
    {&g_clsids[9], L"Faulty.CallsBack.1", L"calls back into the layer", &Create<CCallsBack>},
    {&g_clsids[10], L"Faulty.OneCycle.1", L"cannot be initialised twice", &Create<COneCycle>},
    {&g_clsids[11], L"Faulty.TrustsNull.1", L"uses a null component", &Create<CTrustsNull>},
};

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH)
        g_hModule = hInstance;
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    if (IsEqualCLSID(rclsid, g_clsids[0]))
        return g_carelessClassObject.QueryInterface(riid, ppv);
    return GetClassObjectFromTable(g_classes, CountOf(g_classes), rclsid, riid, ppv);
}

STDAPI DllCanUnloadNow()
{
    return S_FALSE;
}

STDAPI DllRegisterServer()
{
    return RegisterClassTable(g_hModule, g_classes, CountOf(g_classes));
}

STDAPI DllUnregisterServer()
{
    return UnregisterClassTable(g_classes, CountOf(g_classes));
}
