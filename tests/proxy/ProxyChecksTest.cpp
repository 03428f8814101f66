// The twelve forwarded checks, one row each, run through the same cases.
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>
#include "ProxyTestBed.h"
#include "support/Checks.h"

namespace {

class ProxyCheckTest : public ProxyTest, public testing::WithParamInterface<CheckKind>
{
protected:
    void SetUp() override
    {
        ProxyTest::SetUp();
        CNodeDouble& root = Host().AddComponent(L"root");
        m_args = {root.AsComponent(),
                  Host().AddComponent(L"comp").AsComponent(),
                  Host().AddComponent(L"dest").AsComponent(),
                  7,
                  root.AddCharacteristic(L"c1").AsCharacteristic(),
                  root.AddCharacteristic(L"c2").AsCharacteristic(),
                  Host().AddItem(L"data").AsPropertyData()};
        m_args.ppCharErr1 = m_spChar1.GetAddressOf();
        m_args.ppCharErr2 = m_spChar2.GetAddressOf();
        m_args.vValue.vt = VT_BSTR;
        m_args.vValue.bstrVal = m_value.Get();
    }
    std::wstring Method() const { return GetParam().name; }
    // Two assistants "A" and "B" under P, each with its own answer.
    void TwoAssistants(CAnswer a, CAnswer b)
    {
        m_pA = &Bind(L"A");
        m_pB = &Bind(L"B");
        m_pA->Script().Answer(Method(), std::move(a));
        m_pB->Script().Answer(Method(), std::move(b));
        ASSERT_EQ(InitEx(), S_OK);
    }
    HRESULT Check() { return CallCheck(Proxy(), GetParam().nSlot, m_msg.Out(), m_args, m_db.Out()); }
    std::vector<std::wstring> Asked() { return CCallLog::Only({L"A." + Method(), L"B." + Method()}); }
    std::vector<std::wstring> Both() { return {L"A." + Method(), L"B." + Method()}; }

    CBstr m_value{std::wstring(L"v\0w", 3)};
    CheckArgs m_args{};
    Microsoft::WRL::ComPtr<ICharacteristic> m_spChar1, m_spChar2;
    CAssistantClass *m_pA = nullptr, *m_pB = nullptr;
};

TEST_P(ProxyCheckTest, AsksEveryAssistantInOrderWithTheArgumentsUnchanged)
{
    TwoAssistants(CAnswer::Of(S_OK, L"fine", L"own"), CAnswer::Of(S_OK, L"also", L"own-b"));
    EXPECT_EQ(Check(), S_OK);
    EXPECT_EQ(Asked(), Both());
    for (CAssistantClass* pClass : {m_pA, m_pB}) {
        const CAssistCall* pCall = pClass->Instance(0).LastCallOf(Method());
        ASSERT_NE(pCall, nullptr);
        EXPECT_EQ(pCall->vecIn, PassedIn(GetParam().nSlot, m_args));
        EXPECT_EQ(pCall->bAsChild, pCall->nSlot >= 13 && pCall->nSlot <= 16 ? 7 : 0);
        if (pCall->nSlot == 12) {
            EXPECT_EQ(pCall->vValueBits.bstrVal, m_value.Get()); // passed on, not copied
            EXPECT_EQ(pCall->optValueText, std::wstring(L"v\0w", 3));
        }
    }
    EXPECT_EQ(m_msg.View(), L"fine"); // equal ranks: the earlier answer wins
    EXPECT_EQ(m_db.View(), L"own");
    auto traces = Traces();
    EXPECT_EQ(std::count(traces.begin(), traces.end(), L"CProxyAssistant::" + Method()), 1);
}

TEST_P(ProxyCheckTest, NullStringSlotsGiveEPointerBeforeAnyAssistant)
{
    TwoAssistants(CAnswer::Of(S_OK), CAnswer::Of(S_OK));
    BSTR bstr = nullptr;
    EXPECT_EQ(CallCheck(Proxy(), GetParam().nSlot, nullptr, m_args, &bstr), E_POINTER);
    EXPECT_EQ(CallCheck(Proxy(), GetParam().nSlot, &bstr, m_args, nullptr), E_POINTER);
    EXPECT_TRUE(Asked().empty());
}

TEST_P(ProxyCheckTest, FirstNegativeAnswerStopsTheWalkAndGetsItsEntrysErrorDatabase)
{
    CAnswer failing = CAnswer::Of(E_INVALIDARG);
    failing.optMsg = L"refused";
    TwoAssistants(failing, CAnswer::Of(S_OK));
    EXPECT_EQ(Check(), E_INVALIDARG);
    EXPECT_EQ(Asked(), std::vector<std::wstring>{L"A." + Method()});
    EXPECT_EQ(m_msg.View(), L"refused");
    EXPECT_EQ(m_db.View(), L"db-A");
}

TEST_P(ProxyCheckTest, SFalseIsNeverRecordedEvenFromTheFirstAssistant)
{
    TwoAssistants(CAnswer::Of(S_FALSE, L"skip", L"x"), CAnswer::Of(S_OK, L"ok", L"y"));
    EXPECT_EQ(Check(), S_OK);
    EXPECT_EQ(m_msg.View(), L"ok");
    m_pB->Script().Answer(Method(), CAnswer::Of(S_FALSE, L"skip", L"x"));
    Host().errorDb.vecCalls.clear();
    EXPECT_EQ(Check(), E_FAIL);
    EXPECT_TRUE(m_msg.IsNull());
    EXPECT_TRUE(m_db.IsNull());
    EXPECT_TRUE(Host().errorDb.vecCalls.empty());
}

TEST_P(ProxyCheckTest, ReturnsTheWorstAnswerNotTheFirst)
{
    Host().errorDb.mapClassByCode = {{2, 2}, {3, 1}}; // rank 1, then rank 2
    TwoAssistants(CAnswer::Of(2, L"mild", L"a"), CAnswer::Of(3, L"severe", L"b"));
    EXPECT_EQ(Check(), 3);
    EXPECT_EQ(Asked(), Both());
    EXPECT_EQ(m_msg.View(), L"severe");
    EXPECT_EQ(m_db.View(), L"b");
}

TEST_P(ProxyCheckTest, EmptyCatalogueGivesEFailWithNullStrings)
{
    EXPECT_EQ(InitEx(L"unbound"), S_OK);
    EXPECT_EQ(Check(), E_FAIL);
    EXPECT_TRUE(m_msg.IsNull());
    EXPECT_TRUE(m_db.IsNull());
}

// The debug option answers before any argument is looked at.
TEST_P(ProxyCheckTest, DebugOptionAnswersAtOnceAndLeavesTheSlotsAlone)
{
    Bind(L"A");
    for (long lDebug : {0L, 1L}) {
        Host().registry.SetLong(9, L"LayerOptions", L"Debug", lDebug);
        m_spProxy.Reset();
        ASSERT_EQ(InitEx(), S_OK);
        BSTR sentinel = reinterpret_cast<BSTR>(0x10);
        BSTR bstrMsg = sentinel, bstrDB = sentinel;
        const CheckArgs args{};
        EXPECT_EQ(CallCheck(Proxy(), GetParam().nSlot, nullptr, args, nullptr), lDebug == 0 ? S_OK : E_FAIL);
        EXPECT_EQ(CallCheck(Proxy(), GetParam().nSlot, &bstrMsg, args, &bstrDB), lDebug == 0 ? S_OK : E_FAIL);
        EXPECT_EQ(bstrMsg, sentinel);
        EXPECT_EQ(bstrDB, sentinel);
        EXPECT_EQ(CCallLog::Only({L"A.Check"}).size(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Each, ProxyCheckTest, testing::ValuesIn(kChecks),
                         [](const testing::TestParamInfo<CheckKind>& info) { return NarrowName(info.param); });

} // namespace
