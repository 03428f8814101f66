// The proxy forwards every check to the assistants entered under its
// protocol's subkeys, in catalogue order, up to the first failure.
#include <gtest/gtest.h>
#include "proxy/ProxyAssistant.h"
#include "support/Checks.h"
#include "support/DoublesTest.h"

using Microsoft::WRL::ComPtr;
using Texts = std::vector<std::wstring>;

namespace {

class ProxyTest : public DoublesTest
{
protected:
    void SetUp() override
    {
        DoublesTest::SetUp();
        ASSERT_EQ(CComObject<CProxyAssistant>::CreateInstance(IID_PPV_ARGS(&m_spProxy)), S_OK);
        CNodeDouble& root = Host().AddComponent(L"root");
        m_args = ArgsOn(root, Host().AddComponent(L"comp"), Host().AddComponent(L"dest"), root.AddCharacteristic(L"c1"),
                        root.AddCharacteristic(L"c2"), m_spChar1.GetAddressOf(), m_spChar2.GetAddressOf());
    }
    void TearDown() override
    {
        m_spProxy.Reset();
        m_spChar1.Reset(), m_spChar2.Reset(), m_msg.Reset(), m_db.Reset();
        DoublesTest::TearDown();
    }
    HRESULT InitEx() { return m_spProxy->InitEx(Host().TopologyDispatch(), nullptr, CBstr(L"P")); }
    HRESULT Run(const CheckKind& kind)
    {
        return CallCheck(m_spProxy.Get(), kind.nSlot, m_msg.Out(), m_args, m_db.Out());
    }

    ComPtr<IAssist3> m_spProxy;
    CheckArgs m_args{};
    ComPtr<ICharacteristic> m_spChar1, m_spChar2;
    CBstr m_msg, m_db;
};

// Each check, under its own trace text, goes through the table the layer
// shares to the assistants in catalogue order: a failure stops the
// forwarding and takes its entry's error database, and is worse than an
// answer before it; an S_FALSE is passed over, and without any other answer
// the check fails. Ranking among more answers belongs to the random scenarios.
TEST_F(ProxyTest, EachCheckIsForwardedUpToTheFirstFailure)
{
    CAnswer refused = CAnswer::Of(E_INVALIDARG);
    refused.optMsg = L"refused";
    const CAnswer skip = CAnswer::Of(S_FALSE, L"skip", L"x");
    const struct
    {
        const char* name;
        CAnswer a, b;
        HRESULT hr;
        std::wstring msg, db;
        bool bBothAsked;
    } cases[] = {
        {"failure", refused, CAnswer::Of(S_OK), E_INVALIDARG, L"refused", L"db A 9", false},
        {"false, then an answer", skip, CAnswer::Of(S_OK, L"ok", L"y"), S_OK, L"ok", L"y", true},
        {"false only", skip, skip, E_FAIL, L"<null>", L"<null>", true},
        {"an answer, then a failure", CAnswer::Of(S_OK, L"ok", L"y"), refused, E_INVALIDARG, L"refused", L"db B 9",
         true},
    };
    CAssistantClass& a = BindAssistant(L"A", L"ProxyTest.A", L"P");
    CAssistantClass& b = BindAssistant(L"B", L"ProxyTest.B", L"P");
    ASSERT_EQ(InitEx(), S_OK);
    for (const auto& c : cases) {
        a.Instance(0).Script().AnswerAll(c.a);
        b.Instance(0).Script().AnswerAll(c.b);
        for (const CheckKind& kind : kChecks) {
            SCOPED_TRACE(c.name + (" " + NarrowName(kind)));
            CCallLog::Clear();
            Host().topology.vecEvents.clear();
            EXPECT_EQ(Run(kind), c.hr);
            EXPECT_EQ(Host().topology.EventTexts().front(), L"CProxyAssistant::" + std::wstring(kind.name));
            EXPECT_EQ(Text(m_msg), c.msg);
            EXPECT_EQ(Text(m_db), c.db);
            Texts asked{L"A." + std::wstring(kind.name)};
            if (c.bBothAsked)
                asked.push_back(L"B." + std::wstring(kind.name));
            EXPECT_EQ(CCallLog::Only({L"A.C", L"B.C"}), asked);
        }
    }
}

// CheckAll: each assistant sees what the one before it left; the worst
// answer's characteristics replace the caller's, no answer keeps them.
TEST_F(ProxyTest, CheckAllHandsOnTheCharacteristicsFromAssistantToAssistant)
{
    CNodeDouble& x = Host().AddItem(L"x");
    CNodeDouble& y = Host().AddItem(L"y");
    CAnswer first = CAnswer::Of(2, L"mild", L"a");
    first.spCharErr1 = x.AsCharacteristic();
    first.bReleaseFound = true;
    CAnswer leaves = CAnswer::Of(S_FALSE);
    leaves.bLeaveOuts = true;
    CAssistantClass& a = BindAssistant(L"A", L"ProxyTest.A", L"P");
    CAssistantClass& b = BindAssistant(L"B", L"ProxyTest.B", L"P");
    a.Script().AnswerSequence(L"CheckAll", {first, leaves});
    b.Script().Answer(L"CheckAll", leaves);
    ASSERT_EQ(InitEx(), S_OK);
    m_spChar1 = y.AsCharacteristic();
    const ULONG cRefs = y.References();
    EXPECT_EQ(Run(Check(L"CheckAll")), 2);
    EXPECT_EQ(b.Instance(0).LastCallOf(L"CheckAll")->pCharErr1In, x.AsCharacteristic());
    EXPECT_EQ(m_spChar1.Get(), x.AsCharacteristic());
    EXPECT_EQ(y.References(), cRefs - 1);
    m_spChar1 = y.AsCharacteristic();
    EXPECT_EQ(Run(Check(L"CheckAll")), E_FAIL);
    EXPECT_EQ(m_spChar1.Get(), y.AsCharacteristic());
    EXPECT_EQ(y.References(), cRefs);
}

TEST_F(ProxyTest, InitAndNewProjectCreatedAreRefusedAndErrorInfoIsForTheAssistantInterfaces)
{
    EXPECT_EQ(m_spProxy->Init(Host().TopologyDispatch(), nullptr), E_NOTIMPL);
    EXPECT_EQ(m_spProxy->NewProjectCreated(), E_NOTIMPL);
    EXPECT_TRUE(Host().topology.vecEvents.empty());
    ComPtr<ISupportErrorInfo> sp;
    ASSERT_EQ(m_spProxy.As(&sp), S_OK);
    for (const auto& [piid, hr] :
         {std::pair{&IID_IAssist2, S_OK}, {&IID_IAssist3, S_OK}, {&IID_IDispatch, S_FALSE}, {&IID_IUnknown, S_FALSE}})
        EXPECT_EQ(sp->InterfaceSupportsErrorInfo(*piid), hr);
}

} // namespace
