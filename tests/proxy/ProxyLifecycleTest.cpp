// The proxy's interfaces, its states from InitEx to Term, the characteristics
// of the whole-project check and its reference count under several threads.
#include <gtest/gtest.h>
#include <atomic>
#include <thread>
#include <vector>
#include "ProxyTestBed.h"
#include "support/TestEnvironment.h"

using Microsoft::WRL::ComPtr;

namespace {

// The error-log rows written since the test began.
class ProxyLogTest : public ProxyTest
{
protected:
    void SetUp() override
    {
        ProxyTest::SetUp();
        m_nLogStart = ReadLog().size();
    }
    static std::string ReadLog() { return FileText(ErrorLogPath()); }
    bool Logged(const std::string& row) const { return ReadLog().find(row, m_nLogStart) != std::string::npos; }
    size_t m_nLogStart = 0;
};

TEST_F(ProxyTest, AnswersTheAssistantInterfacesWithOnePointer)
{
    ComPtr<ISupportErrorInfo> spErrorInfo;
    ASSERT_EQ(Proxy()->QueryInterface(IID_PPV_ARGS(&spErrorInfo)), S_OK);
    struct Row
    {
        const IID* piid;
        const void* pSame;
        HRESULT hrErrorInfo;
    } rows[] = {{&IID_IUnknown, static_cast<IUnknown*>(Proxy()), S_FALSE},
                {&IID_IAssist2, static_cast<IAssist2*>(Proxy()), S_OK},
                {&IID_IAssist3, Proxy(), S_OK},
                {&IID_IDispatch, static_cast<IDispatch*>(Proxy()), S_FALSE},
                {&IID_IAssistLayer2, nullptr, S_FALSE}};
    for (const Row& row : rows) {
        ComPtr<IUnknown> sp;
        EXPECT_EQ(Proxy()->QueryInterface(*row.piid, reinterpret_cast<void**>(sp.GetAddressOf())),
                  row.pSame ? S_OK : E_NOINTERFACE);
        EXPECT_EQ(static_cast<const void*>(sp.Get()), row.pSame);
        EXPECT_EQ(spErrorInfo->InterfaceSupportsErrorInfo(*row.piid), row.hrErrorInfo);
    }
}

TEST_F(ProxyTest, InitAndNewProjectCreatedAreRefusedWithoutATrace)
{
    Bind(L"A");
    ASSERT_EQ(InitEx(), S_OK);
    const size_t nEvents = Traces().size();
    CCallLog::Clear();
    EXPECT_EQ(Proxy()->Init(Host().TopologyDispatch(), nullptr), E_NOTIMPL);
    EXPECT_EQ(Proxy()->NewProjectCreated(), E_NOTIMPL);
    EXPECT_EQ(Traces().size(), nEvents);
    EXPECT_TRUE(CCallLog::Only({L"A."}).empty());
}

TEST_F(ProxyTest, InitExInitialisesEachEntryOfItsSubkeyByWhatItAnswers)
{
    CAssistantClass& a3 = Bind(L"A");
    CAssistantClass& a2 = Bind(L"B", AssistantKind::Assist2);
    CAssistantClass& top = RegisterAssistant(L"T", L"ProxyTest.T", AssistantKind::Assist3);
    Host().registry.SetString(9, L"BindedAssistants", L"P", top.ProgId());
    Host().registry.SetString(9, L"BindedAssistants_ErrDB", L"P", L"db-T");
    IDispatch* pLayer = LayerArg();
    EXPECT_EQ(InitEx(L"P", pLayer), S_OK);
    const std::vector<const void*> passed{Host().TopologyDispatch(), pLayer};
    EXPECT_EQ(CCallLog::Only({L"A.Init", L"B.Init"}), (std::vector<std::wstring>{L"A.InitEx", L"B.Init"}));
    ASSERT_NE(a3.Instance(0).LastCallOf(L"InitEx"), nullptr);
    EXPECT_EQ(a3.Instance(0).LastCallOf(L"InitEx")->vecIn, passed);
    EXPECT_EQ(a3.Instance(0).LastCallOf(L"InitEx")->optProtocol, L"A"); // the entry's own name
    EXPECT_EQ(a2.Instance(0).LastCallOf(L"Init")->vecIn, passed);
    EXPECT_EQ(top.CreateCalls(), 0);
    EXPECT_EQ(Host().query.vecAttached, std::vector<const void*>{Host().Topology()});
}

TEST_F(ProxyLogTest, InitExStopsAtTheFirstFailingAssistantWithItsRow)
{
    Bind(L"A");
    Bind(L"B").Script().Answer(L"InitEx", CAnswer::Of(E_ACCESSDENIED));
    Bind(L"C");
    EXPECT_EQ(InitEx(), E_ACCESSDENIED);
    EXPECT_EQ(CCallLog::Only({L"A.Init", L"B.Init", L"C.Init"}), (std::vector<std::wstring>{L"A.InitEx", L"B.InitEx"}));
    EXPECT_TRUE(Logged("ERROR,CProxyAssistant::InitEx,.\\ProxyAssistant,961,0x80070005,Assistant::Init failed.(B),"));
}

TEST_F(ProxyTest, InitExReturnsTheQueryServicesFailureBeforeLoading)
{
    CAssistantClass& a = Bind(L"A");
    Host().query.hrCreate = REGDB_E_CLASSNOTREG;
    EXPECT_EQ(InitEx(), REGDB_E_CLASSNOTREG);
    Host().query.hrCreate = S_OK;
    Host().query.hrAttach = E_UNEXPECTED;
    EXPECT_EQ(InitEx(), E_UNEXPECTED);
    EXPECT_EQ(a.CreateCalls(), 0);
}

TEST_F(ProxyTest, SecondInitExKeepsTheAssistantsAndStampsTheNewProtocol)
{
    CAssistantClass& a = Bind(L"A");
    CAssistantClass& q = Bind(L"Q1", AssistantKind::Assist3, L"Q");
    ASSERT_EQ(InitEx(L"P"), S_OK);
    EXPECT_EQ(StampedProtocol(), L"P");
    ASSERT_EQ(InitEx(L"Q"), S_OK);
    EXPECT_EQ(StampedProtocol(), L"Q");
    EXPECT_EQ(a.CreateCalls(), 1);
    EXPECT_EQ(q.CreateCalls(), 0);
    ASSERT_EQ(a.Instance(0).CountOf(L"InitEx"), 2u);
    EXPECT_EQ(a.Instance(0).LastCallOf(L"InitEx")->optProtocol, L"A");
    // The first query service is replaced and released, not kept beside the new one.
    EXPECT_EQ(Host().query.lCreated, 2);
    const std::wstring live = CLiveDoubles::Describe();
    EXPECT_NE(live.find(L"query \"query\""), std::wstring::npos);
    EXPECT_EQ(live.find(L"query \"query\""), live.rfind(L"query \"query\""));
    // Failing answers still take the error database of the entry, not of the new name.
    a.Instance(0).Script().Answer(L"CheckDelete", CAnswer::Of(E_FAIL));
    EXPECT_EQ(Proxy()->CheckDelete(m_msg.Out(), nullptr, nullptr, m_db.Out()), E_FAIL);
    EXPECT_EQ(m_db.View(), L"db-A");
}

TEST_F(ProxyTest, TermEndsEveryAssistantAndLeavesOnlyTheProtocol)
{
    EXPECT_EQ(Proxy()->Term(), S_OK); // nothing to end yet
    CAssistantClass& a = Bind(L"A");
    CAssistantClass& b = Bind(L"B");
    ASSERT_EQ(InitEx(), S_OK);
    CCallLog::Clear();
    EXPECT_EQ(Proxy()->Term(), S_OK);
    EXPECT_EQ(CCallLog::Only({L"A.Term", L"B.Term"}), (std::vector<std::wstring>{L"A.Term", L"B.Term"}));
    EXPECT_FALSE(a.Instance(0).IsAlive());
    EXPECT_FALSE(b.Instance(0).IsAlive());
    EXPECT_EQ(Traces().back(), L"CProxyAssistant::Term");
    EXPECT_EQ(Proxy()->CheckDelete(m_msg.Out(), nullptr, nullptr, m_db.Out()), E_FAIL);
    EXPECT_TRUE(m_msg.IsNull() && m_db.IsNull());
    EXPECT_EQ(StampedProtocol(), L"P");
}

TEST_F(ProxyLogTest, FailedTermKeepsTheStateAndTheNextStartsAtTheFirst)
{
    CAssistantClass& a = Bind(L"A");
    CAssistantClass& b = Bind(L"B");
    b.Script().AnswerSequence(L"Term", {CAnswer::Of(E_ABORT), CAnswer::Of(S_OK)});
    ASSERT_EQ(InitEx(), S_OK);
    EXPECT_EQ(Proxy()->Term(), E_ABORT);
    EXPECT_TRUE(Logged("ERROR,CProxyAssistant::Term,.\\ProxyAssistant,54,0x80004004,Assistant::Term failed.(B),"));
    EXPECT_TRUE(a.Instance(0).IsAlive() && b.Instance(0).IsAlive());
    EXPECT_EQ(Proxy()->Term(), S_OK);
    EXPECT_EQ(a.Instance(0).CountOf(L"Term"), 2u);
    EXPECT_EQ(b.Instance(0).CountOf(L"Term"), 2u);
}

// ---- CheckAll's characteristics ----

class ProxyCheckAllTest : public ProxyTest
{
protected:
    HRESULT CheckAll(ICharacteristic** pp1, ICharacteristic** pp2)
    {
        return Proxy()->CheckAll(m_msg.Out(), nullptr, pp1, pp2, m_db.Out());
    }
};

TEST_F(ProxyCheckAllTest, NullCharacteristicSlotGivesEPointerBeforeAnyAssistant)
{
    Bind(L"A");
    ASSERT_EQ(InitEx(), S_OK);
    ICharacteristic* p = nullptr;
    EXPECT_EQ(CheckAll(&p, nullptr), E_POINTER);
    EXPECT_EQ(CheckAll(nullptr, &p), E_POINTER);
    EXPECT_TRUE(CCallLog::Only({L"A.CheckAll"}).empty());
}

TEST_F(ProxyCheckAllTest, EachAssistantSeesWhatTheOneBeforeLeftAndTheWorstIsHandedBack)
{
    CNodeDouble& x = Host().AddItem(L"x");
    CAnswer first = CAnswer::Of(2, L"mild", L"a");
    first.spCharErr1 = x.AsCharacteristic();
    CAnswer second = CAnswer::Of(S_OK);
    second.bLeaveOuts = true;
    CAssistantClass& b = Bind(L"B");
    Bind(L"A").Script().Answer(L"CheckAll", first);
    b.Script().Answer(L"CheckAll", second);
    ASSERT_EQ(InitEx(), S_OK);
    ComPtr<ICharacteristic> sp1, sp2;
    EXPECT_EQ(CheckAll(sp1.GetAddressOf(), sp2.GetAddressOf()), 2);
    EXPECT_EQ(b.Instance(0).LastCallOf(L"CheckAll")->pCharErr1In, x.AsCharacteristic());
    EXPECT_EQ(sp1.Get(), x.AsCharacteristic());
    EXPECT_EQ(sp2.Get(), nullptr);
    EXPECT_EQ(m_msg.View(), L"mild");
}

TEST_F(ProxyCheckAllTest, CallersCharacteristicsAreKeptWithoutAResultAndReplacedWithOne)
{
    CNodeDouble& y = Host().AddItem(L"y");
    CAssistantClass& a = Bind(L"A");
    CAnswer skip = CAnswer::Of(S_FALSE);
    skip.bLeaveOuts = true;
    CAnswer fail = CAnswer::Of(E_FAIL);
    fail.bLeaveOuts = true;
    a.Script().AnswerSequence(L"CheckAll", {skip, fail});
    ASSERT_EQ(InitEx(), S_OK);
    ComPtr<ICharacteristic> sp1 = y.AsCharacteristic(), sp2;
    const ULONG nRefs = y.References();
    EXPECT_EQ(CheckAll(sp1.GetAddressOf(), sp2.GetAddressOf()), E_FAIL);
    EXPECT_EQ(sp1.Get(), y.AsCharacteristic());
    EXPECT_TRUE(m_msg.IsNull());
    EXPECT_EQ(CheckAll(sp1.GetAddressOf(), sp2.GetAddressOf()), E_FAIL);
    EXPECT_EQ(sp1.Get(), y.AsCharacteristic());
    EXPECT_EQ(m_db.View(), L"db-A");
    EXPECT_EQ(y.References(), nRefs);
}

// ---- the reference count ----

TEST_F(ProxyTest, ReferenceCountStaysExactUnderSeveralThreads)
{
    constexpr ULONG kThreads = 2, kRounds = 1000000;
    IAssist3* pProxy = Proxy();
    std::atomic<ULONG> nReady{0};
    auto fnBump = [pProxy, &nReady](bool bAdd) {
        for (++nReady; nReady % kThreads;) { // all start together
        }
        for (ULONG n = 0; n < kRounds; ++n)
            bAdd ? pProxy->AddRef() : pProxy->Release();
    };
    for (bool bAdd : {true, false, true, false, true, false}) {
        std::vector<std::thread> threads;
        for (ULONG i = 0; i < kThreads; ++i)
            threads.emplace_back(fnBump, bAdd);
        for (auto& thread : threads)
            thread.join();
        EXPECT_EQ(pProxy->AddRef(), bAdd ? kThreads * kRounds + 2 : 2u);
        pProxy->Release();
    }
}

} // namespace
