#pragma once
// A layer on the scripted host, created on first use (so a test can script its
// options first), with its resolution steps and catalogue open to the tests.
#include <string>
#include <vector>
#include "common/TypeInfoCache.h"
#include "layer/AssistLayer.h"
#include "support/DoublesTest.h"

class CTestLayer : public CAssistLayer
{
public:
    using CAssistLayer::GetAssistFromProtocol, CAssistLayer::GetCommunicationEntityProtocol,
        CAssistLayer::GetComponentFromCharacteristic, CAssistLayer::GetComponentFromProtocol,
        CAssistLayer::GetFirstProtocol, CAssistLayer::GetNextProtocol, CAssistLayer::IsBelowCommunicationEntity;
    using CAssistCommon::m_mapAssistants, CAssistCommon::m_mapErrorDBs, CAssistCommon::m_spProtocolEnum;
};

using Texts = std::vector<std::wstring>;

class LayerTest : public DoublesTest
{
protected:
    static void SetUpTestSuite()  // the type information stays for the process: loaded before any balance
    {
        Microsoft::WRL::ComPtr<ITypeInfo> sp;
        GetLayerTypeInfo(IID_IAssistLayer2, &sp);
        GetLayerTypeInfo(IID_IAssistLayerTest, &sp);
    }
    void TearDown() override
    {
        m_spLayer.Reset();
        DoublesTest::TearDown();
    }
    IAssistLayer2* Layer()
    {
        if (!m_spLayer) {
            EXPECT_EQ(CComObject<CTestLayer>::CreateInstance(IID_IAssistLayer2,
                                                             reinterpret_cast<void**>(m_spLayer.GetAddressOf())), S_OK);
        }
        return m_spLayer.Get();
    }
    CTestLayer& Inner() { return *static_cast<CTestLayer*>(Layer()); }
    Microsoft::WRL::ComPtr<IAssistLayerTest> TestItf()
    {
        Microsoft::WRL::ComPtr<IAssistLayerTest> sp;
        Layer()->QueryInterface(IID_IAssistLayerTest, reinterpret_cast<void**>(sp.GetAddressOf()));
        return sp;
    }
    // An assistant double named after its protocol, added by hand.
    std::shared_ptr<CAssistantState> Add(std::wstring_view protocol, AssistantKind kind = AssistantKind::Assist3)
    {
        CAssistantHandle handle = NewAssistant(protocol, kind);
        EXPECT_EQ(TestItf()->Add(CBstr(protocol), CBstr(L"Test.Progid"), handle.spUnknown.Get(), CBstr(L"db")), S_OK);
        return handle.spState;
    }
    HRESULT Init() { return Layer()->Init(Host().TopologyDispatch()); }
    Texts Traces() { return Host().topology.EventTexts(); }
    std::wstring BusName()
    {
        CBstr bstr;
        EXPECT_EQ(Layer()->GetProcessedBusName(bstr.Out()), S_OK);
        return bstr.IsNull() ? L"<null>" : std::wstring(bstr.View());
    }

    Microsoft::WRL::ComPtr<IAssistLayer2> m_spLayer;
};
