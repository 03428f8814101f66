#include "robustness/RobustFixture.h"
#include <cstdio>
#include "com/Owners.h"
#include "support/MemoryBalance.h"

std::vector<std::pair<int, int>>& CScriptedAssistant::Calls()
{
    // Reserved once: recording a call must not allocate while allocations fail.
    static std::vector<std::pair<int, int>> s_calls = [] {
        std::vector<std::pair<int, int>> calls;
        calls.reserve(1 << 16);
        return calls;
    }();
    return s_calls;
}

HRESULT CScriptedAssistant::Route(const CAssistArgs& args)
{
    const bool bCheck = args.nSlot >= 10 && args.nSlot <= 21;
    return bCheck ? Answer(args.nSlot, args.pbstrErrMsg, args.pbstrErrDB) : Lifecycle();
}

HRESULT CScriptedAssistant::Lifecycle()
{
    const Fault fault = CFaultPlan::Next();
    if (fault == Fault::Error) {
        s_nFaultedId = m_nId;
        return kInjectedError;
    }
    return CFaultPlan::Success(fault);
}

HRESULT CScriptedAssistant::Answer(int nSlot, BSTR* pbstrErrMsg, BSTR* UUIDOfErrorDB)
{
    if (Calls().size() < Calls().capacity())
        Calls().emplace_back(m_nId, nSlot);
    const int nPosition = s_nStepCalls++;
    *pbstrErrMsg = *UUIDOfErrorDB = nullptr;
    const Fault fault = CFaultPlan::Next();
    if (fault != Fault::None) {
        s_nFaultedId = m_nId;
        s_nFaultedPosition = nPosition;
    }
    if (fault == Fault::Error || fault == Fault::NullObject)
        return CFaultPlan::Outright(fault);
    if (!m_answer.bNullMsg)
        *pbstrErrMsg = SysAllocStringLen(m_answer.strMsg.data(), static_cast<UINT>(m_answer.strMsg.size()));
    if (!m_answer.strErrDB.empty())
        *UUIDOfErrorDB = SysAllocStringLen(m_answer.strErrDB.data(), static_cast<UINT>(m_answer.strErrDB.size()));
    return fault == Fault::OtherSuccess ? S_FALSE : m_answer.hr;
}

HRESULT RunCheck(IAssistLayer2* pLayer, const CheckKind& kind, BSTR* pbstrErrMsg, BSTR* UUIDOfErrorDB, CFastNode* pComp,
                 CFastNode* pChar1, CFastNode* pChar2)
{
    Microsoft::WRL::ComPtr<ICharacteristic> spErr1, spErr2;
    CheckArgs args;
    args.piRoot = args.piComp = args.piOther = static_cast<NewZUR::IComponent*>(pComp);
    args.piChar1 = static_cast<NewZUR::ICharacteristic*>(pChar1);
    args.piChar2 = static_cast<NewZUR::ICharacteristic*>(pChar2);
    args.pData = static_cast<NewZUR::IPropertyData*>(pChar1);
    args.vValue.vt = VT_I4;
    args.vValue.lVal = 5;
    args.ppCharErr1 = spErr1.GetAddressOf();
    args.ppCharErr2 = spErr2.GetAddressOf();
    return CallCheck(pLayer, kind.nSlot, pbstrErrMsg, args, UUIDOfErrorDB);
}

void RobustTest::SetUp()
{
    CFaultPlan::Plan(0, Fault::None);
    CScriptedAssistant::Calls().clear();
    CMemoryBalance::Mark();
    m_spHost = std::make_unique<CFastHost>();
    ASSERT_EQ(m_spHost->Register(), S_OK);
    SetOption(L"Debug", 2);
    SetOption(L"Trace", 1);
}

void RobustTest::TearDown()
{
    CFaultPlan::Plan(0, Fault::None);
    EXPECT_EQ(ForeignReferences(), 0);
    for (CScriptedAssistant* pAssistant : m_vecAssistants)
        pAssistant->Release();
    m_vecAssistants.clear();
    m_spHost.reset();
    EXPECT_EQ(CMemoryBalance::Outstanding(), 0) << "task-memory blocks not given back";
}

void RobustTest::SetOption(const wchar_t* name, long lValue)
{
    CFastValue& value = m_spHost->Context()->Key(9, L"LayerOptions").Set(name);
    value.m_bNumber = true;
    value.m_lNumber = lValue;
}

CScriptedAssistant* RobustTest::NewAssistant()
{
    m_vecAssistants.push_back(CScriptedAssistant::New(static_cast<int>(m_vecAssistants.size())));
    return m_vecAssistants.back();
}

HRESULT RobustTest::Add(IAssistLayer2* pLayer, const std::wstring& protocol, CScriptedAssistant* pAssistant)
{
    Microsoft::WRL::ComPtr<IAssistLayerTest> spTest;
    HRESULT hr = pLayer->QueryInterface(IID_IAssistLayerTest, reinterpret_cast<void**>(spTest.GetAddressOf()));
    if (FAILED(hr))
        return hr;
    return spTest->Add(CBstr(protocol), CBstr(L"Robust.Assistant"), static_cast<IAssist3*>(pAssistant),
                       CBstr(L"db" + protocol));
}

long RobustTest::ForeignReferences() const
{
    long lForeign = m_spHost ? m_spHost->ForeignReferences() : 0;
    for (const CScriptedAssistant* pAssistant : m_vecAssistants)
        lForeign += static_cast<long>(pAssistant->References()) - 1;
    return lForeign;
}

std::string Hex(HRESULT hr)
{
    char sz[16];
    std::snprintf(sz, sizeof(sz), "0x%08lx", static_cast<unsigned long>(hr));
    return sz;
}
