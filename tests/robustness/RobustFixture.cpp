#include "robustness/RobustFixture.h"
#include <cstdio>
#include "com/Owners.h"

void RobustTest::SetUp()
{
    CFaultPlan::Plan(0, Fault::None);
    g_bRecording = false;
    DoublesTest::SetUp();
    using namespace LayerNames;
    Host().registry.SetLong(kFirstScope, kOptionsKey, kDebugValue, kDebugNormal);
    Host().registry.SetLong(kFirstScope, kOptionsKey, kTraceValue, 1);
}

void RobustTest::TearDown()
{
    CFaultPlan::Plan(0, Fault::None);
    EXPECT_EQ(ForeignReferences(), 0);
    m_vecAssistants.clear();
    DoublesTest::TearDown();
    g_bRecording = true;
}

CAssistantHandle& RobustTest::NewAssistant()
{
    CAnswer answer = CAnswer::Of(S_OK);
    answer.optMsg = L"ok";
    m_vecAssistants.push_back(::NewAssistant(L"A" + std::to_wstring(m_vecAssistants.size()), AssistantKind::Assist3));
    m_vecAssistants.back().spState->Script().AnswerAll(answer);
    return m_vecAssistants.back();
}

HRESULT RobustTest::Add(IAssistLayer2* pLayer, const std::wstring& protocol, const CAssistantHandle& assistant)
{
    Microsoft::WRL::ComPtr<IAssistLayerTest> spTest;
    HRESULT hr = pLayer->QueryInterface(IID_IAssistLayerTest, reinterpret_cast<void**>(spTest.GetAddressOf()));
    if (FAILED(hr))
        return hr;
    return spTest->Add(CBstr(protocol), CBstr(L"Robust.Assistant"), assistant.Assist2(), CBstr(L"db" + protocol));
}

long RobustTest::ForeignReferences()
{
    long lForeign = Host().ForeignReferences();
    for (const CAssistantHandle& assistant : m_vecAssistants)
        lForeign += static_cast<long>(assistant.spState->References()) - 1;
    return lForeign;
}

HRESULT RunCheck(IAssistLayer2* pLayer, const CheckKind& kind, BSTR* pbstrErrMsg, BSTR* UUIDOfErrorDB,
                 CNodeDouble& component, CNodeDouble& char1, CNodeDouble& char2)
{
    Microsoft::WRL::ComPtr<ICharacteristic> spErr1, spErr2;
    CheckArgs args =
        ArgsOn(component, component, component, char1, char2, spErr1.GetAddressOf(), spErr2.GetAddressOf());
    VARIANT vValue{};
    vValue.vt = VT_I4;
    vValue.lVal = 5;
    args.pvValue = &vValue;
    return CallCheck(pLayer, kind.nSlot, pbstrErrMsg, args, UUIDOfErrorDB);
}

std::string Hex(HRESULT hr)
{
    char sz[16];
    std::snprintf(sz, sizeof(sz), "0x%08lx", static_cast<unsigned long>(hr));
    return sz;
}
