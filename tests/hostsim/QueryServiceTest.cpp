// The query service, the data items and the components of the simulated plant.
#include "hostsim/Plant.h"
#include <vector>

namespace {

class QueryServiceTest : public testing::Test
{
protected:
    static void SetUpTestSuite() { RegisterSimulatorServers(); }
    void SetUp() override
    {
        ASSERT_EQ(LoadProject(ExampleFile(L"plant.xml"), m_spProject), S_OK);
        ASSERT_EQ(CoCreateInstance(NewZUR::CLSID_DataQuery, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&m_spQuery)), S_OK);
        ASSERT_EQ(m_spProject.As(&m_spTopology), S_OK);
        ASSERT_EQ(m_spQuery->Attach(m_spTopology.Get()), S_OK);
    }
    ComPtr<NewZUR::IPropertyData> Root(const wchar_t* component)
    {
        ComPtr<IUnknown> spRoot;
        EXPECT_EQ(ItemAs<NewZUR::ICharacteristic>(m_spProject.Get(), component)->GetSubItem(CBstr(L"root"), &spRoot),
                  S_OK);
        ComPtr<NewZUR::IPropertyData> spData;
        spRoot.As(&spData);
        return spData;
    }
    // The items a select gives, walked to the end.
    std::vector<ComPtr<IDispatch>> SelectAll(NewZUR::IPropertyData* pContext, const wchar_t* path)
    {
        ComPtr<NewZUR::IDataQueryResult> spResult;
        EXPECT_EQ(m_spQuery->Select(pContext, CBstr(path), &spResult), S_OK);
        std::vector<ComPtr<IDispatch>> items;
        for (long lFound = -1; spResult && lFound;) {
            ComPtr<IDispatch> spItem;
            HRESULT hrNext = spResult->Next(&spItem, &lFound);
            EXPECT_EQ(hrNext, lFound ? S_OK : S_FALSE);
            EXPECT_EQ(spItem != nullptr, lFound != 0);
            if (spItem)
                items.push_back(spItem);
        }
        return items;
    }

    ComPtr<ISimProject> m_spProject;
    ComPtr<NewZUR::ITopology> m_spTopology;
    ComPtr<NewZUR::IDataQuery> m_spQuery;
};

// The protocol path gives each entity of the component in document order
// (devices below a gateway are components of their own); the owner path from
// one of them leads to the root item of the same component object.
TEST_F(QueryServiceTest, ProtocolAndOwnerPaths)
{
    auto protocols = SelectAll(Root(L"Gateway-1").Get(), g_szProtocolPath);
    ASSERT_EQ(protocols.size(), 2u);
    EXPECT_EQ(ValueOf(protocols[0].Get()) + L"|" + ValueOf(protocols[1].Get()), L"PROFINET IO|CANopen");
    EXPECT_EQ(SelectAll(Root(L"Drive-1").Get(), g_szProtocolPath).size(), 1u);

    ComPtr<NewZUR::IPropertyData> spProtocol;
    ASSERT_EQ(protocols[1].As(&spProtocol), S_OK);
    auto owners = SelectAll(spProtocol.Get(), L"..==>.");
    ASSERT_EQ(owners.size(), 1u);
    ComPtr<NewZUR::IDataElement> spElement;
    ASSERT_EQ(owners[0].As(&spElement), S_OK);
    CBstr path;
    EXPECT_EQ(spElement->GetPathText(path.Out()), S_OK);
    EXPECT_EQ(path.View(), L"root");
    ComPtr<NewZUR::IComponent> spOwner;
    ComPtr<IUnknown> spOwnerUnknown;
    ASSERT_EQ(spElement->GetOwningComponent(&spOwner), S_OK);
    spOwner.As(&spOwnerUnknown);
    EXPECT_EQ(spOwnerUnknown.Get(), ItemAs<IUnknown>(m_spProject.Get(), L"Gateway-1").Get());
}

// Missing sub-items and the parent of a tree's top come back null with
// S_FALSE; bad selections are refused without a result. (Ports climbing to
// their entity and edits changing what the queries see are met by every
// cable and every accepted edit of the bottling scenario.)
TEST_F(QueryServiceTest, MissingItemsAndBadSelections)
{
    auto spChar = ItemAs<NewZUR::ICharacteristic>(m_spProject.Get(), L"PLC-1");
    for (const wchar_t* name : {L"nothing", L"@nothing", L""}) {
        ComPtr<IUnknown> spItem;
        EXPECT_EQ(spChar->GetSubItem(CBstr(name), &spItem), S_FALSE) << name;
        EXPECT_EQ(spItem, nullptr);
    }
    EXPECT_EQ(spChar->GetSubItem(nullptr, nullptr), E_POINTER);
    auto spRoot = Root(L"PLC-1");
    ComPtr<NewZUR::IDataElement> spAbove;
    EXPECT_EQ(spRoot->GetParent(&spAbove), S_FALSE);
    EXPECT_EQ(spAbove, nullptr);
    const std::pair<NewZUR::IPropertyData*, const wchar_t*> cases[] = {
        {spRoot.Get(), L"deviceInfo[["}, {spRoot.Get(), L""}, {nullptr, g_szProtocolPath}};
    for (const auto& [pContext, pszPath] : cases) {
        ComPtr<NewZUR::IDataQueryResult> spResult;
        EXPECT_EQ(m_spQuery->Select(pContext, CBstr(pszPath), &spResult), E_INVALIDARG) << pszPath;
        EXPECT_EQ(spResult, nullptr);
    }
}

} // namespace
