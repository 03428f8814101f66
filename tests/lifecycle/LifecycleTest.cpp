// The life the layer and the proxy share: Init (the proxy's InitEx) loads the
// catalogue once and starts every assistant, Term ends them all, and every
// Init takes the topology it is given.
#include <type_traits>
#include "layer/AssistLayer.h"
#include "proxy/ProxyAssistant.h"
#include "support/DoublesTest.h"
#include "support/TestEnvironment.h"

using Microsoft::WRL::ComPtr;
using Texts = std::vector<std::wstring>;

namespace {

template <class T>
class Lifecycle : public DoublesTest
{
protected:
    static constexpr bool kLayer = std::is_same_v<T, CAssistLayer>;
    using Itf = std::conditional_t<kLayer, IAssistLayer2, IAssist3>;
    static constexpr const wchar_t* kInit = kLayer ? L"CAssistLayer::Init" : L"CProxyAssistant::InitEx";
    static constexpr const wchar_t* kTerm = kLayer ? L"CAssistLayer::Term" : L"CProxyAssistant::Term";
    static constexpr const wchar_t* kLoad = L"CAssistCommon::LoadAssistants";
    // Where assistants are bound: the layer reads the main keys, the proxy
    // the subkeys of its protocol "P".
    static constexpr const wchar_t* kSub = kLayer ? L"" : L"P";

    void SetUp() override
    {
        DoublesTest::SetUp();
        ASSERT_EQ(CComObject<T>::CreateInstance(kLayer ? IID_IAssistLayer2 : IID_IAssist3,
                                                reinterpret_cast<void**>(m_sp.GetAddressOf())),
                  S_OK);
    }
    void TearDown() override
    {
        m_sp.Reset();
        if (m_spSecondHost)
            m_spSecondHost->Dispose();
        DoublesTest::TearDown();
    }
    Itf* Object() { return m_sp.Get(); }
    HRESULT Init(IDispatch* pdispTopology)
    {
        if constexpr (kLayer)
            return Object()->Init(pdispTopology);
        else
            return Object()->InitEx(pdispTopology, LayerArg(), CBstr(L"P"));
    }
    HRESULT Init() { return Init(Host().TopologyDispatch()); }
    // What the assistants get as their layer: the layer itself, or what the proxy was handed.
    IDispatch* LayerArg()
    {
        if constexpr (kLayer)
            return static_cast<IDispatch*>(Object());
        if (!m_pLayerArg)
            m_pLayerArg = Host().AddItem(L"layer").AsPropertyData();
        return m_pLayerArg;
    }
    IDispatch* SecondTopology()
    {
        m_spSecondHost = CHostDouble::Create();
        return m_spSecondHost->TopologyDispatch();
    }
    bool Logged(const std::string& row) { return FileText(ErrorLogPath()).find(row, m_nLogStart) != std::string::npos; }

    ComPtr<Itf> m_sp;
    IDispatch* m_pLayerArg = nullptr;
    std::shared_ptr<CHostDouble> m_spSecondHost;
    size_t m_nLogStart = FileText(ErrorLogPath()).size();
};

using Classes = testing::Types<CAssistLayer, CProxyAssistant>;
TYPED_TEST_SUITE(Lifecycle, Classes);

// A failing Term keeps everything, and the next starts at the first again.
TYPED_TEST(Lifecycle, InitStartsEachAssistantByWhatItAnswersAndTermEndsThem)
{
    CAssistantClass& lower = this->BindAssistant(L"a", L"Test.Life.a", this->kSub, AssistantKind::Assist2);
    CAssistantClass& upper = this->BindAssistant(L"B", L"Test.Life.B", this->kSub);
    lower.Script().AnswerSequence(L"Term", {CAnswer::Of(E_ABORT), CAnswer::Of(S_OK)});
    EXPECT_EQ(this->Init(), S_OK);
    EXPECT_EQ(this->Init(), S_OK); // the catalogue is kept, the assistants start again
    const std::vector<const void*> passed{this->Host().TopologyDispatch(), this->LayerArg()};
    EXPECT_EQ(upper.Instance(0).LastCallOf(L"InitEx")->vecIn, passed);
    EXPECT_EQ(*upper.Instance(0).LastCallOf(L"InitEx")->optProtocol, L"B");
    EXPECT_EQ(lower.Instance(0).LastCallOf(L"Init")->vecIn, passed);
    EXPECT_EQ(this->Object()->Term(), E_ABORT);
    EXPECT_EQ(this->Logged("ERROR,CProxyAssistant::Term,.\\ProxyAssistant,54,0x80004004,Assistant::Term failed.(a),"),
              !this->kLayer);
    EXPECT_TRUE(lower.Instance(0).IsAlive() && upper.Instance(0).IsAlive());
    EXPECT_EQ(this->Object()->Term(), S_OK);
    EXPECT_EQ(CCallLog::Only({L"a.", L"B."}), (Texts{L"a.Create", L"B.Create", L"B.InitEx", L"a.Init", L"B.InitEx",
                                                     L"a.Init", L"B.Term", L"a.Term", L"B.Term", L"a.Term"}));
    EXPECT_FALSE(lower.Instance(0).IsAlive() || upper.Instance(0).IsAlive());
    // The first Init's own event goes before its topology is taken.
    EXPECT_EQ(this->Host().topology.EventTexts(),
              (Texts{this->kLoad, this->kLoad, this->kLoad, this->kInit, this->kTerm, this->kTerm}));
    BSTR bstrMsg = nullptr, bstrDB = nullptr; // after Term nobody is asked
    EXPECT_EQ(this->Object()->CheckNewDevice(&bstrMsg, nullptr, &bstrDB), E_FAIL);
    EXPECT_TRUE(!bstrMsg && !bstrDB);
}

TYPED_TEST(Lifecycle, EveryInitTakesItsTopologyAndLetsTheOldOneGo)
{
    CAssistantClass& a = this->BindAssistant(L"A", L"Test.Life.A", this->kSub);
    IDispatch* pFirst = this->Host().TopologyDispatch();
    IDispatch* pSecond = this->SecondTopology();
    const ULONG cFirst = RefCount(pFirst), cSecond = RefCount(pSecond);
    ASSERT_EQ(this->Init(pFirst), S_OK);
    ASSERT_EQ(this->Init(pSecond), S_OK);
    EXPECT_EQ(a.Instance(0).LastCallOf(L"InitEx")->vecIn[0], pSecond);
    EXPECT_EQ(RefCount(pFirst), cFirst);
    ASSERT_EQ(this->Init(nullptr), S_OK);
    EXPECT_EQ(a.Instance(0).LastCallOf(L"InitEx")->vecIn[0], nullptr);
    EXPECT_EQ(RefCount(pSecond), cSecond);
    EXPECT_EQ(this->Object()->Term(), S_OK); // traced to nobody
    EXPECT_EQ(this->Host().topology.EventTexts(), (Texts{this->kLoad, this->kLoad, this->kLoad, this->kInit}));
    EXPECT_EQ(this->m_spSecondHost->topology.EventTexts(), Texts{this->kInit});
    EXPECT_EQ(this->Host().query.vecAttached,
              (std::vector<const void*>{this->Host().Topology(), this->m_spSecondHost->Topology(), nullptr}));
}

// The query service's failure stops Init before loading; a failing assistant
// stops it after loading, and the next Init starts them again without reloading.
TYPED_TEST(Lifecycle, AFailingStepStopsInitAndTheNextStartsAgainWithoutReloading)
{
    CAssistantClass& a = this->BindAssistant(L"A", L"Test.Life.A", this->kSub);
    CAssistantClass& b = this->BindAssistant(L"B", L"Test.Life.B", this->kSub);
    b.Script().AnswerSequence(L"InitEx", {CAnswer::Of(E_ACCESSDENIED), CAnswer::Of(S_OK)});
    this->BindAssistant(L"C", L"Test.Life.C", this->kSub);
    this->Host().query.hrCreate = REGDB_E_CLASSNOTREG;
    EXPECT_EQ(this->Init(), REGDB_E_CLASSNOTREG);
    this->Host().query.hrCreate = S_OK;
    this->Host().query.hrAttach = E_UNEXPECTED;
    EXPECT_EQ(this->Init(), E_UNEXPECTED);
    EXPECT_EQ(a.CreateCalls(), 0);
    this->Host().query.hrAttach = S_OK;
    EXPECT_EQ(this->Init(), E_ACCESSDENIED);
    EXPECT_TRUE(this->Logged(this->kLayer ? "ERROR,CAssistLayer::Init,.\\AssistLayer,124,0x80070005,Assistant::Init "
                                            "failed.(B),"
                                          : "ERROR,CProxyAssistant::InitEx,.\\ProxyAssistant,961,0x80070005,"
                                            "Assistant::Init failed.(B),"));
    EXPECT_EQ(this->Init(), S_OK);
    EXPECT_EQ(CCallLog::Only({L"A.I", L"B.I", L"C.I"}),
              (Texts{L"A.InitEx", L"B.InitEx", L"A.InitEx", L"B.InitEx", L"C.InitEx"}));
    EXPECT_EQ(a.CreateCalls(), 1);
}

} // namespace
