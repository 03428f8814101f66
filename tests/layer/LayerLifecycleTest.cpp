// The layer's life: Init, Term, NewProjectCreated, the processed bus name,
// Add, the debug-option gate, its interfaces and late binding.
#include "layer/LayerFixture.h"
#include "support/TestEnvironment.h"

using Microsoft::WRL::ComPtr;

namespace {
int LogRowsWith(const std::string& text) // how often the error log holds text so far
{
    const std::string content = FileText(ErrorLogPath());
    int n = 0;
    for (size_t pos = content.find(text); pos != std::string::npos; pos = content.find(text, pos + 1))
        ++n;
    return n;
}
} // namespace

class LayerLifecycleTest : public LayerTest
{
protected:
    CAssistantClass& Registered(const wchar_t* protocol, AssistantKind kind = AssistantKind::Assist3)
    {
        std::wstring progId = std::wstring(L"Test.Lifecycle.") + protocol;
        Host().registry.SetString(9, L"BindedAssistants", protocol, progId);
        Host().registry.SetString(9, L"BindedAssistants_ErrDB", protocol, L"db");
        return RegisterAssistant(protocol, progId, kind);
    }
};

TEST_F(LayerLifecycleTest, InitHandsEveryAssistantTheLayerInOrdinalOrderAndTermEndsIt)
{
    CAssistantClass& lowerA = Registered(L"a", AssistantKind::Assist2);
    CAssistantClass& upperB = Registered(L"B");
    EXPECT_EQ(Init(), S_OK);
    EXPECT_EQ(CCallLog::Only({L"a.Init", L"B.Init"}), (Texts{L"B.InitEx", L"a.Init"}));
    const std::vector<const void*> expected{Host().TopologyDispatch(), static_cast<IDispatch*>(Layer())};
    EXPECT_EQ(upperB.Instance(0).LastCallOf(L"InitEx")->vecIn, expected);
    EXPECT_EQ(*upperB.Instance(0).LastCallOf(L"InitEx")->optProtocol, L"B");
    EXPECT_EQ(lowerA.Instance(0).LastCallOf(L"Init")->vecIn, expected);
    EXPECT_EQ(Layer()->Term(), S_OK);
    EXPECT_EQ(Init(), S_OK); // the registry again, new assistants
    EXPECT_EQ(upperB.CreateCalls(), 2);
    // An Init without topology traces to nobody: the topology is taken after the trace.
    const wchar_t* load = L"CAssistCommon::LoadAssistants";
    EXPECT_EQ(Traces(), (Texts{load, load, load, L"CAssistLayer::Term", load, load, load}));
}

TEST_F(LayerLifecycleTest, AFailingAssistantStopsInitAndTheNextInitStartsAgainWithoutReloading)
{
    Registered(L"R"); // never read: Add has filled the catalogue
    Add(L"A");
    Add(L"B");
    auto spC = Add(L"C");
    Add(L"D");
    spC->Script().Answer(L"InitEx", CAnswer::Of(E_ACCESSDENIED));
    const std::string row = "ERROR,CAssistLayer::Init,.\\AssistLayer,124,0x80070005,Assistant::Init failed.(C)";
    const int nRows = LogRowsWith(row);
    EXPECT_EQ(Init(), E_ACCESSDENIED);
    EXPECT_EQ(LogRowsWith(row), nRows + 1);
    spC->Script().Answer(L"InitEx", CAnswer::Of(S_OK));
    EXPECT_EQ(Init(), S_OK);
    EXPECT_EQ(CCallLog::Only({L"A.", L"B.", L"C.", L"D."}),
              (Texts{L"A.InitEx", L"B.InitEx", L"C.InitEx", L"A.InitEx", L"B.InitEx", L"C.InitEx", L"D.InitEx"}));
    EXPECT_EQ(Host().query.lCreated, 2);
    for (const std::wstring& call : Host().registry.vecLog)
        EXPECT_EQ(call.find(L"BindedAssistants"), std::wstring::npos);
}

TEST_F(LayerLifecycleTest, InitReturnsTheFailureOfTheQueryServiceAndCallsNoAssistant)
{
    Add(L"P");
    Host().query.hrCreate = REGDB_E_CLASSNOTREG;
    EXPECT_EQ(Init(), REGDB_E_CLASSNOTREG);
    Host().query.hrCreate = S_OK;
    Host().query.hrAttach = E_UNEXPECTED;
    EXPECT_EQ(Init(), E_UNEXPECTED);
    EXPECT_EQ(CCallLog::Only({L"P."}), Texts{});
}

TEST_F(LayerLifecycleTest, TermFailingKeepsEverythingAndALaterTermStartsAtTheFirst)
{
    auto spA = Add(L"A");
    auto spB = Add(L"B");
    spB->Script().Answer(L"Term", CAnswer::Of(E_FAIL));
    EXPECT_EQ(Init(), S_OK);
    EXPECT_EQ(Layer()->Term(), E_FAIL);
    EXPECT_EQ(Layer()->NewProjectCreated(), S_OK);
    spB->Script().Answer(L"Term", CAnswer::Of(S_OK));
    EXPECT_EQ(Layer()->Term(), S_OK);
    EXPECT_EQ(CCallLog::Only({L"A.Term", L"B.Term", L"A.New", L"B.New"}),
              (Texts{L"A.Term", L"B.Term", L"A.NewProjectCreated", L"B.NewProjectCreated", L"A.Term", L"B.Term"}));
    EXPECT_FALSE(spA->IsAlive());
    EXPECT_TRUE(Inner().m_mapErrorDBs.empty());
    EXPECT_EQ(Layer()->NewProjectCreated(), S_OK);
}

TEST_F(LayerLifecycleTest, ReleasingTheLayerWithoutTermReleasesTheAssistantsUnterminated)
{
    auto spA = Add(L"A");
    EXPECT_EQ(Init(), S_OK);
    m_spLayer.Reset();
    EXPECT_FALSE(spA->IsAlive());
    EXPECT_EQ(spA->Methods(), Texts{L"InitEx"});
}

TEST_F(LayerLifecycleTest, DebugOptionsZeroAndOneAnswerAtOnceWhileInitAndTermWork)
{
    for (long lDebug : {0L, 1L}) {
        Host().registry.SetLong(9, L"LayerOptions", L"Debug", lDebug);
        m_spLayer.Reset();
        auto spA = Add(L"A");
        EXPECT_EQ(Init(), S_OK);
        BSTR bstrUntouched = reinterpret_cast<BSTR>(0x1234);
        EXPECT_EQ(Layer()->NewProjectCreated(), lDebug ? E_FAIL : S_OK);
        EXPECT_EQ(Layer()->GetProcessedBusName(&bstrUntouched), lDebug ? E_FAIL : S_OK);
        EXPECT_EQ(bstrUntouched, reinterpret_cast<BSTR>(0x1234));
        EXPECT_EQ(Layer()->Term(), S_OK);
        EXPECT_EQ(spA->Methods(), (Texts{L"InitEx", L"Term"})) << lDebug;
    }
}

TEST_F(LayerLifecycleTest, AddRefusesMissingArgumentsAndLeavesTheCatalogue)
{
    CAssistantHandle assistant = NewAssistant(L"X", AssistantKind::Assist3);
    CAssistantHandle notAssistant = NewAssistant(L"Y", AssistantKind::NoAssist2);
    CBstr t(L"t"), empty(L""), zeroFirst(std::wstring_view(L"\0x", 2));
    IUnknown* pX = assistant.spUnknown.Get();
    struct Row
    {
        BSTR protocol, progId;
        IUnknown* punk;
        BSTR errDB;
        HRESULT hr;
    } rows[] = {{nullptr, t, pX, t, E_INVALIDARG},
                {empty, t, pX, t, E_INVALIDARG},
                {zeroFirst, t, pX, t, E_INVALIDARG},
                {t, empty, pX, t, E_INVALIDARG},
                {t, t, pX, zeroFirst, E_INVALIDARG},
                {t, t, nullptr, t, E_INVALIDARG},
                {t, t, notAssistant.spUnknown.Get(), t, E_NOINTERFACE}};
    for (const Row& row : rows)
        EXPECT_EQ(TestItf()->Add(row.protocol, row.progId, row.punk, row.errDB), row.hr);
    EXPECT_TRUE(Inner().m_mapAssistants.empty() && Inner().m_mapErrorDBs.empty());
    EXPECT_EQ(BusName(), L"<null>"); // no walk yet
    EXPECT_EQ(Layer()->GetProcessedBusName(nullptr), S_OK);
}

TEST_F(LayerLifecycleTest, AddForTheSameProtocolReplacesAndReleasesTheFirst)
{
    const std::wstring_view protocol(L"P\0Q", 3);
    auto spFirst = Add(protocol);
    CAssistantHandle second = NewAssistant(L"second", AssistantKind::Assist2);
    EXPECT_EQ(TestItf()->Add(CBstr(protocol), CBstr(L"p"), second.spUnknown.Get(), CBstr(L"other")), S_OK);
    EXPECT_FALSE(spFirst->IsAlive());
    ASSERT_EQ(Inner().m_mapAssistants.size(), 1u);
    EXPECT_EQ(Inner().m_mapAssistants.begin()->first, protocol);
    EXPECT_EQ(Inner().m_mapAssistants.begin()->second.Get(), second.Assist2());
    EXPECT_EQ(Inner().m_mapErrorDBs.at(std::wstring(protocol)), L"other");
}

TEST_F(LayerLifecycleTest, AnswersItsOwnInterfacesOnly)
{
    struct Row
    {
        const IID* piid;
        HRESULT hr;
        bool bPrimary;
    } rows[] = {{&IID_IUnknown, S_OK, true},           {&IID_IAssistLayer2, S_OK, true},
                {&IID_IDispatch, S_OK, true},          {&IID_IAssistLayerTest, S_OK, false},
                {&IID_IAssist2, E_NOINTERFACE, false}, {&IID_IAssist3, E_NOINTERFACE, false}};
    for (const Row& row : rows) {
        ComPtr<IUnknown> sp;
        EXPECT_EQ(Layer()->QueryInterface(*row.piid, reinterpret_cast<void**>(sp.GetAddressOf())), row.hr);
        EXPECT_EQ(sp.Get() == static_cast<IUnknown*>(Layer()), row.bPrimary);
    }
}

TEST_F(LayerLifecycleTest, LateBindingFindsTheMethodsAndReachesThem)
{
    ComPtr<IAssistLayerTest> spTest = TestItf();
    struct Row
    {
        IDispatch* pDisp;
        const wchar_t* name;
        DISPID id;
    } rows[] = {{Layer(), L"Init", 1},
                {Layer(), L"CheckDelete", 15},
                {Layer(), L"GetProcessedBusName", 16},
                {spTest.Get(), L"Add", 1}};
    for (const Row& row : rows) {
        DISPID id = 0;
        LPOLESTR name = const_cast<LPOLESTR>(row.name);
        EXPECT_EQ(row.pDisp->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
        EXPECT_EQ(id, row.id);
    }
    auto invoke = [](IDispatch* pDisp, DISPID id, VARIANT* pArgs, UINT cArgs) {
        DISPPARAMS params{pArgs, nullptr, cArgs, 0};
        return pDisp->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    };
    CAssistantHandle assistant = NewAssistant(L"P", AssistantKind::Assist3);
    CBstr db(L"db"), progId(L"Test.P"), protocol(L"P"), bstrBus;
    VARIANT add[4] = {}, topology = {}, bus = {}; // the arguments of Add in reverse
    add[0].vt = add[2].vt = add[3].vt = VT_BSTR;
    add[0].bstrVal = db, add[2].bstrVal = progId, add[3].bstrVal = protocol;
    add[1].vt = VT_UNKNOWN, add[1].punkVal = assistant.spUnknown.Get();
    topology.vt = VT_DISPATCH, topology.pdispVal = Host().TopologyDispatch();
    bus.vt = VT_BYREF | VT_BSTR, bus.pbstrVal = bstrBus.Out();
    EXPECT_EQ(invoke(spTest.Get(), 1, add, 4), S_OK);
    EXPECT_EQ(invoke(Layer(), 1, &topology, 1), S_OK);
    EXPECT_EQ(assistant.spState->Methods(), Texts{L"InitEx"});
    CNodeDouble& device = Host().AddComponent(L"dev");
    device.AddCommunicationEntity(L"P");
    ComPtr<IPropertyData> spNode;
    EXPECT_EQ(Inner().GetFirstProtocol(device.AsComponent(), &spNode, nullptr), S_OK);
    EXPECT_EQ(invoke(Layer(), 16, &bus, 1), S_OK);
    EXPECT_EQ(bstrBus.View(), L"P");
}
