#include "layer/ChecksFixture.h"
#include "common/ComObject.h"
#include "layer/AssistLayer.h"

const CheckKind kChecks[12] = {
    {L"CheckNewDevice", 10,
     [](IAssistLayer2* p, BSTR* m, const CheckArgs& a, BSTR* d) { return p->CheckNewDevice(m, a.piComp, d); }},
    {L"CheckAll", 11,
     [](IAssistLayer2* p, BSTR* m, const CheckArgs& a, BSTR* d) {
         return p->CheckAll(m, a.piRoot, a.ppCharErr1, a.ppCharErr2, d);
     }},
    {L"CheckInsertDrag", 13,
     [](IAssistLayer2* p, BSTR* m, const CheckArgs& a, BSTR* d) {
         return p->CheckInsertDrag(m, a.piRoot, a.piComp, a.piOther, a.bAsChild, d);
     }},
    {L"CheckInsertDrop", 14,
     [](IAssistLayer2* p, BSTR* m, const CheckArgs& a, BSTR* d) {
         return p->CheckInsertDrop(m, a.piRoot, a.piComp, a.piOther, a.bAsChild, d);
     }},
    {L"CheckMoveDrag", 15,
     [](IAssistLayer2* p, BSTR* m, const CheckArgs& a, BSTR* d) {
         return p->CheckMoveDrag(m, a.piRoot, a.piComp, a.piOther, a.bAsChild, d);
     }},
    {L"CheckMoveDrop", 16,
     [](IAssistLayer2* p, BSTR* m, const CheckArgs& a, BSTR* d) {
         return p->CheckMoveDrop(m, a.piRoot, a.piComp, a.piOther, a.bAsChild, d);
     }},
    {L"CheckReplaceDrag", 17,
     [](IAssistLayer2* p, BSTR* m, const CheckArgs& a, BSTR* d) {
         return p->CheckReplaceDrag(m, a.piRoot, a.piComp, a.piOther, d);
     }},
    {L"CheckReplaceDrop", 18,
     [](IAssistLayer2* p, BSTR* m, const CheckArgs& a, BSTR* d) {
         return p->CheckReplaceDrop(m, a.piRoot, a.piComp, a.piOther, d);
     }},
    {L"CheckDelete", 21,
     [](IAssistLayer2* p, BSTR* m, const CheckArgs& a, BSTR* d) { return p->CheckDelete(m, a.piRoot, a.piComp, d); }},
    {L"CheckConnect", 19,
     [](IAssistLayer2* p, BSTR* m, const CheckArgs& a, BSTR* d) {
         return p->CheckConnect(m, a.piRoot, a.piChar1, a.piChar2, d);
     }},
    {L"CheckDisconnect", 20,
     [](IAssistLayer2* p, BSTR* m, const CheckArgs& a, BSTR* d) {
         return p->CheckDisconnect(m, a.piRoot, a.piChar1, a.piChar2, d);
     }},
    {L"CheckPropertyChange", 12,
     [](IAssistLayer2* p, BSTR* m, const CheckArgs& a, BSTR* d) {
         return p->CheckPropertyChange(m, a.piRoot, a.pData, a.vValue, d);
     }},
};

void ChecksTest::TearDown()
{
    m_bstrMsg.Reset();
    m_bstrDB.Reset();
    m_spLayer.Reset();
    DoublesTest::TearDown();
}

void ChecksTest::MakeLayer(long lDebug, bool bInit)
{
    Host().registry.SetLong(9, L"LayerOptions", L"Debug", lDebug);
    m_spLayer.Reset();
    ASSERT_EQ(CComObject<CAssistLayer>::CreateInstance(IID_IAssistLayer2, &m_spLayer), S_OK);
    if (bInit) {
        ASSERT_EQ(m_spLayer->Init(Host().TopologyDispatch()), S_OK);
    }
}

CAssistantState& ChecksTest::AddAssistant(std::wstring_view protocol)
{
    CAssistantHandle handle = NewAssistant(protocol, AssistantKind::Assist2);
    Microsoft::WRL::ComPtr<IAssistLayerTest> spTest;
    EXPECT_EQ(m_spLayer.As(&spTest), S_OK);
    EXPECT_EQ(spTest->Add(CBstr(protocol), CBstr(L"Assistant.Double"), handle.spUnknown.Get(),
                          CBstr(L"db" + std::wstring(protocol))),
              S_OK);
    m_vecAssistants.push_back(handle.spState);
    return *handle.spState;
}

CNodeDouble& ChecksTest::Component(std::wstring_view name, std::initializer_list<const wchar_t*> protocols)
{
    CNodeDouble& component = Host().AddComponent(name);
    for (const wchar_t* protocol : protocols)
        component.AddCommunicationEntity(protocol);
    return component;
}

HRESULT ChecksTest::Run(const CheckKind& kind, const CheckArgs& args)
{
    Host().topology.vecEvents.clear();
    // Whatever the host's variables held is overwritten on every path past the gate.
    BSTR const kUnwritten = reinterpret_cast<BSTR>(0x5EED);
    BSTR bstrMsg = kUnwritten, bstrDB = kUnwritten;
    HRESULT hr = kind.pfnCall(m_spLayer.Get(), &bstrMsg, args, &bstrDB);
    EXPECT_TRUE(bstrMsg != kUnwritten && bstrDB != kUnwritten);
    m_bstrMsg.Reset(bstrMsg == kUnwritten ? nullptr : bstrMsg);
    m_bstrDB.Reset(bstrDB == kUnwritten ? nullptr : bstrDB);
    return hr;
}

std::wstring ChecksTest::BusName()
{
    CBstr bstrBus;
    EXPECT_EQ(m_spLayer->GetProcessedBusName(bstrBus.Out()), S_OK);
    return Text(bstrBus);
}

std::wstring Text(const CBstr& bstr)
{
    return bstr.IsNull() ? L"<null>" : std::wstring(bstr.View());
}
