#pragma once
// A layer on the scripted host, reached through its interfaces only, with
// assistant doubles added through its test interface, and any check run with
// one argument set.
#include <string>
#include <vector>
#include "layer/AssistLayer.h"
#include "support/Checks.h"
#include "support/DoublesTest.h"

using Texts = std::vector<std::wstring>;

// The layer with its protocol walk open to the tests.
struct CLayerProbe : CAssistLayer
{
    using CAssistLayer::GetFirstProtocol;
};

class LayerTest : public DoublesTest
{
protected:
    void TearDown() override
    {
        m_bstrMsg.Reset(), m_bstrDB.Reset(), m_spLayer.Reset();
        DoublesTest::TearDown();
    }
    void SetUp() override
    {
        DoublesTest::SetUp();
        ASSERT_EQ(CComObject<CLayerProbe>::CreateInstance(IID_PPV_ARGS(&m_spLayer)), S_OK);
    }
    IAssistLayer2* Layer() { return m_spLayer.Get(); }
    HRESULT Add(BSTR protocol, BSTR progId, IUnknown* punk, BSTR errDB)
    {
        Microsoft::WRL::ComPtr<IAssistLayerTest> sp;
        EXPECT_EQ(Layer()->QueryInterface(IID_PPV_ARGS(&sp)), S_OK);
        return sp->Add(protocol, progId, punk, errDB);
    }
    // An assistant double named after its protocol, error database "db<protocol>".
    std::shared_ptr<CAssistantState> Add(std::wstring_view protocol)
    {
        CAssistantHandle handle = NewAssistant(protocol, AssistantKind::Assist3);
        EXPECT_EQ(Add(CBstr(protocol), CBstr(L"Test.P"), handle.spUnknown.Get(), CBstr(L"db" + std::wstring(protocol))),
                  S_OK);
        return handle.spState;
    }
    HRESULT Init() { return Layer()->Init(Host().TopologyDispatch()); }
    // Runs a check into m_bstrMsg and m_bstrDB, with the host's events cleared first.
    HRESULT Run(const CheckKind& kind, const CheckArgs& args)
    {
        Host().topology.vecEvents.clear();
        return CallCheck(Layer(), kind.nSlot, m_bstrMsg.Out(), args, m_bstrDB.Out());
    }
    Texts Traces() { return Host().topology.EventTexts(); }
    std::wstring BusName()
    {
        CBstr bstr;
        EXPECT_EQ(Layer()->GetProcessedBusName(bstr.Out()), S_OK);
        return Text(bstr);
    }

    Microsoft::WRL::ComPtr<IAssistLayer2> m_spLayer;
    CBstr m_bstrMsg;
    CBstr m_bstrDB;
};
