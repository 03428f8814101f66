// What only the layer has: Add, NewProjectCreated and the processed bus name.
#include <algorithm>
#include "layer/LayerFixture.h"

TEST_F(LayerTest, AddRefusesMissingArgumentsAndAnObjectThatIsNoAssistant)
{
    CAssistantHandle assistant = NewAssistant(L"X", AssistantKind::Assist3);
    CAssistantHandle notAssistant = NewAssistant(L"Y", AssistantKind::NoAssist2);
    CBstr t(L"t"), empty(L""), zeroFirst(std::wstring_view(L"\0x", 2));
    IUnknown* pX = assistant.spUnknown.Get();
    const struct
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
    for (const auto& row : rows)
        EXPECT_EQ(Add(row.protocol, row.progId, row.punk, row.errDB), row.hr);
    EXPECT_EQ(Layer()->GetProcessedBusName(nullptr), S_OK);
    EXPECT_EQ(Init(), S_OK);
    EXPECT_TRUE(assistant.spState->Calls().empty());
}

// Names are taken whole, zeros included; a second Add for a protocol replaces
// the first assistant and its error database.
TEST_F(LayerTest, AddForTheSameProtocolReplacesTheFirst)
{
    const std::wstring protocol(L"P\0Q", 3);
    auto spFirst = Add(protocol);
    CAssistantHandle second = NewAssistant(L"second", AssistantKind::Assist2);
    EXPECT_EQ(Add(CBstr(protocol), CBstr(L"p"), second.spUnknown.Get(), CBstr(L"other")), S_OK);
    EXPECT_FALSE(spFirst->IsAlive());
    EXPECT_EQ(Init(), S_OK);
    second.spState->Script().AnswerAll(CAnswer::Of(E_FAIL));
    EXPECT_EQ(Run(Check(L"CheckDelete"), {nullptr, Host().AddComponent(L"dev", {protocol}).AsComponent()}), E_FAIL);
    EXPECT_EQ(Text(m_bstrDB), L"other");
    EXPECT_EQ(BusName(), protocol);
    const Texts traces = Traces();
    EXPECT_NE(std::find(traces.begin(), traces.end(), protocol), traces.end()); // traced whole
}

TEST_F(LayerTest, NewProjectCreatedTellsEveryAssistantUpToTheFirstFailure)
{
    auto spA = Add(L"A");
    auto spB = Add(L"B");
    auto spC = Add(L"C");
    EXPECT_EQ(Init(), S_OK);
    Host().topology.vecEvents.clear();
    EXPECT_EQ(Layer()->NewProjectCreated(), S_OK);
    spB->Script().Answer(L"NewProjectCreated", CAnswer::Of(E_ABORT));
    EXPECT_EQ(Layer()->NewProjectCreated(), E_ABORT);
    EXPECT_EQ(CCallLog::Only({L"A.N", L"B.N", L"C.N"}),
              (Texts{L"A.NewProjectCreated", L"B.NewProjectCreated", L"C.NewProjectCreated", L"A.NewProjectCreated",
                     L"B.NewProjectCreated"}));
    EXPECT_EQ(BusName(), L"<null>");
    EXPECT_EQ(Traces(), (Texts{L"CAssistLayer::NewProjectCreated", L"CAssistLayer::NewProjectCreated",
                               L"CAssistLayer::GetProcessedBusName"}));
}
