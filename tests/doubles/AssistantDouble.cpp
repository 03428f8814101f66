#include "doubles/AssistantDouble.h"
#include <initializer_list>
#include <utility>
#include "com/Owners.h"
#include "common/LayerDispatch.h"
#include "doubles/HostObjects.h"
#include "support/Checks.h"

using Microsoft::WRL::ComPtr;

namespace {

// One call of any of the sixteen methods: its name and slot, the interface
// pointers passed in argument order, and the parameters only some have.
struct CAssistArgs
{
    const wchar_t* pszMethod = nullptr;
    int nSlot = 0;
    const void* apIn[3] = {};
    int nIn = 0;
    long bAsChild = 0;
    const VARIANT* pvValue = nullptr; // CheckPropertyChange
    BSTR bstrProtocol = nullptr;      // InitEx
    BSTR* pbstrErrMsg = nullptr;      // the checks
    BSTR* pbstrErrDB = nullptr;
    ICharacteristic** ppCharErr1 = nullptr; // CheckAll
    ICharacteristic** ppCharErr2 = nullptr;

    CAssistArgs(const wchar_t* method, int slot, std::initializer_list<const void*> in, BSTR* m = nullptr,
                BSTR* d = nullptr)
        : pszMethod(method), nSlot(slot), pbstrErrMsg(m), pbstrErrDB(d)
    {
        for (const void* p : in)
            apIn[nIn++] = p;
    }
};

#define ROUTED_CHECK(C, Name, Params, Args, Passed)                                  \
    STDMETHODIMP Check##Name Params override                                         \
    {                                                                                \
        return RunCheck(CheckId::Name, CHECK_ARGS Args, pbstrErrMsg, UUIDOfErrorDB); \
    }

class CAssistantDouble : public CDoubleBase, public CDispatchImpl<IAssist3>
{
public:
    BEGIN_INTERFACE_TABLE(CAssistantDouble)
    INTERFACE_ENTRY(IAssist3)
    INTERFACE_ENTRY_IID(IID_IAssist2, IAssist3)
    INTERFACE_ENTRY_IID(IID_IDispatch, IAssist3)
    END_INTERFACE_TABLE()

    explicit CAssistantDouble(std::shared_ptr<CAssistantState> spState)
        : CDoubleBase(L"assistant", spState->Name()), m_spState(std::move(spState))
    {
        m_spState->Attach(static_cast<IAssist3*>(this), this);
    }
    ~CAssistantDouble() override { m_spState->Attach(nullptr, nullptr); }

    STDMETHODIMP Init(IDispatch* pdispTopology, IDispatch* pdispLayer) override
    {
        return Route(CAssistArgs(L"Init", 7, {pdispTopology, pdispLayer}));
    }
    STDMETHODIMP Term() override { return Route(CAssistArgs(L"Term", 8, {})); }
    STDMETHODIMP NewProjectCreated() override { return Route(CAssistArgs(L"NewProjectCreated", 9, {})); }
    ASSIST_CHECKS(ROUTED_CHECK, )
    STDMETHODIMP InitEx(IDispatch* pdispTopology, IDispatch* pdispLayer, BSTR bstrProtocol) override
    {
        CAssistArgs args(L"InitEx", 22, {pdispTopology, pdispLayer});
        args.bstrProtocol = bstrProtocol;
        return Route(args);
    }

    bool AnswersInterface(REFIID riid) const noexcept override
    {
        if (IsEqualIID(riid, IID_IAssist3))
            return m_spState->Kind() == AssistantKind::Assist3;
        if (IsEqualIID(riid, IID_IAssist2))
            return m_spState->Kind() != AssistantKind::NoAssist2;
        return true;
    }

private:
    // The one procedure of every method: count, record, show the planned
    // fault or write the scripted answer.
    HRESULT Route(const CAssistArgs& args)
    {
        return ComBoundary([&] {
            const CAnswer& answer = m_spState->AnswerFor(args.pszMethod, args.nSlot);
            if (CRecording::On())
                Record(args);
            const Fault fault = CFaultPlan::Next();
            CAssistOrder::Add(m_spState.get(), args.nSlot, fault != Fault::None);
            if (CFaultPlan::Outright(fault) || answer.bLeaveOuts) {
                for (BSTR* pbstr : {args.pbstrErrMsg, args.pbstrErrDB})
                    if (pbstr && CFaultPlan::Outright(fault))
                        *pbstr = nullptr;
                return CFaultPlan::Outright(fault) ? CFaultPlan::OutrightResult(fault) : answer.hr;
            }
            if (args.pbstrErrMsg)
                *args.pbstrErrMsg = answer.optMsg ? CBstr::Alloc(*answer.optMsg) : nullptr;
            if (args.pbstrErrDB)
                *args.pbstrErrDB = answer.optErrDB ? CBstr::Alloc(*answer.optErrDB) : nullptr;
            // An assistant that replaces CheckAll's characteristics drops the ones it finds.
            for (ICharacteristic** ppChar : {args.ppCharErr1, args.ppCharErr2})
                if (answer.bReleaseFound && ppChar && *ppChar)
                    (*ppChar)->Release();
            if (args.ppCharErr1)
                HandOut(args.ppCharErr1, answer.spCharErr1.Get());
            if (args.ppCharErr2)
                HandOut(args.ppCharErr2, answer.spCharErr2.Get());
            return CFaultPlan::Result(fault, answer.hr);
        });
    }
    HRESULT RunCheck(CheckId id, const CheckArgs& a, BSTR* m, BSTR* d)
    {
        const CheckKind& kind = kChecks[static_cast<int>(id)];
        CAssistArgs args(kind.name, kind.nSlot, {}, m, d);
        // The pointers passed in matter to the record only, and listing them allocates.
        if (CRecording::On())
            for (const void* p : PassedIn(kind.nSlot, a))
                args.apIn[args.nIn++] = p;
        args.bAsChild = a.bAsChild;
        if (id == CheckId::PropertyChange)
            args.pvValue = &a.vValue;
        args.ppCharErr1 = a.ppCharErr1;
        args.ppCharErr2 = a.ppCharErr2;
        return Route(args);
    }
    void Record(const CAssistArgs& args)
    {
        CAssistCall call;
        call.strMethod = args.pszMethod;
        call.nSlot = args.nSlot;
        call.vecIn.assign(args.apIn, args.apIn + args.nIn);
        call.bAsChild = args.bAsChild;
        if (args.pvValue) {
            call.vValueBits = *args.pvValue;
            if (args.pvValue->vt == VT_BSTR && args.pvValue->bstrVal)
                call.optValueText = std::wstring(BstrView(args.pvValue->bstrVal));
        }
        if (args.bstrProtocol)
            call.optProtocol = std::wstring(BstrView(args.bstrProtocol));
        call.pCharErr1In = args.ppCharErr1 ? *args.ppCharErr1 : nullptr;
        LogCall(args.pszMethod);
        m_spState->Record(std::move(call));
    }

    std::shared_ptr<CAssistantState> m_spState;
};

} // namespace

const CAnswer* CAssistantScript::Find(std::wstring_view method, size_t nCall) const
{
    auto it = m_mapAnswers.find(method);
    if (it != m_mapAnswers.end() && !it->second.empty())
        return &it->second[std::min(nCall, it->second.size() - 1)];
    return m_optDefault ? &*m_optDefault : nullptr;
}

CAssistantState::CAssistantState(std::wstring_view name, AssistantKind kind,
                                 std::shared_ptr<CAssistantScript> spClassScript)
    : m_strName(name), m_kind(kind), m_spClassScript(std::move(spClassScript))
{}

std::vector<std::wstring> CAssistantState::Methods() const
{
    std::vector<std::wstring> methods;
    for (const CAssistCall& call : m_vecCalls)
        methods.push_back(call.strMethod);
    return methods;
}

size_t CAssistantState::CountOf(std::wstring_view method) const
{
    size_t n = 0;
    for (const CAssistCall& call : m_vecCalls)
        n += call.strMethod == method;
    return n;
}

const CAssistCall* CAssistantState::LastCallOf(std::wstring_view method) const
{
    for (auto it = m_vecCalls.rbegin(); it != m_vecCalls.rend(); ++it)
        if (it->strMethod == method)
            return &*it;
    return nullptr;
}

const CAnswer& CAssistantState::AnswerFor(std::wstring_view method, int nSlot)
{
    static const CAnswer s_default;
    const size_t nCall = m_anCalls.at(nSlot)++;
    if (const CAnswer* pAnswer = m_script.Find(method, nCall))
        return *pAnswer;
    if (m_spClassScript)
        if (const CAnswer* pAnswer = m_spClassScript->Find(method, nCall))
            return *pAnswer;
    return s_default;
}

std::vector<CAssistOrder>& CAssistOrder::All()
{
    // Reserved once: keeping a call must not allocate while allocations fail.
    static std::vector<CAssistOrder> s_vecOrder = [] {
        std::vector<CAssistOrder> vec;
        vec.reserve(1 << 16);
        return vec;
    }();
    return s_vecOrder;
}

void CAssistOrder::Add(const CAssistantState* pState, int nSlot, bool bFaulted)
{
    if (All().size() < All().capacity())
        All().push_back({pState, nSlot, bFaulted});
}

IAssist2* CAssistantHandle::Assist2() const
{
    if (!spState || !spState->IsAlive() || spState->Kind() == AssistantKind::NoAssist2)
        return nullptr;
    return static_cast<IAssist3*>(spState->Object());
}

CAssistantHandle NewAssistant(std::wstring_view name, AssistantKind kind,
                              std::shared_ptr<CAssistantScript> spClassScript)
{
    CAssistantHandle handle;
    handle.spState = std::make_shared<CAssistantState>(name, kind, std::move(spClassScript));
    auto spObject = CDoubleObject<CAssistantDouble>::New(handle.spState);
    handle.spUnknown = static_cast<IAssist3*>(spObject.Get());
    return handle;
}

CAssistantClass::CAssistantClass(std::wstring_view name, std::wstring_view progId, AssistantKind kindOfClass)
    : kind(kindOfClass), m_strName(name), m_strProgId(progId), m_spScript(std::make_shared<CAssistantScript>())
{
    CoCreateGuid(&m_clsid);
    auto spClassObject = CDoubleObject<CClassObjectDouble>::New(
        m_strName + L" class", [this](REFIID riid, void** ppv) { return CreateInstance(riid, ppv); });
    m_hrRegister = CoRegisterClassObject(m_clsid, static_cast<IClassFactory*>(spClassObject.Get()),
                                         CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &m_dwCookie);
    if (FAILED(m_hrRegister))
        return;
    wchar_t szClsid[40];
    StringFromGUID2(m_clsid, szClsid, 40);
    const LONG lResult = RegSetValueW(HKEY_CLASSES_ROOT, (m_strProgId + L"\\CLSID").c_str(), REG_SZ, szClsid, 0);
    if (lResult != ERROR_SUCCESS)
        m_hrRegister = HRESULT_FROM_WIN32(lResult);
}

CAssistantClass::~CAssistantClass()
{
    if (m_dwCookie)
        CoRevokeClassObject(m_dwCookie);
    RegDeleteKeyW(HKEY_CLASSES_ROOT, (m_strProgId + L"\\CLSID").c_str());
    RegDeleteKeyW(HKEY_CLASSES_ROOT, m_strProgId.c_str());
}

HRESULT CAssistantClass::CreateInstance(REFIID riid, void** ppv)
{
    ++m_lCreateCalls;
    std::wstring name = m_strName;
    if (!m_vecInstances.empty())
        name += L"#" + std::to_wstring(m_vecInstances.size() + 1);
    CCallLog::Add(name, L"Create");
    if (FAILED(hrCreate))
        return hrCreate;
    CAssistantHandle handle = NewAssistant(name, kind, m_spScript);
    m_vecInstances.push_back(handle.spState);
    HRESULT hr = handle.spUnknown->QueryInterface(riid, ppv);
    return FAILED(hr) ? hr : hrCreate;
}

ULONG CAssistantState::References() const
{
    return m_pDouble ? m_pDouble->References() : 0;
}
