// The nine component checks, each against the same two-protocol component.
#include "layer/LayerFixture.h"

namespace {
// What an assistant of a component check receives, in argument order.
std::vector<const void*> ExpectedIn(int nSlot, CheckArgs args, IComponent* piHandedOn)
{
    args.piComp = piHandedOn;
    return PassedIn(nSlot, args);
}
} // namespace

// Component X speaks P (assistant A) and Q (assistant B); P's attribute
// belongs to component Y.
class TwoProtocols : public LayerTest
{
protected:
    void SetUp() override
    {
        LayerTest::SetUp();
        MakeLayer();
        m_pA = Add(L"P");
        m_pB = Add(L"Q");
        m_pX = &Component(L"X", {L"P", L"Q"});
        m_pY = &Component(L"Y", {});
        m_pX->Entities()[0]->Protocol().SetOwner(m_pY);
        m_args = {Host().AddComponent(L"root").AsComponent(), m_pX->AsComponent(),
                  Host().AddComponent(L"dest").AsComponent(), 7};
        m_args.ppCharErr1 = m_spCharErr1.GetAddressOf();
        m_args.ppCharErr2 = m_spCharErr2.GetAddressOf();
    }
    void TearDown() override
    {
        m_spCharErr1.Reset();
        m_spCharErr2.Reset();
        LayerTest::TearDown();
    }
    // CheckAll walks the root's protocols, every other check its component's.
    HRESULT RunCheck(const CheckKind& kind)
    {
        if (kind.nSlot == 11)
            m_args.piRoot = m_args.piComp;
        return Run(kind, m_args);
    }

    std::shared_ptr<CAssistantState> m_pA, m_pB;
    CNodeDouble* m_pX = nullptr;
    CNodeDouble* m_pY = nullptr;
    CheckArgs m_args;
    Microsoft::WRL::ComPtr<ICharacteristic> m_spCharErr1;
    Microsoft::WRL::ComPtr<ICharacteristic> m_spCharErr2;
};

class ComponentChecks : public TwoProtocols, public testing::WithParamInterface<CheckKind>
{
protected:
    const CheckKind& Kind() const { return GetParam(); }
    // The one call an assistant received for this check.
    void ExpectAsked(const CAssistantState& assistant, IComponent* piHandedOn)
    {
        ASSERT_EQ(assistant.Calls().size(), 1u) << assistant.Name();
        const CAssistCall& call = assistant.Calls()[0];
        EXPECT_EQ(call.strMethod, Kind().name);
        EXPECT_EQ(call.nSlot, Kind().nSlot);
        EXPECT_EQ(call.vecIn, ExpectedIn(Kind().nSlot, m_args, piHandedOn));
        EXPECT_EQ(call.bAsChild, Kind().nSlot >= 13 && Kind().nSlot <= 16 ? 7 : 0);
    }
};

TEST_P(ComponentChecks, AsksEveryProtocolAndAnswersWithTheSelectedResult)
{
    m_pA->Script().AnswerAll(CAnswer::Of(S_OK, L"fine", L"ownDb"));
    CAnswer failure = CAnswer::Of(E_FAIL);
    failure.optMsg = L"broken";
    m_pB->Script().AnswerAll(failure);

    HRESULT hr = RunCheck(Kind());
    const std::vector<std::wstring> traces = Traces();

    ExpectAsked(*m_pA, GetParam().bProtocolComponent ? m_pY->AsComponent() : m_pX->AsComponent());
    ExpectAsked(*m_pB, m_pX->AsComponent());
    const bool bFirst = GetParam().bFirstResult;
    EXPECT_EQ(hr, bFirst ? S_OK : E_FAIL);
    EXPECT_EQ(Text(m_bstrMsg), bFirst ? L"fine" : L"broken");
    EXPECT_EQ(Text(m_bstrDB), bFirst ? L"ownDb" : L"dbQ"); // a failure without a database gets its bus's
    EXPECT_EQ(BusName(), bFirst ? L"P" : L"Q");

    std::vector<std::wstring> expected = {L"CAssistLayer::" + std::wstring(Kind().name),
                                          L"CAssistLayer::GetFirstProtocol"};
    for (const wchar_t* protocol : {L"P", L"Q"}) {
        expected.insert(expected.end(), {protocol, L"CAssistLayer::GetAssistFromProtocol"});
        if (GetParam().bProtocolComponent)
            expected.push_back(L"CAssistLayer::GetComponentFromProtocol");
        expected.insert(expected.end(),
                        {L"CAssistCommon::SelectProperErrorDBforRetval", L"CAssistLayer::GetNextProtocol"});
    }
    expected.insert(expected.end(), {bFirst ? L"CAssistCommon::GetFirstResult" : L"CAssistCommon::GetWorstResult",
                                     L"CAssistCommon::ClearResults"});
    EXPECT_EQ(traces, expected);
}

// Only the first protocol's S_FALSE counts, and only for the edit checks.
TEST_P(ComponentChecks, FirstProtocolFalseIsRefusedOnlyByEditChecks)
{
    const bool bRefused = GetParam().bFirstFalseRefused;
    CAnswer falseWithReason = CAnswer::Of(S_FALSE);
    falseWithReason.optMsg = L"why";
    m_pA->Script().AnswerAll(falseWithReason);
    EXPECT_EQ(RunCheck(Kind()), bRefused ? E_FAIL : S_OK);
    EXPECT_EQ(Text(m_bstrMsg), bRefused ? L"why" : L"");
    EXPECT_EQ(Text(m_bstrDB), L""); // a refused S_FALSE gets no database
    EXPECT_EQ(BusName(), bRefused ? L"P" : L"Q");

    m_pA->Script().AnswerAll(CAnswer::Of(S_OK));
    m_pB->Script().AnswerAll(falseWithReason);
    EXPECT_EQ(RunCheck(Kind()), S_OK);
    EXPECT_EQ(BusName(), L"P");

    m_pA->Script().AnswerAll(CAnswer::Of(S_FALSE));
    EXPECT_EQ(RunCheck(Kind()), E_FAIL);
    EXPECT_EQ(Text(m_bstrMsg), bRefused ? L"" : L"<null>");
    EXPECT_EQ(BusName(), bRefused ? L"P" : L"");
}

TEST_P(ComponentChecks, ProtocolWithoutComponentOfItsOwnHandsOnTheHostsOrWhatItGave)
{
    Host().query.bOwnerQueryEmpty = true;
    m_pX->Entities()[0]->Protocol().SetOwner(nullptr);             // leads to no component: S_FALSE
    m_pX->Entities()[1]->Protocol().hrGetOwningComponent = E_FAIL; // fails: null is handed on

    EXPECT_EQ(RunCheck(Kind()), S_OK);

    ExpectAsked(*m_pA, m_pX->AsComponent());
    ExpectAsked(*m_pB, GetParam().bProtocolComponent ? nullptr : m_pX->AsComponent());
}

TEST_P(ComponentChecks, WalkAsksRepeatedProtocolsAgainAndStopsAtOneWithoutAssistant)
{
    m_args.piComp = Component(L"Z", {L"P", L"P", L"R", L"Q"}).AsComponent();

    EXPECT_EQ(RunCheck(Kind()), S_OK);

    EXPECT_EQ(m_pA->Calls().size(), 2u);
    EXPECT_EQ(m_pB->Calls().size(), 0u);
    EXPECT_EQ(BusName(), L"P");
}

TEST_P(ComponentChecks, ComponentWithoutRootEndsWithNoResult)
{
    m_args.piComp = m_args.piRoot = Host().AddComponent(L"bare", false).AsComponent();

    EXPECT_EQ(RunCheck(Kind()), E_FAIL);

    EXPECT_EQ(Traces()[2], L"Not found Root in Component, call SYSTEM Assistant with __NONE__ bus");
    EXPECT_EQ(Text(m_bstrMsg), L"<null>");
    EXPECT_EQ(Text(m_bstrDB), L"<null>");
    EXPECT_EQ(BusName(), L""); // the walk said "__NONE__"; the check says ""
}

// The nine component checks: all but CheckPropertyChange, CheckConnect and CheckDisconnect.
INSTANTIATE_TEST_SUITE_P(Layer, ComponentChecks,
                         testing::Values(kChecks[0], kChecks[1], kChecks[3], kChecks[4], kChecks[5], kChecks[6],
                                         kChecks[7], kChecks[8], kChecks[11]),
                         [](const testing::TestParamInfo<CheckKind>& info) { return NarrowName(info.param); });

// CheckAll hands back, for each characteristic still held at the end, the
// selected result's; without a result the host keeps its own.
TEST_F(TwoProtocols, CheckAllHandsBackTheSelectedResultsCharacteristics)
{
    ICharacteristic* pSet = Host().AddItem(L"set").AsCharacteristic();
    for (int nEntry = 0; nEntry < 4; ++nEntry) {
        ICharacteristic* pIn1 = nEntry & 1 ? Host().AddItem(L"in1").AsCharacteristic() : nullptr;
        ICharacteristic* pIn2 = nEntry & 2 ? Host().AddItem(L"in2").AsCharacteristic() : nullptr;
        auto answer = [&](HRESULT hr, ICharacteristic* pChar1) {
            CAnswer a = CAnswer::Of(hr);
            a.spCharErr1 = pChar1;
            a.spCharErr2 = pIn2; // the second stays as found
            a.bReleaseFound = true;
            return a;
        };
        CAnswer leaves = CAnswer::Of(S_FALSE);
        leaves.bLeaveOuts = true;
        // A sets the first and fails; B then leaves it, or clears it and succeeds, or nobody answers.
        const struct
        {
            CAnswer a, b;
            ICharacteristic* pOut1;
        } cases[] = {{answer(E_FAIL, pSet), leaves, pSet},
                     {answer(E_FAIL, pSet), answer(S_OK, nullptr), nullptr},
                     {leaves, leaves, pIn1}};
        for (const auto& c : cases) {
            m_spCharErr1 = pIn1;
            m_spCharErr2 = pIn2;
            m_pA->Script().Answer(L"CheckAll", c.a);
            m_pB->Script().Answer(L"CheckAll", c.b);
            EXPECT_EQ(RunCheck(Check(L"CheckAll")), E_FAIL);
            EXPECT_EQ(m_spCharErr1.Get(), c.pOut1) << nEntry;
            EXPECT_EQ(m_spCharErr2.Get(), pIn2) << nEntry;
        }
        EXPECT_EQ(m_pB->Calls()[1].pCharErr1In, pSet); // B sees what A left
    }
}
