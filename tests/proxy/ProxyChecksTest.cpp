// The twelve forwarded checks, one row each, run through the same cases.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>
#include "ProxyTestBed.h"

namespace {

struct CheckArgs
{
    IComponent *pRoot, *pComp, *pDest;
    ICharacteristic *pChar1, *pChar2;
    IPropertyData* pData;
    VARIANT vValue;
    LONG bAsChild;
};
using Passed = std::vector<const void*>;
using CheckCall = HRESULT (*)(IAssist3*, BSTR*, BSTR*, const CheckArgs&, Passed*);
struct CheckRow
{
    const char* name;
    CheckCall call;   // makes the call and says which pointers it passed on
};

#define DRAG_ROW(M)                                                                   \
    {#M, [](IAssist3* p, BSTR* m, BSTR* d, const CheckArgs& a, Passed* in) {          \
         *in = {a.pRoot, a.pComp, a.pDest};                                           \
         return p->M(m, a.pRoot, a.pComp, a.pDest, a.bAsChild, d);                   \
     }}
#define THREE_ROW(M, X, Y)                                                            \
    {#M, [](IAssist3* p, BSTR* m, BSTR* d, const CheckArgs& a, Passed* in) {          \
         *in = {a.pRoot, a.X, a.Y};                                                   \
         return p->M(m, a.pRoot, a.X, a.Y, d);                                        \
     }}

const CheckRow kRows[] = {
    {"CheckNewDevice", [](IAssist3* p, BSTR* m, BSTR* d, const CheckArgs& a, Passed* in) {
         *in = {a.pComp};
         return p->CheckNewDevice(m, a.pComp, d);
     }},
    {"CheckAll", [](IAssist3* p, BSTR* m, BSTR* d, const CheckArgs& a, Passed* in) {
         *in = {a.pRoot};
         Microsoft::WRL::ComPtr<ICharacteristic> sp1, sp2;
         return p->CheckAll(m, a.pRoot, sp1.GetAddressOf(), sp2.GetAddressOf(), d);
     }},
    {"CheckPropertyChange", [](IAssist3* p, BSTR* m, BSTR* d, const CheckArgs& a, Passed* in) {
         *in = {a.pRoot, a.pData};
         return p->CheckPropertyChange(m, a.pRoot, a.pData, a.vValue, d);
     }},
    DRAG_ROW(CheckInsertDrag), DRAG_ROW(CheckInsertDrop), DRAG_ROW(CheckMoveDrag), DRAG_ROW(CheckMoveDrop),
    THREE_ROW(CheckReplaceDrag, pComp, pDest), THREE_ROW(CheckReplaceDrop, pComp, pDest),
    THREE_ROW(CheckConnect, pChar1, pChar2), THREE_ROW(CheckDisconnect, pChar1, pChar2),
    {"CheckDelete", [](IAssist3* p, BSTR* m, BSTR* d, const CheckArgs& a, Passed* in) {
         *in = {a.pRoot, a.pComp};
         return p->CheckDelete(m, a.pRoot, a.pComp, d);
     }},
};

class ProxyCheckTest : public ProxyTest, public testing::WithParamInterface<CheckRow>
{
protected:
    void SetUp() override
    {
        ProxyTest::SetUp();
        CNodeDouble& root = Host().AddComponent(L"root");
        m_args = {root.AsComponent(), Host().AddComponent(L"comp").AsComponent(),
                  Host().AddComponent(L"dest").AsComponent(), root.AddCharacteristic(L"c1").AsCharacteristic(),
                  root.AddCharacteristic(L"c2").AsCharacteristic(), Host().AddItem(L"data").AsPropertyData(),
                  {}, 7};
        m_args.vValue.vt = VT_BSTR;
        m_args.vValue.bstrVal = m_value.Get();
    }
    std::wstring Method() const { return std::wstring(GetParam().name, GetParam().name + strlen(GetParam().name)); }
    // Two assistants "A" and "B" under P, each with its own answer.
    void TwoAssistants(CAnswer a, CAnswer b)
    {
        m_pA = &Bind(L"A");
        m_pB = &Bind(L"B");
        m_pA->Script().Answer(Method(), std::move(a));
        m_pB->Script().Answer(Method(), std::move(b));
        ASSERT_EQ(InitEx(), S_OK);
    }
    HRESULT Check() { return GetParam().call(Proxy(), m_msg.Out(), m_db.Out(), m_args, &m_passed); }
    std::vector<std::wstring> Asked() { return CCallLog::Only({L"A." + Method(), L"B." + Method()}); }
    std::vector<std::wstring> Both() { return {L"A." + Method(), L"B." + Method()}; }

    CBstr m_value{std::wstring(L"v\0w", 3)};
    CheckArgs m_args{};
    Passed m_passed;
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
        EXPECT_EQ(pCall->vecIn, m_passed);
        EXPECT_EQ(pCall->bAsChild, m_passed.size() == 3 && pCall->nSlot <= 16 ? 7 : 0);
        if (pCall->nSlot == 12) {
            EXPECT_EQ(pCall->vValueBits.bstrVal, m_value.Get());   // passed on, not copied
            EXPECT_EQ(pCall->optValueText, std::wstring(L"v\0w", 3));
        }
    }
    EXPECT_EQ(m_msg.View(), L"fine");   // equal ranks: the earlier answer wins
    EXPECT_EQ(m_db.View(), L"own");
    auto traces = Traces();
    EXPECT_EQ(std::count(traces.begin(), traces.end(), L"CProxyAssistant::" + Method()), 1);
}

TEST_P(ProxyCheckTest, NullStringSlotsGiveEPointerBeforeAnyAssistant)
{
    TwoAssistants(CAnswer::Of(S_OK), CAnswer::Of(S_OK));
    BSTR bstr = nullptr;
    EXPECT_EQ(GetParam().call(Proxy(), nullptr, &bstr, m_args, &m_passed), E_POINTER);
    EXPECT_EQ(GetParam().call(Proxy(), &bstr, nullptr, m_args, &m_passed), E_POINTER);
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
    Host().errorDb.mapClassByCode = {{2, 2}, {3, 1}};   // rank 1, then rank 2
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

INSTANTIATE_TEST_SUITE_P(Each, ProxyCheckTest, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<CheckRow>& info) { return std::string(info.param.name); });

// The debug option answers before any argument is looked at.
class ProxyGateTest : public ProxyTest, public testing::WithParamInterface<std::tuple<CheckRow, long>>
{
};

TEST_P(ProxyGateTest, DebugOptionAnswersAtOnceAndLeavesTheSlotsAlone)
{
    const auto& [row, lDebug] = GetParam();
    Host().registry.SetLong(9, L"LayerOptions", L"Debug", lDebug);
    Bind(L"A");
    ASSERT_EQ(InitEx(), S_OK);
    BSTR sentinel = reinterpret_cast<BSTR>(0x10);
    BSTR bstrMsg = sentinel, bstrDB = sentinel;
    CheckArgs args{};
    Passed passed;
    EXPECT_EQ(row.call(Proxy(), nullptr, nullptr, args, &passed), lDebug == 0 ? S_OK : E_FAIL);
    EXPECT_EQ(row.call(Proxy(), &bstrMsg, &bstrDB, args, &passed), lDebug == 0 ? S_OK : E_FAIL);
    EXPECT_EQ(bstrMsg, sentinel);
    EXPECT_EQ(bstrDB, sentinel);
    EXPECT_EQ(CCallLog::Only({L"A.Check"}).size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Each, ProxyGateTest, testing::Combine(testing::ValuesIn(kRows), testing::Values(0L, 1L)),
                         [](const testing::TestParamInfo<std::tuple<CheckRow, long>>& info) {
                             return std::string(std::get<0>(info.param).name) + "_Debug" +
                                    std::to_string(std::get<1>(info.param));
                         });

}   // namespace
