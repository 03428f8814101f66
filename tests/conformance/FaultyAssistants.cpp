// Assistants that each break one rule of the conformance run, for its test.
// Each is the PROFIBUS DP sample with one fault, a line or two, so the run
// must find that fault and nothing else.
#include "com/Owners.h"
#include "com/ServerTable.h"
#include "samples/BusAssistant.h"
#include <float.h>

namespace {

// One class per fault, its ProgID "Faulty.<fault>.1", and what it does wrong;
// Aggregates is a sound assistant behind a careless class object.
#define FAULTY_CLASSES(X)                               \
    X(Aggregates, "accepts aggregation")                \
    X(LeaksSelf, "leaks a reference to itself")         \
    X(StackString, "hands out a string on its stack")   \
    X(OutUnset, "leaves its out-parameters unset")      \
    X(Throws, "raises a non-continuable exception")     \
    X(Sleeps, "sleeps past the budget")                 \
    X(KeepsHost, "keeps a host object past Term")       \
    X(SFalse, "answers S_FALSE where it means nothing") \
    X(NoMessage, "fails without a message")             \
    X(CallsBack, "calls back into the layer")           \
    X(OneCycle, "cannot be initialised twice")          \
    X(TrustsNull, "uses a null component")              \
    X(LeaksTask, "leaks task memory in its checks")     \
    X(LeaksHeap, "leaks heap memory in its checks")     \
    X(SlowStart, "takes 3 s to start")                  \
    X(Wavers, "refuses every third new device")         \
    X(Rounds, "changes the rounding mode")              \
    X(Crawls, "takes 2 s in each check")                \
    X(Hangs, "never returns from a check")

#define FAULT_ID(fault, what) fault,
enum class Fault
{
    FAULTY_CLASSES(FAULT_ID)
};
#undef FAULT_ID

// The sample answering soundly but where its one fault F is due.
template <Fault F>
struct CFaulty : CBusAssistant
{
    CFaulty() : CBusAssistant(kBusProfibusDP) {}

    // At the start of every check it overrides (CheckDelete is asked first).
    void Each()
    {
        if (F == Fault::LeaksTask)
            CoTaskMemAlloc(4096);
        if (F == Fault::LeaksHeap)
            HeapAlloc(GetProcessHeap(), 0, 4096);
        if (F == Fault::Crawls || F == Fault::Hangs)
            Sleep(F == Fault::Crawls ? 2000 : INFINITE);
    }
    STDMETHODIMP Init(IDispatch* pdispTopology, IDispatch* pdispLayer) override
    {
        if (F == Fault::SlowStart)
            Sleep(3000);
        if (F == Fault::Rounds)
            _controlfp(_RC_CHOP, _MCW_RC);
        static LONG s_lOnce = 0;
        if (F == Fault::LeaksSelf && InterlockedExchange(&s_lOnce, 1) == 0)
            AddRef();
        if (F == Fault::OneCycle && m_bTermed)
            return E_FAIL;
        if (F == Fault::CallsBack)
            m_spLayer = pdispLayer;
        return CBusAssistant::Init(pdispTopology, pdispLayer);
    }
    STDMETHODIMP Term() override
    {
        m_bTermed = true;
        m_spLayer.Reset();
        return CBusAssistant::Term();
    }
    STDMETHODIMP NewProjectCreated() override
    {
        return F == Fault::SFalse ? S_FALSE : CBusAssistant::NewProjectCreated();
    }
    STDMETHODIMP CheckNewDevice(BSTR* pbstrErrMsg, IComponent* piComponent, BSTR* pbstrErrDB) override
    {
        if (F == Fault::KeepsHost && !m_spKept)
            m_spKept = piComponent;
        Each();
        HRESULT hr = CBusAssistant::CheckNewDevice(pbstrErrMsg, piComponent, pbstrErrDB);
        static LONG s_lCalls = 0;
        if (F == Fault::Wavers && InterlockedIncrement(&s_lCalls) % 3 == 0 && SUCCEEDED(hr)) {
            SysReAllocString(pbstrErrMsg, L"Not now.");
            SysReAllocString(pbstrErrDB, kBusProfibusDP.pszErrorDatabase);
            hr = E_FAIL;
        }
        static LONG s_lOnce = 0;
        if (F == Fault::StackString && InterlockedExchange(&s_lOnce, 1) == 0) {
            SysFreeString(*pbstrErrMsg);
            *pbstrErrMsg = static_cast<BSTR>(__builtin_frame_address(0));
        }
        return hr;
    }
    STDMETHODIMP CheckDelete(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piComp, BSTR* pbstrErrDB) override
    {
        Each();
        if (F == Fault::OutUnset)
            return S_OK;
        if (F == Fault::TrustsNull) {
            IComponent* volatile pComponent = piComp;
            pComponent->AddRef(); // no null check
            pComponent->Release();
        }
        return CBusAssistant::CheckDelete(pbstrErrMsg, piCompRoot, piComp, pbstrErrDB);
    }
    STDMETHODIMP CheckMoveDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompMove,
                               IComponent* piCompDest, LONG bAsChild, BSTR* pbstrErrDB) override
    {
        Each();
        if (F == Fault::Throws && piCompMove)
            RaiseException(0xE0000017, EXCEPTION_NONCONTINUABLE, 0, nullptr);
        return CBusAssistant::CheckMoveDrop(pbstrErrMsg, piCompRoot, piCompMove, piCompDest, bAsChild, pbstrErrDB);
    }
    STDMETHODIMP CheckReplaceDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompPalett,
                                  IComponent* piCompReplace, BSTR* pbstrErrDB) override
    {
        Each();
        static LONG s_lCalls = 0;
        if (F == Fault::Sleeps && InterlockedIncrement(&s_lCalls) == 3)
            Sleep(500);
        return CBusAssistant::CheckReplaceDrop(pbstrErrMsg, piCompRoot, piCompPalett, piCompReplace, pbstrErrDB);
    }
    STDMETHODIMP CheckInsertDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompIns,
                                 IComponent* piCompDest, LONG bAsChild, BSTR* pbstrErrDB) override
    {
        Each();
        HRESULT hr =
            CBusAssistant::CheckInsertDrop(pbstrErrMsg, piCompRoot, piCompIns, piCompDest, bAsChild, pbstrErrDB);
        if (F == Fault::NoMessage && FAILED(hr))
            SysFreeString(std::exchange(*pbstrErrMsg, nullptr));
        return hr;
    }
    STDMETHODIMP CheckConnect(BSTR* pbstrErrMsg, IComponent* piCompRoot, ICharacteristic* piCharConn1,
                              ICharacteristic* piCharConn2, BSTR* pbstrErrDB) override
    {
        Each();
        ComPtr<IAssistLayer2> spLayer;
        CBstr bus;
        if (m_spLayer && SUCCEEDED(m_spLayer.As(&spLayer)))
            spLayer->GetProcessedBusName(bus.Out());
        return CBusAssistant::CheckConnect(pbstrErrMsg, piCompRoot, piCharConn1, piCharConn2, pbstrErrDB);
    }

    bool m_bTermed = false;
    ComPtr<IDispatch> m_spLayer; // held by CallsBack alone
    ComPtr<IComponent> m_spKept; // released with the object, not by Term
};

template <Fault F>
HRESULT Create(REFIID riid, void** ppv)
{
    return CComObject<CFaulty<F>>::CreateInstance(riid, ppv);
}

// A class object that takes an outer object and pays it no heed.
struct CCarelessClassObject : CClassObject<CNewPerRequest>
{
    CCarelessClassObject() : CClassObject(&Create<Fault::Aggregates>) {}
    STDMETHODIMP CreateInstance(IUnknown*, REFIID riid, void** ppv) override { return CreateObject(riid, ppv); }
};

// {6A0D3C0n-5E2B-4F7A-8C39-2B4E6F1A9D17}, n from 1 in the order of the faults.
template <Fault F>
const CLSID kClsid = {
    0x6A0D3C01 + static_cast<unsigned long>(F), 0x5E2B, 0x4F7A, {0x8C, 0x39, 0x2B, 0x4E, 0x6F, 0x1A, 0x9D, 0x17}};

template <Fault F>
constexpr ServedClass Faulty(const wchar_t* pszProgId, const wchar_t* pszDescription)
{
    return {&kClsid<F>, pszProgId, pszDescription, &Create<F>};
}
#define FAULTY_CLASS(fault, what) Faulty<Fault::fault>(L"Faulty." #fault ".1", L"" what),
const ServedClass kClasses[] = {FAULTY_CLASSES(FAULTY_CLASS)};
#undef FAULTY_CLASS

} // namespace

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    if (IsEqualCLSID(rclsid, kClsid<Fault::Aggregates>))
        return CComObject<CCarelessClassObject>::CreateInstance(riid, ppv);
    return GetClassObjectFromTable(kClasses, CountOf(kClasses), rclsid, riid, ppv);
}

STDAPI DllCanUnloadNow()
{
    return S_FALSE;
}

STDAPI DllRegisterServer()
{
    return RegisterClassTable(kClasses, CountOf(kClasses));
}
