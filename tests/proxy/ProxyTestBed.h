#pragma once
// A proxy over assistant doubles entered under the subkeys of a protocol.
#include <string>
#include <string_view>
#include <wrl/client.h>
#include "com/Owners.h"
#include "proxy/ProxyAssistant.h"
#include "support/DoublesTest.h"

// Lets a test read the protocol the proxy stamps its results with.
class CProxyProbe : public CProxyAssistant
{
public:
    const std::wstring& Protocol() const { return m_strProtocol; }
};

class ProxyTest : public DoublesTest
{
protected:
    void TearDown() override
    {
        m_spProxy.Reset();
        m_msg.Reset();
        m_db.Reset();
        DoublesTest::TearDown();
    }

    // An assistant class entered as name under protocol, error database "db-<name>".
    CAssistantClass& Bind(const std::wstring& name, AssistantKind kind = AssistantKind::Assist3,
                          const std::wstring& protocol = L"P")
    {
        CAssistantClass& c = RegisterAssistant(name, L"ProxyTest." + name, kind);
        Host().registry.SetString(9, L"BindedAssistants\\" + protocol, name, c.ProgId());
        Host().registry.SetString(9, L"BindedAssistants_ErrDB\\" + protocol, name, L"db-" + name);
        return c;
    }
    IAssist3* Proxy()
    {
        if (!m_spProxy) {
            EXPECT_EQ(CComObject<CProxyProbe>::CreateInstance(IID_PPV_ARGS(&m_spProxy)), S_OK);
        }
        return m_spProxy.Get();
    }
    const std::wstring& StampedProtocol() { return static_cast<CProxyProbe*>(Proxy())->Protocol(); }
    IDispatch* LayerArg() { return Host().AddItem(L"layer").AsPropertyData(); }
    HRESULT InitEx(std::wstring_view protocol = L"P", IDispatch* pdispLayer = nullptr)
    {
        CBstr bstrProtocol(protocol);
        return Proxy()->InitEx(Host().TopologyDispatch(), pdispLayer, bstrProtocol);
    }
    std::vector<std::wstring> Traces() { return Host().topology.EventTexts(); }

    Microsoft::WRL::ComPtr<IAssist3> m_spProxy;
    CBstr m_msg, m_db; // what the checks hand out
};
