// CheckConnect and CheckDisconnect: two routes, one set of assistants asked.
#include "layer/LayerFixture.h"

// c1 lies in X's communication entity of P (assistant A); c2 is a
// characteristic of Y, which speaks P and Q (assistant B).
class ConnectionChecks : public LayerTest, public testing::WithParamInterface<CheckKind>
{
protected:
    void SetUp() override
    {
        LayerTest::SetUp();
        MakeLayer();
        m_pA = Add(L"P");
        m_pB = Add(L"Q");
        m_pC1 = &Component(L"X", {L"P"}).Entities()[0]->AddCharacteristic(L"c1");
        m_pC2 = &Component(L"Y", {L"P", L"Q"}).AddCharacteristic(L"c2");
        m_args.piRoot = Host().AddComponent(L"root").AsComponent();
        m_args.piChar1 = m_pC1->AsCharacteristic();
        m_args.piChar2 = m_pC2->AsCharacteristic();
    }
    // Each assistant got this check once, with the host's three arguments.
    void ExpectEachAskedOnce()
    {
        for (const CAssistantState* pAssistant : {m_pA.get(), m_pB.get()}) {
            ASSERT_EQ(pAssistant->Calls().size(), 1u) << pAssistant->Name();
            const CAssistCall& call = pAssistant->Calls()[0];
            EXPECT_EQ(call.strMethod, GetParam().name);
            EXPECT_EQ(call.nSlot, GetParam().nSlot);
            EXPECT_EQ(call.vecIn, (std::vector<const void*>{m_args.piRoot, m_args.piChar1, m_args.piChar2}));
        }
        EXPECT_EQ(CCallLog::Only({L"P.", L"Q."}), (std::vector<std::wstring>{L"P." + std::wstring(GetParam().name),
                                                                             L"Q." + std::wstring(GetParam().name)}));
    }

    std::shared_ptr<CAssistantState> m_pA, m_pB;
    CNodeDouble* m_pC1 = nullptr;
    CNodeDouble* m_pC2 = nullptr;
    CheckArgs m_args;
};

TEST_P(ConnectionChecks, AnAssistantBothEndsLeadToIsAskedOnceEvenWhenItAnsweredFalse)
{
    m_pA->Script().AnswerAll(CAnswer::Of(S_FALSE, L"ignored", L"ignored"));
    m_pB->Script().AnswerAll(CAnswer::Of(E_FAIL, L"no", L""));

    EXPECT_EQ(Run(GetParam(), m_args), E_FAIL);

    ExpectEachAskedOnce();
    EXPECT_EQ(Text(m_bstrMsg), L"no");
    EXPECT_EQ(Text(m_bstrDB), L"");
    EXPECT_EQ(BusName(), L"Q");
    EXPECT_EQ(Traces().front(), L"CAssistLayer::" + std::wstring(GetParam().name));
}

TEST_P(ConnectionChecks, EqualAnswersGiveTheEarliest)
{
    EXPECT_EQ(Run(GetParam(), m_args), S_OK);

    ExpectEachAskedOnce();
    EXPECT_EQ(Text(m_bstrMsg), L"");
    EXPECT_EQ(Text(m_bstrDB), L"");
    EXPECT_EQ(BusName(), L"P");
}

TEST_P(ConnectionChecks, AnEndThatLeadsNowhereAddsNoAssistant)
{
    // c1's entity speaks R, which has no assistant: no fall-back to X's P.
    CNodeDouble& mixed = Component(L"Z", {L"R", L"P"});
    m_args.piChar1 = mixed.Entities()[0]->AddCharacteristic(L"c").AsCharacteristic();
    m_args.piChar2 = nullptr;
    EXPECT_EQ(Run(GetParam(), m_args), E_FAIL);
    EXPECT_TRUE(m_bstrMsg.IsNull());
    EXPECT_TRUE(m_bstrDB.IsNull());
    EXPECT_EQ(BusName(), L"");

    m_args.piChar1 = nullptr;
    m_args.piChar2 = m_pC2->AsCharacteristic();
    EXPECT_EQ(Run(GetParam(), m_args), S_OK);
    EXPECT_TRUE(m_pA->Calls().size() == 1 && m_pB->Calls().size() == 1);
}

INSTANTIATE_TEST_SUITE_P(Layer, ConnectionChecks, testing::Values(Check(L"CheckConnect"), Check(L"CheckDisconnect")),
                         [](const testing::TestParamInfo<CheckKind>& info) { return NarrowName(info.param); });
