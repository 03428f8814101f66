// What every check shares: the debug-option gate, the null out-parameters,
// the checks outside Init and Term, and answers handed to the host unchanged.
#include <optional>
#include "layer/LayerFixture.h"

// Component X speaks P (assistant A); every argument of every check leads to it.
class AnyCheck : public LayerTest, public testing::WithParamInterface<CheckKind>
{
protected:
    void PrepareHost()
    {
        CNodeDouble& component = Component(L"X", {L"P"});
        IComponent* piComponent = component.AsComponent();
        CNodeDouble& characteristic = component.AddCharacteristic(L"c");
        m_args = {piComponent,
                  piComponent,
                  piComponent,
                  1,
                  characteristic.AsCharacteristic(),
                  characteristic.AsCharacteristic(),
                  characteristic.AsPropertyData()};
        m_args.ppCharErr1 = &m_piCharErr1;
        m_args.ppCharErr2 = &m_piCharErr2;
    }
    void MakeLayerWithAssistant(long lDebug)
    {
        MakeLayer(lDebug);
        m_spA = Add(L"P");
    }
    HRESULT RunWithOuts(BSTR* pbstrErrMsg, BSTR* UUIDOfErrorDB)
    {
        Host().topology.vecEvents.clear();
        return CallCheck(Layer(), GetParam().nSlot, pbstrErrMsg, m_args, UUIDOfErrorDB);
    }
    std::wstring TraceOfCheck() const { return L"CAssistLayer::" + std::wstring(GetParam().name); }

    CheckArgs m_args;
    ICharacteristic* m_piCharErr1 = nullptr; // CheckAll only; nobody hands one back here
    ICharacteristic* m_piCharErr2 = nullptr;
    std::shared_ptr<CAssistantState> m_spA;
};

TEST_P(AnyCheck, DebugOptionAnswersBeforeAnythingAndNullStringsAreRefused)
{
    PrepareHost();
    BSTR const kUntouched = reinterpret_cast<BSTR>(0x5EED);
    for (long lDebug : {0L, 1L}) {
        MakeLayerWithAssistant(lDebug);
        BSTR bstrMsg = kUntouched, bstrDB = kUntouched;
        EXPECT_EQ(RunWithOuts(&bstrMsg, &bstrDB), lDebug ? E_FAIL : S_OK);
        EXPECT_EQ(bstrMsg, kUntouched);
        EXPECT_EQ(bstrDB, kUntouched);
        EXPECT_EQ(RunWithOuts(nullptr, nullptr), lDebug ? E_FAIL : S_OK); // not even looked at
        EXPECT_EQ(Traces(), std::vector<std::wstring>{TraceOfCheck()});
        EXPECT_TRUE(m_spA->Calls().empty());
    }

    MakeLayerWithAssistant(2);
    CBstr bstrOut;
    EXPECT_EQ(RunWithOuts(nullptr, bstrOut.Out()), E_POINTER);
    EXPECT_EQ(RunWithOuts(bstrOut.Out(), nullptr), E_POINTER);
    if (GetParam().nSlot == 11) {
        m_args.ppCharErr2 = nullptr;
        EXPECT_EQ(RunWithOuts(bstrOut.Out(), bstrOut.Out()), E_POINTER);
    }
    EXPECT_TRUE(m_spA->Calls().empty());
    EXPECT_EQ(Traces(), std::vector<std::wstring>{TraceOfCheck()});
}

// Without Init, or after Term, no protocol is resolved: no result.
TEST_P(AnyCheck, OutsideInitAndTermNothingIsAsked)
{
    PrepareHost();
    MakeLayerWithAssistant(2);
    ASSERT_EQ(m_spLayer->Term(), S_OK);
    m_spA = Add(L"P");
    for (int nPass = 0; nPass < 2; ++nPass) {
        EXPECT_EQ(Run(GetParam(), m_args), E_FAIL);
        EXPECT_TRUE(m_bstrMsg.IsNull());
        EXPECT_TRUE(m_bstrDB.IsNull());
        EXPECT_EQ(BusName(), L"");
        EXPECT_TRUE(m_spA->Calls().empty());
        // A fresh layer that was never initialised answers the same.
        MakeLayer(2, false);
        m_spA = Add(L"P");
    }
}

// The host gets the assistant's answer as it was: custom codes, null, huge
// and zero-holding texts.
TEST_P(AnyCheck, AnswersReachTheHostUnchanged)
{
    PrepareHost();
    MakeLayerWithAssistant(2);
    const std::wstring huge(1 << 20, L'x');
    const std::wstring zeros(L"a\0b\0", 4);
    struct Case
    {
        HRESULT hr;
        std::optional<std::wstring> optMsg, optErrDB;
        std::wstring msg, errDB;
    };
    const Case cases[] = {
        {S_OK, {}, {}, L"", L""},                                             // empty, not null
        {static_cast<HRESULT>(0x80040200), L"custom", {}, L"custom", L"dbP"}, // its bus's database
        {E_FAIL, huge, zeros, huge, zeros},
        {S_OK, zeros, L"own", zeros, L"own"},
    };
    for (const Case& c : cases) {
        CAnswer answer = CAnswer::Of(c.hr);
        answer.optMsg = c.optMsg;
        answer.optErrDB = c.optErrDB;
        m_spA->Script().AnswerAll(answer);
        EXPECT_EQ(Run(GetParam(), m_args), c.hr);
        EXPECT_TRUE(!m_bstrMsg.IsNull() && m_bstrMsg.View() == c.msg) << m_bstrMsg.Length();
        EXPECT_TRUE(!m_bstrDB.IsNull() && m_bstrDB.View() == c.errDB) << m_bstrDB.Length();
        EXPECT_EQ(BusName(), L"P");
    }
}

INSTANTIATE_TEST_SUITE_P(Layer, AnyCheck, testing::ValuesIn(kChecks),
                         [](const testing::TestParamInfo<CheckKind>& info) { return NarrowName(info.param); });
