// A host's whole session through the registered module: Init, a check and
// Term against the host and assistant doubles, the layer created by ProgID.
#include <windows.h>
#include <gtest/gtest.h>
#include <wrl/client.h>
#include "LayerLib2.h"
#include "ModuleClient.h"
#include "common/Bstr.h"
#include "support/DoublesTest.h"

using Microsoft::WRL::ComPtr;

class ModuleCycle : public DoublesTest
{
protected:
    static void SetUpTestSuite() { ASSERT_EQ(RunRegsvr32(false), 0u); }

    ComPtr<IAssistLayer2> CreateLayer()
    {
        CLSID clsid = GUID_NULL;
        EXPECT_EQ(CLSIDFromProgID(L"Zerani.Layer.AssistLayer.7", &clsid), S_OK);
        ComPtr<IAssistLayer2> spLayer;
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IAssistLayer2, &spLayer), S_OK);
        return spLayer;
    }
};

TEST_F(ModuleCycle, InitCheckAndTermReachTheConfiguredAssistant)
{
    m_bCheckMemory = false;   // the process's one layer keeps its last bus name
    CAssistantClass& assistant = RegisterAssistant(L"BusA", L"LayerTest.Module.BusA.1");
    Host().registry.BindAssistant(9, L"BusA", assistant.ProgId(), L"DB.BusA");
    assistant.Script().Answer(L"CheckNewDevice", CAnswer::Of(E_FAIL, L"address taken", L"DB.BusA.Address"));
    CNodeDouble& device = Host().AddComponent(L"Dev1");
    device.AddCommunicationEntity(L"BusA");

    ComPtr<IAssistLayer2> spLayer = CreateLayer();
    ASSERT_TRUE(spLayer);
    ASSERT_EQ(spLayer->Init(Host().TopologyDispatch()), S_OK);
    CBstr bstrMsg, bstrErrDB, bstrBus;
    EXPECT_EQ(spLayer->CheckNewDevice(bstrMsg.Out(), device.AsComponent(), bstrErrDB.Out()), E_FAIL);
    EXPECT_EQ(bstrMsg.View(), L"address taken");
    EXPECT_EQ(bstrErrDB.View(), L"DB.BusA.Address");
    EXPECT_EQ(spLayer->GetProcessedBusName(bstrBus.Out()), S_OK);
    EXPECT_EQ(bstrBus.View(), L"BusA");
    EXPECT_EQ(spLayer->Term(), S_OK);

    ASSERT_EQ(assistant.Instances().size(), 1u);
    const CAssistantState& state = assistant.Instance(0);
    EXPECT_EQ(state.Methods(), (std::vector<std::wstring>{L"InitEx", L"CheckNewDevice", L"Term"}));
    EXPECT_EQ(state.LastCallOf(L"InitEx")->optProtocol, std::optional<std::wstring>(L"BusA"));
    spLayer.Reset();
    EXPECT_FALSE(state.IsAlive());   // Term let go of the assistant
}
