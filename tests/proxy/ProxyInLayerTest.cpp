// A proxy standing in the layer's catalogue for one protocol, with two
// assistants of its own behind it.
#include <gtest/gtest.h>
#include "ProxyTestBed.h"
#include "layer/AssistLayer.h"

using Microsoft::WRL::ComPtr;

TEST_F(ProxyTest, LayerCheckReachesBothAssistantsBehindTheProxyAndReturnsTheWorst)
{
    CAssistantClass& mild = Bind(L"P1");
    CAssistantClass& severe = Bind(L"P2");
    Host().errorDb.mapClassByCode = {{2, 2}, {3, 1}}; // rank 1, then rank 2
    mild.Script().Answer(L"CheckDelete", CAnswer::Of(2, L"mild", L"a"));
    severe.Script().Answer(L"CheckDelete", CAnswer::Of(3, L"severe", L"b"));

    ComPtr<IAssistLayer2> spLayer;
    ComPtr<IAssistLayerTest> spAdd;
    ASSERT_EQ(CComObject<CAssistLayer>::CreateInstance(IID_PPV_ARGS(&spLayer)), S_OK);
    ASSERT_EQ(spLayer.As(&spAdd), S_OK);
    ASSERT_EQ(spAdd->Add(CBstr(L"P"), CBstr(L"ProxyTest.Proxy"), Proxy(), CBstr(L"db-P")), S_OK);
    ASSERT_EQ(spLayer->Init(Host().TopologyDispatch()), S_OK);
    EXPECT_EQ(StampedProtocol(), L"P"); // the layer named the proxy's protocol

    CNodeDouble& device = Host().AddComponent(L"device");
    device.AddCommunicationEntity(L"P");
    EXPECT_EQ(
        spLayer->CheckDelete(m_msg.Out(), Host().AddComponent(L"root").AsComponent(), device.AsComponent(), m_db.Out()),
        3);
    EXPECT_EQ(CCallLog::Only({L"P1.CheckDelete", L"P2.CheckDelete"}),
              (std::vector<std::wstring>{L"P1.CheckDelete", L"P2.CheckDelete"}));
    EXPECT_EQ(m_msg.View(), L"severe");
    EXPECT_EQ(m_db.View(), L"b");

    EXPECT_EQ(spLayer->Term(), S_OK);
    EXPECT_EQ(CCallLog::Only({L"P1.Term", L"P2.Term"}), (std::vector<std::wstring>{L"P1.Term", L"P2.Term"}));
}
