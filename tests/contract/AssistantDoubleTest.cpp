// Assistant doubles registered under a ProgID are created by the COM runtime,
// answer as scripted and record what they were given.
#include <wrl/client.h>
#include "support/DoublesTest.h"

using Microsoft::WRL::ComPtr;

class AssistantDouble : public DoublesTest
{
protected:
    static HRESULT Create(const wchar_t* progId, REFIID riid, void** ppv)
    {
        CLSID clsid;
        HRESULT hr = CLSIDFromProgID(progId, &clsid);
        return FAILED(hr) ? hr : CoCreateInstance(clsid, nullptr, CLSCTX_ALL, riid, ppv);
    }
};

TEST_F(AssistantDouble, RegisteredClassesCreateInstancesOfTheirKind)
{
    CAssistantClass& a3 = RegisterAssistant(L"A", L"Test.Doubles.A", AssistantKind::Assist3);
    CAssistantClass& a2 = RegisterAssistant(L"B", L"Test.Doubles.B", AssistantKind::Assist2);
    CAssistantClass& none = RegisterAssistant(L"C", L"Test.Doubles.C", AssistantKind::NoAssist2);

    ComPtr<IAssist2> spFirst, spSecond, spOld;
    ASSERT_EQ(Create(L"Test.Doubles.A", IID_PPV_ARGS(&spFirst)), S_OK);
    ASSERT_EQ(Create(L"Test.Doubles.A", IID_PPV_ARGS(&spSecond)), S_OK);
    EXPECT_NE(spFirst.Get(), spSecond.Get());
    ComPtr<IAssist3> spAssist3;
    EXPECT_EQ(spFirst.As(&spAssist3), S_OK);
    EXPECT_EQ(static_cast<IAssist2*>(spAssist3.Get()), spFirst.Get());
    ASSERT_EQ(Create(L"Test.Doubles.B", IID_PPV_ARGS(&spOld)), S_OK);
    EXPECT_EQ(spOld.As(&spAssist3), E_NOINTERFACE);
    ComPtr<IAssist2> spNone;
    EXPECT_EQ(Create(L"Test.Doubles.C", IID_PPV_ARGS(&spNone)), E_NOINTERFACE);

    ASSERT_EQ(a3.Instances().size(), 2u);
    EXPECT_EQ(a3.Instance(1).Name(), L"A#2");
    EXPECT_EQ(a3.Instance(0).References(), 1u);
    EXPECT_EQ(a2.Instance(0).Kind(), AssistantKind::Assist2);
    EXPECT_FALSE(none.Instance(0).IsAlive());
    spFirst.Reset();
    spAssist3.Reset();
    EXPECT_FALSE(a3.Instance(0).IsAlive());

    a2.hrCreate = E_OUTOFMEMORY;
    EXPECT_EQ(Create(L"Test.Doubles.B", IID_PPV_ARGS(&spOld)), E_OUTOFMEMORY);
    EXPECT_EQ(a2.CreateCalls(), 2);
    EXPECT_EQ(a2.Instances().size(), 1u);
    EXPECT_EQ(Create(L"Test.Doubles.Unknown", IID_PPV_ARGS(&spOld)), CO_E_CLASSSTRING);
}

TEST_F(AssistantDouble, AnswersAsScriptedAndRecordsArguments)
{
    CAssistantClass& assistants = RegisterAssistant(L"A", L"Test.Doubles.A");
    CNodeDouble& device = Host().AddComponent(L"Dev1");
    CNodeDouble& port = device.AddCharacteristic(L"Port");
    const std::wstring huge(1 << 19, L'x');  // a 1 MB message
    const std::wstring zeros(L"a\0b", 3);
    CAnswer all = CAnswer::Of(E_FAIL, huge, zeros);
    all.spCharErr1 = port.AsCharacteristic();
    assistants.Script().Answer(L"CheckAll", all);
    assistants.Script().AnswerSequence(L"CheckDelete", {CAnswer::Of(S_FALSE), CAnswer::Of(E_ABORT)});

    ComPtr<IAssist3> spAssist;
    ASSERT_EQ(Create(L"Test.Doubles.A", IID_PPV_ARGS(&spAssist)), S_OK);
    CAssistantState& a = assistants.Instance(0);
    EXPECT_EQ(spAssist->InitEx(Host().TopologyDispatch(), nullptr, CBstr(zeros)), S_OK);

    CBstr msg, errDB;
    ComPtr<ICharacteristic> spChar1, spChar2;
    ICharacteristic* pStale = port.AsCharacteristic();  // what the slot held
    spChar2 = pStale;
    ICharacteristic* pIn2 = spChar2.Detach();
    EXPECT_EQ(spAssist->CheckAll(msg.Out(), device.AsComponent(), &spChar1, &pIn2, errDB.Out()), E_FAIL);
    pStale->Release();
    EXPECT_EQ(msg.View(), huge);
    EXPECT_EQ(errDB.View(), zeros);
    EXPECT_EQ(spChar1.Get(), port.AsCharacteristic());
    EXPECT_EQ(pIn2, nullptr);

    EXPECT_EQ(spAssist->CheckDelete(msg.Out(), nullptr, device.AsComponent(), errDB.Out()), S_FALSE);
    EXPECT_TRUE(msg.IsNull());
    EXPECT_EQ(spAssist->CheckDelete(msg.Out(), nullptr, device.AsComponent(), errDB.Out()), E_ABORT);
    EXPECT_EQ(spAssist->CheckDelete(msg.Out(), nullptr, device.AsComponent(), errDB.Out()), E_ABORT);

    CVariant value = CVariant::String(zeros);
    EXPECT_EQ(spAssist->CheckPropertyChange(nullptr, nullptr, port.AsPropertyData(), value, nullptr), S_OK);
    EXPECT_EQ(spAssist->CheckMoveDrop(msg.Out(), nullptr, device.AsComponent(), nullptr, 7, errDB.Out()), S_OK);

    EXPECT_EQ(a.Methods(), (std::vector<std::wstring>{L"InitEx", L"CheckAll", L"CheckDelete", L"CheckDelete",
                                                       L"CheckDelete", L"CheckPropertyChange", L"CheckMoveDrop"}));
    const CAssistCall& initEx = a.Calls()[0];
    EXPECT_EQ(initEx.nSlot, 22);
    EXPECT_EQ(initEx.vecIn, (std::vector<const void*>{Host().TopologyDispatch(), nullptr}));
    EXPECT_EQ(initEx.optProtocol, std::optional<std::wstring>(zeros));
    const CAssistCall& checkAll = a.Calls()[1];
    EXPECT_EQ(checkAll.nSlot, 11);
    EXPECT_EQ(checkAll.pCharErr1In, nullptr);
    EXPECT_EQ(checkAll.pCharErr2In, pStale);
    const CAssistCall* pChange = a.LastCallOf(L"CheckPropertyChange");
    EXPECT_TRUE(pChange->bErrMsgOutNull && pChange->bErrDBOutNull);
    EXPECT_EQ(pChange->vValueBits.bstrVal, value.bstrVal);
    EXPECT_EQ(pChange->optValueText, std::optional<std::wstring>(zeros));
    EXPECT_EQ(pChange->vecIn, (std::vector<const void*>{nullptr, port.AsPropertyData()}));
    EXPECT_EQ(a.LastCallOf(L"CheckMoveDrop")->bAsChild, 7);
    EXPECT_EQ(a.LastCallOf(L"CheckMoveDrop")->nSlot, 16);
}

TEST_F(AssistantDouble, OneLogOrdersCallsAcrossObjects)
{
    RegisterAssistant(L"A", L"Test.Doubles.A", AssistantKind::Assist3);
    RegisterAssistant(L"B", L"Test.Doubles.B", AssistantKind::Assist2);
    ComPtr<IAssist3> spA;
    ComPtr<IAssist2> spB;
    ASSERT_EQ(Create(L"Test.Doubles.A", IID_PPV_ARGS(&spA)), S_OK);
    ASSERT_EQ(Create(L"Test.Doubles.B", IID_PPV_ARGS(&spB)), S_OK);
    spB->Init(nullptr, nullptr);
    CVariant v1 = CVariant::Long(5275), v2 = CVariant::String(std::wstring(L"t\0u", 3));
    EXPECT_EQ(Host().Topology()->FireControlEvent(5165, 0, 5173, v1, v2, 0), S_OK);
    spA->InitEx(nullptr, nullptr, nullptr);
    EXPECT_EQ(CCallLog::Without({L"query.", L"context."}),
              (std::vector<std::wstring>{L"A.Create", L"B.Create", L"B.Init", L"host.FireControlEvent", L"A.InitEx"}));
    ASSERT_EQ(Host().topology.vecEvents.size(), 1u);
    const CControlEvent& event = Host().topology.vecEvents[0];
    EXPECT_EQ(event.lEvent, 5165);
    EXPECT_EQ(event.lParam2, 5173);
    EXPECT_EQ(event.arg1.Type(), VT_I4);
    EXPECT_EQ(event.arg1.Long(), 5275);
    EXPECT_EQ(Host().topology.EventTexts(), (std::vector<std::wstring>{std::wstring(L"t\0u", 3)}));
}
