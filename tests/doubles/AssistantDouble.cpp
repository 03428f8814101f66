#include "doubles/AssistantDouble.h"
#include <utility>
#include "common/Bstr.h"
#include "common/DispatchImpl.h"
#include "doubles/DoubleObject.h"
#include "doubles/HostObjects.h"

using Microsoft::WRL::ComPtr;

namespace {

// What differs between the check methods: the out-parameters they have.
struct COuts
{
    BSTR* pbstrErrMsg = nullptr;
    BSTR* pbstrErrDB = nullptr;
    ICharacteristic** ppCharErr1 = nullptr;
    ICharacteristic** ppCharErr2 = nullptr;
};

// An assistant that replaces CheckAll's characteristics drops the ones it finds.
void ReleaseFound(const CAnswer& answer, const COuts& outs)
{
    for (ICharacteristic** ppChar : {outs.ppCharErr1, outs.ppCharErr2})
        if (answer.bReleaseFound && ppChar && *ppChar)
            (*ppChar)->Release();
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
        m_spState->Attach(static_cast<IAssist3*>(this), &m_lRefs);
    }
    ~CAssistantDouble() override { m_spState->Attach(nullptr, nullptr); }

    bool AnswersInterface(REFIID riid) const noexcept override
    {
        if (IsEqualIID(riid, IID_IAssist3))
            return m_spState->Kind() == AssistantKind::Assist3;
        if (IsEqualIID(riid, IID_IAssist2))
            return m_spState->Kind() != AssistantKind::NoAssist2;
        return true;
    }

    STDMETHODIMP Init(IDispatch* pdispTopology, IDispatch* pdispLayer) override
    {
        return Run(NewCall(L"Init", 7, {pdispTopology, pdispLayer}), {});
    }
    STDMETHODIMP Term() override { return Run(NewCall(L"Term", 8, {}), {}); }
    STDMETHODIMP NewProjectCreated() override { return Run(NewCall(L"NewProjectCreated", 9, {}), {}); }
    STDMETHODIMP CheckNewDevice(BSTR* pbstrErrMsg, IComponent* piComponent3, BSTR* UUIDOfErrorDB) override
    {
        return Run(NewCall(L"CheckNewDevice", 10, {piComponent3}), {pbstrErrMsg, UUIDOfErrorDB});
    }
    STDMETHODIMP CheckAll(BSTR* pbstrErrMsg, IComponent* piCompRoot, ICharacteristic** piCharErr1,
                          ICharacteristic** piCharErr2, BSTR* UUIDOfErrorDB) override
    {
        CAssistCall call = NewCall(L"CheckAll", 11, {piCompRoot});
        call.bCharErr1OutNull = piCharErr1 == nullptr;
        call.bCharErr2OutNull = piCharErr2 == nullptr;
        call.pCharErr1In = piCharErr1 ? *piCharErr1 : nullptr;
        call.pCharErr2In = piCharErr2 ? *piCharErr2 : nullptr;
        return Run(std::move(call), {pbstrErrMsg, UUIDOfErrorDB, piCharErr1, piCharErr2});
    }
    STDMETHODIMP CheckPropertyChange(BSTR* pbstrErrMsg, IComponent* piCompRoot, IPropertyData* pData, VARIANT vValue,
                                     BSTR* UUIDOfErrorDB) override
    {
        CAssistCall call = NewCall(L"CheckPropertyChange", 12, {piCompRoot, pData});
        call.vValueBits = vValue;
        if (vValue.vt == VT_BSTR && vValue.bstrVal)
            call.optValueText = std::wstring(BstrView(vValue.bstrVal));
        return Run(std::move(call), {pbstrErrMsg, UUIDOfErrorDB});
    }
    STDMETHODIMP CheckInsertDrag(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompIns,
                                 IComponent* piCompDest, long bAsChild, BSTR* UUIDOfErrorDB) override
    {
        return RunDrag(L"CheckInsertDrag", 13, pbstrErrMsg, piCompRoot, piCompIns, piCompDest, bAsChild, UUIDOfErrorDB);
    }
    STDMETHODIMP CheckInsertDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompIns,
                                 IComponent* piCompDest, long bAsChild, BSTR* UUIDOfErrorDB) override
    {
        return RunDrag(L"CheckInsertDrop", 14, pbstrErrMsg, piCompRoot, piCompIns, piCompDest, bAsChild, UUIDOfErrorDB);
    }
    STDMETHODIMP CheckMoveDrag(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompMove,
                               IComponent* piCompDest, long bAsChild, BSTR* UUIDOfErrorDB) override
    {
        return RunDrag(L"CheckMoveDrag", 15, pbstrErrMsg, piCompRoot, piCompMove, piCompDest, bAsChild, UUIDOfErrorDB);
    }
    STDMETHODIMP CheckMoveDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompMove,
                               IComponent* piCompDest, long bAsChild, BSTR* UUIDOfErrorDB) override
    {
        return RunDrag(L"CheckMoveDrop", 16, pbstrErrMsg, piCompRoot, piCompMove, piCompDest, bAsChild, UUIDOfErrorDB);
    }
    STDMETHODIMP CheckReplaceDrag(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompPalett,
                                  IComponent* piCompReplace, BSTR* UUIDOfErrorDB) override
    {
        return Run(NewCall(L"CheckReplaceDrag", 17, {piCompRoot, piCompPalett, piCompReplace}),
                   {pbstrErrMsg, UUIDOfErrorDB});
    }
    STDMETHODIMP CheckReplaceDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompPalett,
                                  IComponent* piCompReplace, BSTR* UUIDOfErrorDB) override
    {
        return Run(NewCall(L"CheckReplaceDrop", 18, {piCompRoot, piCompPalett, piCompReplace}),
                   {pbstrErrMsg, UUIDOfErrorDB});
    }
    STDMETHODIMP CheckConnect(BSTR* pbstrErrMsg, IComponent* piCompRoot, ICharacteristic* piCharConn1,
                              ICharacteristic* piCharConn2, BSTR* UUIDOfErrorDB) override
    {
        return Run(NewCall(L"CheckConnect", 19, {piCompRoot, piCharConn1, piCharConn2}), {pbstrErrMsg, UUIDOfErrorDB});
    }
    STDMETHODIMP CheckDisconnect(BSTR* pbstrErrMsg, IComponent* piCompRoot, ICharacteristic* piCharConn1,
                                 ICharacteristic* piCharConn2, BSTR* UUIDOfErrorDB) override
    {
        return Run(NewCall(L"CheckDisconnect", 20, {piCompRoot, piCharConn1, piCharConn2}),
                   {pbstrErrMsg, UUIDOfErrorDB});
    }
    STDMETHODIMP CheckDelete(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piComp,
                             BSTR* UUIDOfErrorDB) override
    {
        return Run(NewCall(L"CheckDelete", 21, {piCompRoot, piComp}), {pbstrErrMsg, UUIDOfErrorDB});
    }
    STDMETHODIMP InitEx(IDispatch* pdispTopology, IDispatch* pdispLayer, BSTR bstrProtocol) override
    {
        CAssistCall call = NewCall(L"InitEx", 22, {pdispTopology, pdispLayer});
        if (bstrProtocol)
            call.optProtocol = std::wstring(BstrView(bstrProtocol));
        return Run(std::move(call), {});
    }

private:
    static CAssistCall NewCall(const wchar_t* method, int nSlot, std::initializer_list<const void*> in)
    {
        CAssistCall call;
        call.strMethod = method;
        call.nSlot = nSlot;
        call.vecIn = in;
        return call;
    }

    HRESULT RunDrag(const wchar_t* method, int nSlot, BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piComp,
                    IComponent* piCompDest, long bAsChild, BSTR* UUIDOfErrorDB)
    {
        CAssistCall call = NewCall(method, nSlot, {piCompRoot, piComp, piCompDest});
        call.bAsChild = bAsChild;
        return Run(std::move(call), {pbstrErrMsg, UUIDOfErrorDB});
    }

    // The one procedure of every method: record, look up the answer, write it.
    HRESULT Run(CAssistCall call, const COuts& outs)
    {
        return ComBoundary([&] {
            call.bErrMsgOutNull = outs.pbstrErrMsg == nullptr;
            call.bErrDBOutNull = outs.pbstrErrDB == nullptr;
            std::wstring method = call.strMethod;
            LogCall(method);
            CAnswer answer = m_spState->AnswerFor(method);
            m_spState->Record(std::move(call));
            if (answer.fnDuring)
                answer.fnDuring();
            if (answer.bLeaveOuts)
                return answer.hr;
            if (outs.pbstrErrMsg)
                *outs.pbstrErrMsg = answer.optMsg ? CBstr::Alloc(*answer.optMsg) : nullptr;
            if (outs.pbstrErrDB)
                *outs.pbstrErrDB = answer.optErrDB ? CBstr::Alloc(*answer.optErrDB) : nullptr;
            ReleaseFound(answer, outs);
            if (outs.ppCharErr1)
                *outs.ppCharErr1 = answer.spCharErr1 ? answer.spCharErr1.Detach() : nullptr;
            if (outs.ppCharErr2)
                *outs.ppCharErr2 = answer.spCharErr2 ? answer.spCharErr2.Detach() : nullptr;
            return answer.hr;
        });
    }

    std::shared_ptr<CAssistantState> m_spState;
};

} // namespace

void CAssistantScript::Answer(std::wstring_view method, CAnswer answer)
{
    m_mapAnswers[std::wstring(method)] = {std::move(answer)};
}

void CAssistantScript::AnswerSequence(std::wstring_view method, std::vector<CAnswer> answers)
{
    m_mapAnswers[std::wstring(method)] = std::move(answers);
}

void CAssistantScript::AnswerAll(CAnswer answer)
{
    m_optDefault = std::move(answer);
}

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
{
}

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

ULONG CAssistantState::References() const
{
    return m_pRefs ? *m_pRefs : 0;
}

CAnswer CAssistantState::AnswerFor(std::wstring_view method) const
{
    size_t nCall = CountOf(method);
    if (const CAnswer* pAnswer = m_script.Find(method, nCall))
        return *pAnswer;
    if (m_spClassScript)
        if (const CAnswer* pAnswer = m_spClassScript->Find(method, nCall))
            return *pAnswer;
    return CAnswer();
}

void CAssistantState::Record(CAssistCall call)
{
    m_vecCalls.push_back(std::move(call));
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
    auto spObject = CDoubleObject<CAssistantDouble>::Create(handle.spState);
    handle.spUnknown = static_cast<IAssist3*>(spObject.Get());
    return handle;
}

CAssistantClass::CAssistantClass(std::wstring_view name, std::wstring_view progId, AssistantKind kindOfClass)
    : kind(kindOfClass), m_strName(name), m_strProgId(progId), m_spScript(std::make_shared<CAssistantScript>())
{
    CoCreateGuid(&m_clsid);
    auto spClassObject = CDoubleObject<CClassObjectDouble>::Create(
        m_strName + L" class", [this](REFIID riid, void** ppv) { return CreateInstance(riid, ppv); });
    m_hrRegister = CoRegisterClassObject(m_clsid, static_cast<IClassFactory*>(spClassObject.Get()),
                                         CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &m_dwCookie);
    if (FAILED(m_hrRegister))
        return;
    wchar_t szClsid[40];
    StringFromGUID2(m_clsid, szClsid, 40);
    HKEY hKey = nullptr;
    LONG lResult = RegCreateKeyExW(HKEY_CLASSES_ROOT, (m_strProgId + L"\\CLSID").c_str(), 0, nullptr, 0,
                                   KEY_WRITE, nullptr, &hKey, nullptr);
    if (lResult == ERROR_SUCCESS) {
        lResult = RegSetValueExW(hKey, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(szClsid),
                                 static_cast<DWORD>((wcslen(szClsid) + 1) * sizeof(wchar_t)));
        RegCloseKey(hKey);
    }
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
