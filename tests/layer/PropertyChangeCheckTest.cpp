// CheckPropertyChange: the entity's assistant alone, or each distinct
// assistant of the owning component once.
#include "layer/LayerFixture.h"

class PropertyChangeCheck : public LayerTest
{
protected:
    void SetUp() override
    {
        LayerTest::SetUp();
        MakeLayer();
        m_pA = Add(L"P");
        m_pB = Add(L"Q");
        m_pX = &Component(L"X", {L"P", L"P", L"Q"});
        m_args.piRoot = Host().AddComponent(L"root").AsComponent();
        m_args.vValue.vt = VT_BSTR;
        m_args.vValue.bstrVal = m_bstrValue.Get();
    }
    HRESULT RunFor(CNodeDouble& data)
    {
        m_args.pData = data.AsPropertyData();
        return Run(Check(L"CheckPropertyChange"), m_args);
    }
    // The host's arguments as the assistant got them; vValue bit for bit.
    void ExpectCall(const CAssistCall& call)
    {
        EXPECT_EQ(call.nSlot, 12);
        EXPECT_EQ(call.vecIn, (std::vector<const void*>{m_args.piRoot, m_args.pData}));
        EXPECT_EQ(call.vValueBits.vt, VT_BSTR);
        EXPECT_EQ(call.vValueBits.bstrVal, m_bstrValue.Get()); // the host's own string, not a copy
    }

    CBstr m_bstrValue{L"new value"};
    std::shared_ptr<CAssistantState> m_pA, m_pB;
    CNodeDouble* m_pX = nullptr;
    CheckArgs m_args;
};

TEST_F(PropertyChangeCheck, PropertyInsideAnEntityAsksThatEntitysAssistantOnly)
{
    m_pB->Script().AnswerAll(CAnswer::Of(S_FALSE));
    EXPECT_EQ(RunFor(m_pX->Entities()[2]->AddCharacteristic(L"baud")), E_FAIL);

    EXPECT_TRUE(m_pA->Calls().empty());
    ASSERT_EQ(m_pB->Calls().size(), 1u);
    ExpectCall(m_pB->Calls()[0]);
    EXPECT_EQ(BusName(), L"");
}

TEST_F(PropertyChangeCheck, PropertyOfTheComponentAsksEachDistinctAssistantOnceInProtocolOrder)
{
    m_pA->Script().AnswerAll(CAnswer::Of(S_FALSE));
    m_pB->Script().AnswerAll(CAnswer::Of(E_FAIL, L"no", L"own"));
    CNodeDouble& element = m_pX->AddCharacteristic(L"name");
    EXPECT_EQ(RunFor(element), E_FAIL);

    EXPECT_EQ(CCallLog::Only({L"P.", L"Q."}),
              (std::vector<std::wstring>{L"P.CheckPropertyChange", L"Q.CheckPropertyChange"}));
    ExpectCall(m_pA->Calls()[0]);
    ExpectCall(m_pB->Calls()[0]);
    EXPECT_EQ(Text(m_bstrMsg), L"no");
    EXPECT_EQ(Text(m_bstrDB), L"own");
    EXPECT_EQ(BusName(), L"Q");
    EXPECT_EQ(std::count(element.vecCalls.begin(), element.vecCalls.end(), L"GetParent"), 0);
}

TEST_F(PropertyChangeCheck, PropertyThatIsNoElementBelongsToItsParent)
{
    CNodeDouble& property = Host().AddItem(L"plain");
    property.bDataElement = false;
    property.SetParent(&m_pX->AddCharacteristic(L"owner"));
    EXPECT_EQ(RunFor(property), S_OK);

    EXPECT_EQ(std::count(property.vecCalls.begin(), property.vecCalls.end(), L"GetParent"), 1);
    EXPECT_EQ(m_pA->Calls().size() + m_pB->Calls().size(), 2u);
}

TEST_F(PropertyChangeCheck, NoPropertyOrNoAssistantOfItsEntityAsksNobody)
{
    CNodeDouble& mixed = Component(L"Z", {L"R", L"P"});
    EXPECT_EQ(RunFor(mixed.Entities()[0]->AddCharacteristic(L"c")), E_FAIL); // R: no fall-back to P

    m_args.pData = nullptr;
    EXPECT_EQ(Run(Check(L"CheckPropertyChange"), m_args), E_FAIL);

    EXPECT_TRUE(m_bstrMsg.IsNull());
    EXPECT_TRUE(m_bstrDB.IsNull());
    EXPECT_EQ(BusName(), L"");
    EXPECT_TRUE(m_pA->Calls().empty());
}
