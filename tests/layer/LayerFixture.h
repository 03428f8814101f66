#pragma once
// A layer on the scripted host, created on first use (so a test can script its
// options first), with its resolution steps and catalogue open to the tests,
// scripted assistants added by hand, and any of its checks run with one
// argument set.
#include <string>
#include <vector>
#include "common/LayerDispatch.h"
#include "layer/AssistLayer.h"
#include "support/Checks.h"
#include "support/DoublesTest.h"

class CTestLayer : public CAssistLayer
{
public:
    using CAssistCommon::m_mapAssistants, CAssistCommon::m_mapErrorDBs, CAssistCommon::m_spProtocolEnum;
    using CAssistLayer::GetAssistFromProtocol, CAssistLayer::GetCommunicationEntityProtocol,
        CAssistLayer::GetComponentFromCharacteristic, CAssistLayer::GetComponentFromProtocol,
        CAssistLayer::GetFirstProtocol, CAssistLayer::GetNextProtocol, CAssistLayer::IsBelowCommunicationEntity;
};

using Texts = std::vector<std::wstring>;

// The text of a string the layer handed out, or "<null>".
inline std::wstring Text(const CBstr& bstr)
{
    return bstr.IsNull() ? L"<null>" : std::wstring(bstr.View());
}

class LayerTest : public DoublesTest
{
protected:
    static void SetUpTestSuite() // the type information stays for the process: loaded before any balance
    {
        Microsoft::WRL::ComPtr<ITypeInfo> sp;
        LayerLibrary::TypeInfo(IID_IAssistLayer2, &sp);
        LayerLibrary::TypeInfo(IID_IAssistLayerTest, &sp);
    }
    void TearDown() override
    {
        m_bstrMsg.Reset();
        m_bstrDB.Reset();
        m_spLayer.Reset();
        DoublesTest::TearDown();
    }
    IAssistLayer2* Layer()
    {
        if (!m_spLayer) {
            EXPECT_EQ(CComObject<CTestLayer>::CreateInstance(IID_IAssistLayer2,
                                                             reinterpret_cast<void**>(m_spLayer.GetAddressOf())),
                      S_OK);
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
    // A new layer with this debug option (2: normal work), initialised on the host.
    void MakeLayer(long lDebug = 2, bool bInit = true)
    {
        Host().registry.SetLong(9, L"LayerOptions", L"Debug", lDebug);
        m_spLayer.Reset();
        if (bInit) {
            ASSERT_EQ(Init(), S_OK);
        }
    }
    // An assistant double named after its protocol, added by hand with error database "db<protocol>".
    std::shared_ptr<CAssistantState> Add(std::wstring_view protocol, AssistantKind kind = AssistantKind::Assist3)
    {
        CAssistantHandle handle = NewAssistant(protocol, kind);
        EXPECT_EQ(TestItf()->Add(CBstr(protocol), CBstr(L"Test.Progid"), handle.spUnknown.Get(),
                                 CBstr(L"db" + std::wstring(protocol))),
                  S_OK);
        return handle.spState;
    }
    // A component with one communication entity per protocol, in this order.
    CNodeDouble& Component(std::wstring_view name, std::initializer_list<std::wstring_view> protocols)
    {
        CNodeDouble& component = Host().AddComponent(name);
        for (std::wstring_view protocol : protocols)
            component.AddCommunicationEntity(protocol);
        return component;
    }
    HRESULT Init() { return Layer()->Init(Host().TopologyDispatch()); }
    // Runs a check into m_bstrMsg and m_bstrDB, with the host's traces cleared first.
    HRESULT Run(const CheckKind& kind, const CheckArgs& args)
    {
        Host().topology.vecEvents.clear();
        // Whatever the host's variables held is overwritten on every path past the gate.
        BSTR const kUnwritten = reinterpret_cast<BSTR>(0x5EED);
        BSTR bstrMsg = kUnwritten, bstrDB = kUnwritten;
        HRESULT hr = CallCheck(Layer(), kind.nSlot, &bstrMsg, args, &bstrDB);
        EXPECT_TRUE(bstrMsg != kUnwritten && bstrDB != kUnwritten);
        m_bstrMsg.Reset(bstrMsg == kUnwritten ? nullptr : bstrMsg);
        m_bstrDB.Reset(bstrDB == kUnwritten ? nullptr : bstrDB);
        return hr;
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
