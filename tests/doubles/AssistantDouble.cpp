#include "doubles/AssistantDouble.h"
#include <algorithm>
#include <utility>
#include "com/GuidText.h"
#include "com/Owners.h"
#include "interfaces/LayerDispatch.h"
#include "doubles/DoubleObject.h"
#include "support/Checks.h"

using Microsoft::WRL::ComPtr;

namespace {

// One call of any of the sixteen methods: its name and slot, and the
// arguments it has.
struct CAssistArgs
{
    const wchar_t* pszMethod;
    int nSlot;
    const CheckArgs* pCheck = nullptr; // the checks
    IDispatch* apInit[2] = {};         // Init and InitEx: the topology and the layer
    BSTR bstrProtocol = nullptr;       // InitEx
    BSTR* pbstrErrMsg = nullptr;       // the checks
    BSTR* pbstrErrDB = nullptr;
};

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
        m_spState->Attach(static_cast<IAssist3*>(this));
    }
    ~CAssistantDouble() override { m_spState->Attach(nullptr); }

    STDMETHODIMP Init(IDispatch* pdispTopology, IDispatch* pdispLayer) override
    {
        return Route({L"Init", kSlotInit, nullptr, {pdispTopology, pdispLayer}});
    }
    STDMETHODIMP Term() override { return Route({L"Term", 8}); }
    STDMETHODIMP NewProjectCreated() override { return Route({L"NewProjectCreated", 9}); }
    // The twelve checks, a signature and the arguments it fills a line, all
    // run through RunCheck.
    // clang-format off
#define DOUBLE_CHECK(Name, Params, ...) \
    STDMETHODIMP Check##Name Params override { return RunCheck(CheckId::Name, {__VA_ARGS__}, m, d); }
    DOUBLE_CHECK(NewDevice,      (BSTR* m, IComponent* c, BSTR* d), .piComp = c)
    DOUBLE_CHECK(All,            (BSTR* m, IComponent* r, ICharacteristic** e1, ICharacteristic** e2, BSTR* d), .piRoot = r, .piComp = r, .ppCharErr1 = e1, .ppCharErr2 = e2)
    DOUBLE_CHECK(PropertyChange, (BSTR* m, IComponent* r, IPropertyData* p, VARIANT v, BSTR* d), .piRoot = r, .pData = p, .pvValue = &v)
    DOUBLE_CHECK(InsertDrag,     (BSTR* m, IComponent* r, IComponent* c, IComponent* o, LONG b, BSTR* d), .piRoot = r, .piComp = c, .piOther = o, .bAsChild = b)
    DOUBLE_CHECK(InsertDrop,     (BSTR* m, IComponent* r, IComponent* c, IComponent* o, LONG b, BSTR* d), .piRoot = r, .piComp = c, .piOther = o, .bAsChild = b)
    DOUBLE_CHECK(MoveDrag,       (BSTR* m, IComponent* r, IComponent* c, IComponent* o, LONG b, BSTR* d), .piRoot = r, .piComp = c, .piOther = o, .bAsChild = b)
    DOUBLE_CHECK(MoveDrop,       (BSTR* m, IComponent* r, IComponent* c, IComponent* o, LONG b, BSTR* d), .piRoot = r, .piComp = c, .piOther = o, .bAsChild = b)
    DOUBLE_CHECK(ReplaceDrag,    (BSTR* m, IComponent* r, IComponent* c, IComponent* o, BSTR* d), .piRoot = r, .piComp = c, .piOther = o)
    DOUBLE_CHECK(ReplaceDrop,    (BSTR* m, IComponent* r, IComponent* c, IComponent* o, BSTR* d), .piRoot = r, .piComp = c, .piOther = o)
    DOUBLE_CHECK(Connect,        (BSTR* m, IComponent* r, ICharacteristic* c1, ICharacteristic* c2, BSTR* d), .piRoot = r, .piChar1 = c1, .piChar2 = c2)
    DOUBLE_CHECK(Disconnect,     (BSTR* m, IComponent* r, ICharacteristic* c1, ICharacteristic* c2, BSTR* d), .piRoot = r, .piChar1 = c1, .piChar2 = c2)
    DOUBLE_CHECK(Delete,         (BSTR* m, IComponent* r, IComponent* c, BSTR* d), .piRoot = r, .piComp = c)
#undef DOUBLE_CHECK
    // clang-format on
    STDMETHODIMP InitEx(IDispatch* pdispTopology, IDispatch* pdispLayer, BSTR bstrProtocol) override
    {
        return Route({L"InitEx", kSlotInitEx, nullptr, {pdispTopology, pdispLayer}, bstrProtocol});
    }

    bool AnswersInterface(REFIID riid) const noexcept override
    {
        if (IsEqualIID(riid, IID_IAssist3))
            return m_spState->Kind() == AssistantKind::Assist3;
        return !IsEqualIID(riid, IID_IAssist2) || m_spState->Kind() != AssistantKind::NoAssist2;
    }

private:
    HRESULT RunCheck(CheckId id, const CheckArgs& a, BSTR* m, BSTR* d)
    {
        const CheckKind& kind = kChecks[static_cast<int>(id)];
        return Route({kind.name, kind.nSlot, &a, {}, nullptr, m, d});
    }
    // The one procedure of every method: count, record, show the planned
    // fault or write the scripted answer.
    HRESULT Route(const CAssistArgs& args)
    {
        return ComBoundary([&] {
            const CAnswer& answer = m_spState->AnswerFor(args.pszMethod, args.nSlot);
            if (g_bRecording)
                Record(args);
            const Fault fault = CFaultPlan::Next();
            CAssistOrder::Add(m_spState.get(), args.nSlot, fault != Fault::None);
            if (CFaultPlan::Outright(fault))
                for (BSTR* pbstr : {args.pbstrErrMsg, args.pbstrErrDB})
                    if (pbstr)
                        *pbstr = nullptr;
            return CFaultPlan::Shown(fault, [&] { return Write(args, answer); });
        });
    }
    // The scripted answer's out-parameters; its HRESULT.
    static HRESULT Write(const CAssistArgs& args, const CAnswer& answer)
    {
        if (answer.bLeaveOuts)
            return answer.hr;
        if (args.pbstrErrMsg)
            *args.pbstrErrMsg = answer.optMsg ? CBstr::Alloc(*answer.optMsg) : nullptr;
        if (args.pbstrErrDB)
            *args.pbstrErrDB = answer.optErrDB ? CBstr::Alloc(*answer.optErrDB) : nullptr;
        // An assistant that replaces CheckAll's characteristic drops the one it finds.
        if (ICharacteristic** ppChar = args.pCheck ? args.pCheck->ppCharErr1 : nullptr) {
            if (answer.bReleaseFound && *ppChar)
                (*ppChar)->Release();
            HandOut(ppChar, answer.spCharErr1.Get());
        }
        return answer.hr;
    }
    void Record(const CAssistArgs& args)
    {
        CAssistCall call{args.pszMethod};
        if (const CheckArgs* pCheck = args.pCheck) {
            call.vecIn = PassedIn(args.nSlot, *pCheck);
            call.bAsChild = pCheck->bAsChild;
            call.vValueBits = pCheck->Value();
            call.pCharErr1In = pCheck->ppCharErr1 ? *pCheck->ppCharErr1 : nullptr;
        } else if (args.nSlot == kSlotInit || args.nSlot == kSlotInitEx) {
            call.vecIn.assign(std::begin(args.apInit), std::end(args.apInit));
        }
        if (args.bstrProtocol)
            call.optProtocol = std::wstring(BstrView(args.bstrProtocol));
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

const CAssistCall* CAssistantState::LastCallOf(std::wstring_view method) const
{
    auto it =
        std::find_if(m_vecCalls.rbegin(), m_vecCalls.rend(), [&](const auto& c) { return c.strMethod == method; });
    return it == m_vecCalls.rend() ? nullptr : &*it;
}

const CAnswer& CAssistantState::AnswerFor(std::wstring_view method, int nSlot)
{
    static const CAnswer s_default;
    const CAnswer* pAnswer = m_spScript->Find(method, m_anCalls.at(nSlot)++);
    return pAnswer ? *pAnswer : s_default;
}

ULONG CAssistantState::References() const
{
    return m_pObject ? RefCount(m_pObject) : 0;
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
    // Null once the object is gone.
    return spState && spState->Kind() != AssistantKind::NoAssist2 ? static_cast<IAssist3*>(spState->Object()) : nullptr;
}

CAssistantHandle NewAssistant(std::wstring_view name, AssistantKind kind,
                              std::shared_ptr<CAssistantScript> spClassScript)
{
    CAssistantHandle handle;
    handle.spState = std::make_shared<CAssistantState>(name, kind, std::move(spClassScript));
    handle.spUnknown = static_cast<IAssist3*>(CComObject<CAssistantDouble>::New(handle.spState).Get());
    return handle;
}

CAssistantClass::CAssistantClass(std::wstring_view name, std::wstring_view progId, AssistantKind kindOfClass)
    : kind(kindOfClass), m_strName(name), m_strProgId(progId)
{
    CLSID clsid;
    CoCreateGuid(&clsid);
    auto spClassObject = CComObject<CClassObjectDouble>::New(
        m_strName + L" class", [this](REFIID riid, void** ppv) { return CreateInstance(riid, ppv); });
    m_hrRegister = CoRegisterClassObject(clsid, static_cast<IClassFactory*>(spClassObject.Get()), CLSCTX_INPROC_SERVER,
                                         REGCLS_MULTIPLEUSE, &m_dwCookie);
    if (FAILED(m_hrRegister))
        return;
    const LONG lResult =
        RegSetValueW(HKEY_CLASSES_ROOT, (m_strProgId + L"\\CLSID").c_str(), REG_SZ, GuidText(clsid).c_str(), 0);
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
    std::wstring name = m_strName;
    if (!m_vecInstances.empty())
        name += L"#" + std::to_wstring(m_vecInstances.size() + 1);
    CCallLog::Add(name, L"Create");
    CAssistantHandle handle = NewAssistant(name, kind, m_spScript);
    m_vecInstances.push_back(handle.spState);
    return handle.spUnknown->QueryInterface(riid, ppv);
}
