// The doubles hang together: a component's protocols come back through the
// query class registered with the COM runtime, and everything is released.
#include <wrl/client.h>
#include "support/DoublesTest.h"

using Microsoft::WRL::ComPtr;

class DoublesSmoke : public DoublesTest {};

TEST_F(DoublesSmoke, QueryGivesProtocolsOfComponent)
{
    CNodeDouble& device = Host().AddComponent(L"Dev1");
    device.AddCommunicationEntity(L"PROFIBUS");
    device.AddCommunicationEntity(std::wstring(L"PN\0X", 4));
    ComPtr<NewZUR::IDataQuery> spQuery;
    ASSERT_EQ(CoCreateInstance(NewZUR::CLSID_DataQuery, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&spQuery)), S_OK);
    ASSERT_EQ(spQuery->Attach(Host().Topology()), S_OK);
    ComPtr<NewZUR::IDataQueryResult> spResult;
    CBstr path(kProtocolPath);
    ASSERT_EQ(spQuery->Select(device.Root().AsPropertyData(), path, &spResult), S_OK);
    std::vector<std::wstring> protocols;
    for (;;) {
        ComPtr<IDispatch> spItem;
        long lFound = -1;
        spResult->Next(&spItem, &lFound);
        if (!lFound)
            break;
        ComPtr<NewZUR::IPropertyData> spData;
        ASSERT_EQ(spItem.As(&spData), S_OK);
        CVariant v;
        ASSERT_EQ(spData->GetValue(v.Out()), S_OK);
        protocols.emplace_back(BstrView(v.bstrVal));
    }
    EXPECT_EQ(protocols, (std::vector<std::wstring>{L"PROFIBUS", std::wstring(L"PN\0X", 4)}));
}
